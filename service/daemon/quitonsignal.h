// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QObject>

class QSocketNotifier;

/**
 * Turns SIGTERM and SIGINT into a clean QCoreApplication::exit(0), so that the event loop
 * returns and every destructor runs, as session managers expect of a daemon.
 *
 * The signal handler only writes a byte to a pipe; the quit happens in the event loop.
 * One instance per process.
 */
class QuitOnSignal : public QObject
{
    Q_OBJECT
public:
    explicit QuitOnSignal(QObject *parent = nullptr);
    ~QuitOnSignal() override;

private:
    void onSignalled();

    QSocketNotifier *notifier = nullptr;
};
