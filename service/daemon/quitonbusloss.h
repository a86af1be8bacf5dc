// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QDBusConnection>
#include <QObject>

/**
 * Ends the process with a message and status 1 when @p bus is lost, as when the session's
 * bus daemon exits. A daemon without its bus can never be called or get its names back, so
 * running on would only leave a useless process behind (and a session manager that restarts
 * it on failure needs the failure status).
 *
 * libdbus reports the loss as the local signal Disconnected, which Qt delivers to
 * connections made for it like any other signal.
 */
class QuitOnBusLoss : public QObject
{
    Q_OBJECT
public:
    explicit QuitOnBusLoss(QDBusConnection bus, QObject *parent = nullptr);

private Q_SLOTS:
    void onDisconnected();
};
