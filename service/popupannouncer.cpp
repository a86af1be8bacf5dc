// SPDX-License-Identifier: GPL-2.0-or-later
#include "popupannouncer.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QSet>
#include <QTimer>
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
// the accessibility bus's address and queues, before the answer can arrive, a start of its own;
// that start finds no bus connection, and the bridge never registers with the registry (unless
// the X root window carries the address: a display that lost it, and Wayland, do not). The
// filter delivers the queued answer first, then lets the bridge's start run, and then goes.
class BridgeStartOrder : public QObject
{
public:
    BridgeStartOrder()
        : QObject(qApp)
    {
        qApp->installEventFilter(this);
        // Queued after the bridge's start: gone after it in any case.
        QTimer::singleShot(0, this, &QObject::deleteLater);
    }
    ~BridgeStartOrder() override
    {
        qApp->removeEventFilter(this);
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::MetaCall && watched->inherits("QSpiAccessibleBridge")) {
            qApp->removeEventFilter(this);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
        }
        return false;
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
    // Never starts a launcher: without one nobody listens, and the bus answers at once.
    QDBusMessage askAddress = QDBusMessage::createMethodCall(QStringLiteral("org.a11y.Bus"),
                                                             QStringLiteral("/org/a11y/bus"),
                                                             QStringLiteral("org.a11y.Bus"),
                                                             QStringLiteral("GetAddress"));
    askAddress.setAutoStartService(false);
    // Makes the bridge, which sends the same question first; the launcher answers in order, so
    // once this answer is here the bridge's is queued.
    QAccessible::isActive();
    if (QDBusConnection::sessionBus().call(askAddress).type() == QDBusMessage::ReplyMessage) {
        new BridgeStartOrder;
    }
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
