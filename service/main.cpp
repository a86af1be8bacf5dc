// SPDX-License-Identifier: GPL-2.0-or-later
#include "osdservice.h"
#include "osdservice_debug.h"
#include "quitonsignal.h"
#include "singleinstance.h"

#include <KSharedConfig>
#include <QApplication>
#include <QDBusConnection>
#include <QDBusError>

#include <cstdio>
#include <cstdlib>

static QtMessageHandler defaultMessageHandler = nullptr;

// A fatal start-up problem is reported as one line and a plain failure status: the daemon has
// not done anything yet, so there is nothing to gain from a core dump.
static void messageHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    defaultMessageHandler(type, context, message);
    if (type == QtFatalMsg) {
        std::fflush(stderr);
        std::_Exit(EXIT_FAILURE);
    }
}

int main(int argc, char **argv)
{
    defaultMessageHandler = qInstallMessageHandler(messageHandler);

    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);

    const SingleInstance instance(QStringLiteral("osd-service"));
    if (instance.isRunning()) {
        qFatal("The application is already running.");
    }

    if (!QDBusConnection::sessionBus().isConnected()) {
        qCritical("No D-Bus session bus: %s. Start osd-service inside a desktop session, or set DBUS_SESSION_BUS_ADDRESS.",
                  qPrintable(QDBusConnection::sessionBus().lastError().message()));
    }
    if (!OsdService::registerOSDService()) {
        qFatal("Failed to register service by DBus connection!");
    }

    KSharedConfig::Ptr config = KSharedConfig::openConfig(QStringLiteral("vesknotifyrc"), KConfig::FullConfig, QStandardPaths::GenericConfigLocation);
    const OsdService::Mode mode = OsdService::modeFromConfig(config);
    qCDebug(OSD_SERVICE) << "display style:" << (mode == OsdService::StandardMode ? "standard" : "rounded");

    const QuitOnSignal quitOnSignal;
    int result;
    {
        OsdService service(config, nullptr, mode);
        result = app.exec();
    }
    config.reset();
    return result;
}
