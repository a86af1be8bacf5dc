// SPDX-License-Identifier: GPL-2.0-or-later
#include "busmessagequeue.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QMutex>
#include <QThread>
#include <QVector>

struct BusMessageQueue::Pending {
    QMutex mutex;
    QVector<QDBusMessage> messages;
};

BusMessageQueue::BusMessageQueue(const QDBusConnection &bus)
    : bus(bus)
    , pending(std::make_shared<Pending>())
{
    // The bus's own interface object lives in the connection's thread. Where it does not (or
    // the connection has none), messages are sent at once, as QDBusConnection sends them.
    QObject *busInterface = bus.interface();
    if (busInterface && busInterface->thread() != QThread::currentThread()) {
        busThreadObject = busInterface;
    }
}

BusMessageQueue::~BusMessageQueue() = default;

void BusMessageQueue::send(const QDBusMessage &message)
{
    if (!busThreadObject) {
        bus.send(message);
        return;
    }
    {
        QMutexLocker locker(&pending->mutex);
        const bool handOverOnItsWay = !pending->messages.isEmpty();
        pending->messages.append(message);
        if (handOverOnItsWay) {
            return;
        }
    }
    // The hand-over holds the queue and the connection by itself: it may run after this
    // object is gone, and is dropped unrun if the connection's thread ends first.
    QMetaObject::invokeMethod(
        busThreadObject,
        [queued = pending, connection = bus] {
            QVector<QDBusMessage> messages;
            {
                QMutexLocker locker(&queued->mutex);
                messages.swap(queued->messages);
            }
            for (const QDBusMessage &message : std::as_const(messages)) {
                connection.send(message);
            }
        },
        Qt::QueuedConnection);
}
