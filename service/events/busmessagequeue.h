// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QDBusConnection>
#include <QPointer>

#include <memory>

class QDBusMessage;

/**
 * Sends messages on a bus connection in the order they are given, from the connection's own
 * thread.
 *
 * QDBusConnection::send() called from another thread hands each message to the connection's
 * thread on its own, and each hand-over wakes that thread. Messages given here while a hand-over
 * is on its way go with it: the signals that announce one pop-up cost one wake-up, however many
 * forms they are sent in.
 */
class BusMessageQueue
{
public:
    explicit BusMessageQueue(const QDBusConnection &bus);
    ~BusMessageQueue();

    void send(const QDBusMessage &message);

private:
    struct Pending;
    QDBusConnection bus;
    // An object of the connection's thread, whose events run there.
    QPointer<QObject> busThreadObject;
    std::shared_ptr<Pending> pending;
};
