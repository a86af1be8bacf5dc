// SPDX-License-Identifier: GPL-2.0-or-later
#include "recordingservice.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QRect>

static const QString serviceName = QStringLiteral("org.kde.osdService");
static const QString objectPath = QStringLiteral("/org/kde/osdService");

bool RecordingService::start()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    return bus.registerVirtualObject(objectPath, this) && bus.registerService(serviceName);
}

void RecordingService::stop()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.unregisterService(serviceName);
    bus.unregisterObject(objectPath);
}

QStringList RecordingService::calls() const
{
    return recorded;
}

void RecordingService::clear()
{
    recorded.clear();
}

bool RecordingService::handleMessage(const QDBusMessage &message, const QDBusConnection &connection)
{
    QString call = message.member() + QLatin1Char('(') + message.signature() + QLatin1Char(')');
    for (const QVariant &argument : message.arguments()) {
        call += QLatin1Char(' ');
        if (argument.userType() == QMetaType::QString) {
            call += QLatin1Char('"') + argument.toString() + QLatin1Char('"');
        } else if (argument.canConvert<QDBusArgument>()) {
            // The one structure of the interface: a rectangle.
            const QRect rect = qdbus_cast<QRect>(argument);
            call += QStringLiteral("%1,%2,%3,%4").arg(rect.x()).arg(rect.y()).arg(rect.width()).arg(rect.height());
        } else {
            call += argument.toString();
        }
    }
    recorded.append(call);
    connection.send(message.createReply());
    return true;
}

QString RecordingService::introspect(const QString &path) const
{
    Q_UNUSED(path)
    return QString();
}
