// SPDX-License-Identifier: GPL-2.0-or-later
#include "daemonprocess.h"
#include "deadlines.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QTest>
#include <QThread>

#include <signal.h>

uint busNameOwnerPid(const QString &name, const QDBusConnection &connection)
{
    QDBusConnectionInterface *bus = connection.interface();
    if (!bus || !bus->isServiceRegistered(name).value()) {
        return 0;
    }
    const QDBusReply<uint> pid = bus->servicePid(name);
    return pid.isValid() ? pid.value() : 0;
}

PrivateBus::PrivateBus()
{
    process.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
    QDeadlineTimer deadline(10000 * slowdown());
    while (process.state() != QProcess::NotRunning && !process.canReadLine() && !deadline.hasExpired()) {
        process.waitForReadyRead(100);
    }
    busAddress = QString::fromLatin1(process.readLine().trimmed());
}

PrivateBus::~PrivateBus()
{
    process.kill();
    process.waitForFinished(5000);
}

QString PrivateBus::address() const
{
    return busAddress;
}

DaemonProcess::DaemonProcess()
    : env(QProcessEnvironment::systemEnvironment())
{
    const QString root = dir.path();
    for (const char *sub : {".config", ".local/share", "runtime"}) {
        QDir().mkpath(root + QLatin1Char('/') + QLatin1String(sub));
    }
    QFile::setPermissions(root + QLatin1String("/runtime"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    env.insert(QStringLiteral("HOME"), root);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), root + QLatin1String("/.config"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), root + QLatin1String("/.local/share"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), root + QLatin1String("/runtime"));
    env.insert(QStringLiteral("VESK_SOUND_PLAY_LOG"), soundLogFile());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.remove(QStringLiteral("SUDO_USER"));
    proc.setProgram(QStringLiteral(OSD_SERVICE_BINARY));
}

DaemonProcess::~DaemonProcess()
{
    if (proc.state() != QProcess::NotRunning) {
        proc.kill();
        proc.waitForFinished(5000);
    }
    if (!busName.isEmpty()) {
        QDBusConnection::disconnectFromBus(busName);
    }
}

QString DaemonProcess::home() const
{
    return dir.path();
}

QString DaemonProcess::configFile() const
{
    return dir.path() + QLatin1String("/.config/vesknotifyrc");
}

QString DaemonProcess::themeSettingsFile() const
{
    return dir.path() + QLatin1String("/.vesk/theme/current.themerc");
}

QString DaemonProcess::paletteFile() const
{
    return dir.path() + QLatin1String("/.vesk/paletterc");
}

QString DaemonProcess::soundLogFile() const
{
    return dir.path() + QLatin1String("/sounds.log");
}

QByteArray lastingPopUps(const QByteArray &config)
{
    const QByteArray group("[OSD]\n");
    const QByteArray key("Timeout=20000\n");
    const int at = config.indexOf(group);
    if (at < 0) {
        return group + key + config;
    }
    return QByteArray(config).insert(at + group.size(), key);
}

void DaemonProcess::writeConfig(const QByteArray &contents)
{
    QFile file(configFile());
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(contents);
}

QProcessEnvironment &DaemonProcess::environment()
{
    return env;
}

void DaemonProcess::useBus(const QString &address)
{
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), address);
    busName = QStringLiteral("daemon bus %1").arg(quintptr(this));
    QDBusConnection::connectToBus(address, busName);
}

QDBusConnection DaemonProcess::bus() const
{
    return busName.isEmpty() ? QDBusConnection::sessionBus() : QDBusConnection(busName);
}

bool DaemonProcess::start(int timeoutMs)
{
    timeoutMs *= slowdown();
    proc.setProcessEnvironment(env);
    proc.start();
    if (!proc.waitForStarted(timeoutMs)) {
        return false;
    }
    QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        if (busNameOwnerPid(QStringLiteral("org.kde.osdService"), bus()) == uint(proc.processId())) {
            return true;
        }
        if (proc.state() == QProcess::NotRunning || proc.waitForFinished(20)) {
            qWarning("osd-service ended at start (exit code %d): %s", proc.exitCode(), readStandardError().constData());
            return false;
        }
    }
    qWarning("osd-service did not own its name in time: %s", readStandardError().constData());
    return false;
}

bool DaemonProcess::runToEnd(int timeoutMs)
{
    proc.setProcessEnvironment(env);
    proc.start();
    return proc.waitForFinished(timeoutMs * slowdown());
}

qint64 DaemonProcess::pid() const
{
    return proc.processId();
}

QByteArray DaemonProcess::mappedFiles() const
{
    QFile maps(QStringLiteral("/proc/%1/maps").arg(pid()));
    return maps.open(QIODevice::ReadOnly) ? maps.readAll() : QByteArray();
}

QProcess &DaemonProcess::process()
{
    return proc;
}

QByteArray DaemonProcess::readStandardError()
{
    stderrText += proc.readAllStandardError();
    return stderrText;
}

bool DaemonProcess::stop(int signal, int timeoutMs)
{
    if (proc.state() == QProcess::NotRunning) {
        return true;
    }
    ::kill(pid_t(proc.processId()), signal);
    return proc.waitForFinished(timeoutMs * slowdown());
}

void addOpenGLRows([[maybe_unused]] const QString &userIntegration)
{
    QTest::addColumn<QString>("integration");
    QTest::addColumn<bool>("loaded");
    QTest::newRow("left to the daemon") << QString() << false;
#if !defined(__SANITIZE_ADDRESS__) && QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
    // Mesa's drivers are not built for the sanitizers and keep memory for good. Qt 6 loads a GL
    // integration only for a window drawn with OpenGL, so there the user's choice changes
    // nothing that a daemon of widgets maps.
    QTest::newRow("asked for by the user") << userIntegration << true;
#endif
}
