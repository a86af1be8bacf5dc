// SPDX-License-Identifier: GPL-2.0-or-later
#include "waylandcompositor.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QThread>

#include <sys/stat.h>
#include <unistd.h>

namespace
{
const uid_t nobody = 65534;

const char swayConfig[] = "xwayland disable\n"
                          "output HEADLESS-1 mode 1920x1080 position 0 0 bg #3060a0 solid_color\n"
                          "output HEADLESS-2 mode 1280x1024 position 1920 0 bg #a06030 solid_color\n";
}

WaylandCompositor::WaylandCompositor(Kind kind)
    : kind(kind)
{
}

WaylandCompositor::~WaylandCompositor()
{
    if (process.state() != QProcess::NotRunning) {
        process.terminate();
        if (!process.waitForFinished(5000)) {
            process.kill();
            process.waitForFinished(5000);
        }
    }
}

QString WaylandCompositor::runtimeDir() const
{
    return dir.filePath(QStringLiteral("runtime"));
}

QString WaylandCompositor::start(int timeoutMs)
{
    const bool asNobody = kind == Sway && geteuid() == 0;
    QDir().mkpath(runtimeDir());
    ::chmod(QFile::encodeName(runtimeDir()).constData(), 0700);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"WAYLAND_DISPLAY", "DISPLAY", "WAYLAND_SOCKET"}) {
        env.remove(QLatin1String(name));
    }
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir());
    if (kind == Sway) {
        const QString config = dir.filePath(QStringLiteral("config"));
        QFile file(config);
        if (!file.open(QIODevice::WriteOnly) || file.write(swayConfig) < 0) {
            return QStringLiteral("cannot write %1").arg(config);
        }
        file.close();
        if (asNobody) {
            // The test's folder is only passed through; the runtime folder is sway's own.
            ::chmod(QFile::encodeName(dir.path()).constData(), 0711);
            ::chmod(QFile::encodeName(config).constData(), 0644);
            if (::chown(QFile::encodeName(runtimeDir()).constData(), nobody, nobody) != 0) {
                return QStringLiteral("cannot hand %1 to nobody").arg(runtimeDir());
            }
        }
        env.insert(QStringLiteral("WLR_BACKENDS"), QStringLiteral("headless"));
        env.insert(QStringLiteral("WLR_RENDERER"), QStringLiteral("pixman"));
        env.insert(QStringLiteral("WLR_LIBINPUT_NO_DEVICES"), QStringLiteral("1"));
        env.insert(QStringLiteral("WLR_HEADLESS_OUTPUTS"), QStringLiteral("2"));
        QStringList args{QStringLiteral("sway"), QStringLiteral("--config"), config};
        if (asNobody) {
            args = QStringList{QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"), QStringLiteral("--clear-groups")} + args;
        }
        process.setProgram(asNobody ? QStringLiteral("setpriv") : args.takeFirst());
        process.setArguments(args);
    } else {
        process.setProgram(QStringLiteral("weston"));
        process.setArguments({QStringLiteral("--backend=headless-backend.so"), QStringLiteral("--socket=wayland-test"), QStringLiteral("--no-config"),
                              QStringLiteral("--idle-time=0")});
    }
    process.setProcessEnvironment(env);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start();
    if (!process.waitForStarted(timeoutMs)) {
        return QStringLiteral("%1 does not start: %2").arg(process.program(), process.errorString());
    }

    // The socket is the sign that clients may connect; sway names it itself.
    QDeadlineTimer deadline(timeoutMs);
    while (socketPath.isEmpty()) {
        for (const QString &name : QDir(runtimeDir()).entryList({QStringLiteral("wayland-*")}, QDir::System)) {
            if (!name.endsWith(QLatin1String(".lock"))) {
                socketPath = QDir(runtimeDir()).filePath(name);
            }
        }
        if (!socketPath.isEmpty()) {
            break;
        } else if (process.state() == QProcess::NotRunning) {
            return QStringLiteral("%1 ended at start").arg(process.program());
        } else if (deadline.hasExpired()) {
            return QStringLiteral("no socket from %1").arg(process.program());
        } else {
            QThread::msleep(10);
        }
    }
    // swaybg paints the background a moment after the socket exists.
    while (kind == Sway && screenshot().pixel(0, 0) != firstOutputColor) {
        if (deadline.hasExpired()) {
            return QStringLiteral("no background from sway");
        }
        QThread::msleep(10);
    }
    return QString();
}

QString WaylandCompositor::socket() const
{
    return socketPath;
}

QImage WaylandCompositor::screenshot(const QString &output) const
{
    QProcess grim;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("WAYLAND_DISPLAY"), socketPath);
    grim.setProcessEnvironment(env);
    grim.start(QStringLiteral("grim"), {QStringLiteral("-t"), QStringLiteral("ppm"), QStringLiteral("-o"), output, QStringLiteral("-")});
    if (!grim.waitForFinished(30000) || grim.exitCode() != 0) {
        return QImage();
    }
    return QImage::fromData(grim.readAllStandardOutput(), "PPM").convertToFormat(QImage::Format_RGB32);
}

QByteArray WaylandCompositor::swaymsg(const QStringList &args) const
{
    const QStringList ipc = QDir(runtimeDir()).entryList({QStringLiteral("sway-ipc.*.sock")}, QDir::System);
    QProcess msg;
    msg.start(QStringLiteral("swaymsg"), QStringList{QStringLiteral("-s"), QDir(runtimeDir()).filePath(ipc.value(0))} + args);
    msg.waitForFinished(30000);
    return msg.readAllStandardOutput();
}
