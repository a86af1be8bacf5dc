// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QTemporaryDir>

/**
 * The built osd-service, run as a child process in a home of its own.
 *
 * Each instance makes a temporary HOME with its own configuration, data and runtime folders,
 * so a test controls every file the daemon reads. The destructor kills the daemon if it still
 * runs: no test leaves a process behind. Its time limits are multiplied by slowdown().
 */
class DaemonProcess
{
public:
    DaemonProcess();
    ~DaemonProcess();

    QString home() const;
    QString configFile() const; ///< $XDG_CONFIG_HOME/vesknotifyrc
    QString themeSettingsFile() const; ///< the desktop theme's settings in the daemon's home
    QString paletteFile() const; ///< the desktop's palette in the daemon's home
    QString soundLogFile() const; ///< one line per sound played
    void writeConfig(const QByteArray &contents);

    QProcessEnvironment &environment();
    /// Runs the daemon on the bus at @p address instead of the test's session bus.
    void useBus(const QString &address);
    /// The bus the daemon runs on.
    QDBusConnection bus() const;

    /// Starts the daemon; true once it owns "org.kde.osdService" (within @p timeoutMs).
    bool start(int timeoutMs = 10000);
    /// Starts the daemon and waits for it to end by itself; false if it did not end in time.
    bool runToEnd(int timeoutMs = 10000);

    qint64 pid() const;
    /// The daemon's memory map (/proc/<pid>/maps): which libraries it has loaded.
    QByteArray mappedFiles() const;
    QProcess &process();
    QByteArray readStandardError();

    /// Sends @p signal and waits for the exit; false if the daemon did not end in time.
    bool stop(int signal, int timeoutMs = 10000);

private:
    QTemporaryDir dir;
    QProcessEnvironment env;
    QProcess proc;
    QByteArray stderrText;
    QString busName;
};

/// @p config with the longest display time (20 s) for pop-ups whose caller gives none: a test
/// that judges a pop-up by screenshots or by its window never races the hide timer, however
/// long a round takes here. Such a test hides a pop-up by repeating its call with 1 ms.
QByteArray lastingPopUps(const QByteArray &config = QByteArray());

/// A German user's locale. The C library ignores LANGUAGE under the C locales (Debian 13's
/// C.UTF-8 among them), so a test of another language's texts runs under a real locale, as its
/// users do; the package locales-all provides it.
inline constexpr char germanLocale[] = "de_DE.UTF-8";

/// The pid of the owner of @p name on @p bus, 0 if none.
uint busNameOwnerPid(const QString &name, const QDBusConnection &bus = QDBusConnection::sessionBus());

/// The rows of a test that the daemon paints without OpenGL unless the user names the GL
/// integration @p userIntegration: columns "integration" (QString) and "loaded" (bool).
void addOpenGLRows(const QString &userIntegration);

/// A session bus of the test's own beside the one it runs on, for a second daemon.
class PrivateBus
{
public:
    PrivateBus();
    ~PrivateBus();
    /// Empty when the bus could not be started.
    QString address() const;

private:
    QProcess process;
    QString busAddress;
};
