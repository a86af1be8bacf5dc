// SPDX-License-Identifier: GPL-2.0-or-later
#include "popupannouncer.h"

#include <QAccessible>
#include <QAccessibleWidget>
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
