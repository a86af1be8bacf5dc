// SPDX-License-Identifier: GPL-2.0-or-later
#include "popupannouncer.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QSet>
#include <QWidget>

namespace
{
// The pop-up as a notification whose name says it all.
class NotificationAccessible : public QAccessibleWidget
{
public:
    explicit NotificationAccessible(QWidget *popup)
        : QAccessibleWidget(popup, QAccessible::Notification)
    {
    }

    // No children: a screen reader reads every child label whose text is not in the name, so
    // the percent label and the text would follow the phrase that already holds them.
    int childCount() const override
    {
        return 0;
    }
    QAccessibleInterface *child(int) const override
    {
        return nullptr;
    }
    int indexOfChild(const QAccessibleInterface *) const override
    {
        return -1;
    }
    QAccessibleInterface *childAt(int, int) const override
    {
        return nullptr;
    }

    // Only the name: a window's title would stand in for a missing one, and a description or
    // help text would be read after it.
    QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Name ? widget()->accessibleName() : QString();
    }
};

// Qt 5.15's bridge, when made in a session whose accessibility is on, asks the bus launcher for
// the accessibility bus's address without waiting, and queues a start of its own. A start that
// comes before the answer finds no bus connection: it makes the bridge's objects on a connection
// that never connects, and the bridge never registers with the registry (unless the X root
// window carries the address, which the bridge connects to at once: a display that lost it, and
// Wayland, do not). Without that start the answer starts the bridge itself, on the connection
// it has just made. So a start that comes too early is dropped; the filter goes with the
// bridge's first start, whether dropped or not, and nothing waits for the launcher.
class EarlyBridgeStartFilter : public QObject
{
public:
    EarlyBridgeStartFilter()
        : QObject(qApp)
    {
        qApp->installEventFilter(this);
    }
    // Where the bridge never starts (no accessibility on Wayland), the filter lasts until the
    // application goes, which deletes it as a child once qApp is null already.
    ~EarlyBridgeStartFilter() override
    {
        if (qApp) {
            qApp->removeEventFilter(this);
        }
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::MetaCall || !watched->inherits("QSpiAccessibleBridge")) {
            return false;
        }
        qApp->removeEventFilter(this);
        deleteLater();
        // "a11y" is the name the bridge gives its connection to the accessibility bus.
        return !QDBusConnection(QStringLiteral("a11y")).isConnected();
    }
};

QSet<const QMetaObject *> &popupClasses()
{
    static QSet<const QMetaObject *> classes;
    return classes;
}

QAccessibleInterface *popupFactory(const QString &, QObject *object)
{
    if (object && object->isWidgetType() && popupClasses().contains(object->metaObject())) {
        return new NotificationAccessible(static_cast<QWidget *>(object));
    }
    return nullptr;
}
}

void PopupAnnouncer::startBridge()
{
    // Whoever makes the bridge first (this, or a pop-up asking whether anyone listens), its
    // start meets the filter.
    new EarlyBridgeStartFilter;

    // Making the bridge asks the launcher two questions and waits for the answers. A launcher
    // that has answered this one answers those at once; one that never answers (its bus does
    // not come up) delays nothing here. Never starts a launcher: without one nobody listens,
    // and the bus answers at once.
    QDBusMessage askAddress = QDBusMessage::createMethodCall(QStringLiteral("org.a11y.Bus"),
                                                             QStringLiteral("/org/a11y/bus"),
                                                             QStringLiteral("org.a11y.Bus"),
                                                             QStringLiteral("GetAddress"));
    askAddress.setAutoStartService(false);
    auto *answer = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(askAddress), qApp);
    QObject::connect(answer, &QDBusPendingCallWatcher::finished, answer, [answer] {
        answer->deleteLater();
        // A launcher that did not answer in time may not answer the bridge's questions either:
        // the bridge is left to be made when a pop-up first asks whether anyone listens.
        const QDBusError::ErrorType error = answer->error().type();
        if (error == QDBusError::NoReply || error == QDBusError::Timeout) {
            return;
        }
        // Makes the bridge, also without a launcher: it then registers when one appears later,
        // or at once when the X root window carries the bus's address.
        QAccessible::isActive();
    });
}

void PopupAnnouncer::exposeAsNotification(const QMetaObject &popupClass)
{
    if (popupClasses().isEmpty()) {
        QAccessible::installFactory(popupFactory);
    }
    popupClasses().insert(&popupClass);
}

bool PopupAnnouncer::isListening()
{
    return QAccessible::isActive();
}

void PopupAnnouncer::setPhrase(QObject *popup, const QString &phrase)
{
    if (!isListening()) {
        return;
    }
    if (auto *widget = qobject_cast<QWidget *>(popup)) {
        widget->setAccessibleName(phrase);
    }
}

void PopupAnnouncer::announce(QObject *popup)
{
    if (!isListening()) {
        return;
    }
    auto *widget = qobject_cast<QWidget *>(popup);
    if (widget && widget->isVisible()) {
        QAccessibleEvent event(widget, QAccessible::ObjectShow);
        QAccessible::updateAccessibility(&event);
    }
}
