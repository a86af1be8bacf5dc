// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QProcess>
#include <QTemporaryDir>

/**
 * The built osd-service, run as a child process in a home of its own.
 *
 * Each instance makes a temporary HOME with its own configuration, data and runtime folders,
 * so a test controls every file the daemon reads. The destructor kills the daemon if it still
 * runs: no test leaves a process behind.
 */
class DaemonProcess
{
public:
    DaemonProcess();
    ~DaemonProcess();

    QString home() const;
    QString configFile() const; ///< $XDG_CONFIG_HOME/vesknotifyrc
    QString soundLogFile() const; ///< one line per sound played
    void writeConfig(const QByteArray &contents);

    QProcessEnvironment &environment();

    /// Starts the daemon; true once it owns "org.kde.osdService" (within @p timeoutMs).
    bool start(int timeoutMs = 10000);
    /// Starts the daemon and waits for it to end by itself; false if it did not end in time.
    bool runToEnd(int timeoutMs = 10000);

    qint64 pid() const;
    QProcess &process();
    QByteArray readStandardError();

    /// Sends @p signal and waits for the exit; false if the daemon did not end in time.
    bool stop(int signal, int timeoutMs = 10000);

private:
    QTemporaryDir dir;
    QProcessEnvironment env;
    QProcess proc;
    QByteArray stderrText;
};

/// The pid of the owner of @p name on the session bus, 0 if none.
uint busNameOwnerPid(const QString &name);
