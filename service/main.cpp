// SPDX-License-Identifier: GPL-2.0-or-later
#include "fontconfigpreload.h"
#include "iconthemefallback.h"
#include "layoutdirection.h"
#include "osdservice.h"
#include "osdservice_debug.h"
#include "popupannouncer.h"
#include "quitonbusloss.h"
#include "quitonsignal.h"
#include "singleinstance.h"
#include "surfacechooser.h"

#include <KSharedConfig>
#include <QApplication>
#include <QDBusConnection>
#include <QDBusError>

#include <dbus/dbus.h>

#include <cstdio>
#include <cstdlib>
#include <limits>

#ifdef __GLIBC__
#include <malloc.h>
#endif

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

// Qt 5.15 stops reading a bus connection for good once libdbus holds more received data than
// the connection's limit (63 MiB by default, while the bus passes single messages of up to
// 128 MiB): libdbus turns the socket watch off and later asks to turn it on again from the
// thread that dispatches, which Qt refuses because the socket notifier lives in its bus
// thread. One large call from any program of the session would leave the daemon owning its
// names and never answering again. No caller may reach the limit, so it is lifted entirely;
// what is held is bounded by how far dispatching lags behind the socket.
static void liftReceiveLimits(const QDBusConnection &bus)
{
    auto *connection = static_cast<DBusConnection *>(bus.internalPointer());
    if (connection) {
        dbus_connection_set_max_received_size(connection, std::numeric_limits<long>::max());
        dbus_connection_set_max_received_unix_fds(connection, std::numeric_limits<long>::max());
    }
}

// A caller may send a text of 100 MiB: the bus message and its decoded copy are freed once the
// call is answered, but glibc raises its threshold for serving blocks from fresh mappings to
// the size of each large block freed, so that every later block of up to 32 MiB comes from
// the heap and stays resident after it is freed: a few calls of some MiB would leave the
// daemon holding a hundred MB. A fixed threshold keeps every block of 1 MiB and more in a
// mapping of its own, given back to the system when freed.
static void returnLargeBlocksToTheSystem()
{
#ifdef __GLIBC__
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
#endif
}

int main(int argc, char **argv)
{
    defaultMessageHandler = qInstallMessageHandler(messageHandler);
    returnLargeBlocksToTheSystem();

    SurfaceChooser::prepareApplication();
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    app.setLayoutDirection(translationsLayoutDirection(TRANSLATION_DOMAIN));
    ensureUsableIconTheme();

    const SingleInstance instance(QStringLiteral("osd-service"));
    if (instance.status() == SingleInstance::AlreadyRunning) {
        qFatal("The application is already running.");
    }
    if (instance.status() == SingleInstance::Failed) {
        qFatal("Cannot take the lock file %s that keeps a second osd-service from starting: %s",
               qPrintable(instance.lockFilePath()),
               qPrintable(instance.errorString()));
    }

    if (!QDBusConnection::sessionBus().isConnected()) {
        qCritical("No D-Bus session bus: %s. Start osd-service inside a desktop session, or set DBUS_SESSION_BUS_ADDRESS.",
                  qPrintable(QDBusConnection::sessionBus().lastError().message()));
    }
    liftReceiveLimits(QDBusConnection::sessionBus());
    if (!OsdService::registerOSDService()) {
        qFatal("Failed to register service by DBus connection!");
    }

    KSharedConfig::Ptr config = KSharedConfig::openConfig(QStringLiteral("vesknotifyrc"), KConfig::FullConfig, QStandardPaths::GenericConfigLocation);
    // The switches System Settings writes for the desktop's pop-ups hold for these too.
    KSharedConfig::Ptr plasmaConfig = KSharedConfig::openConfig(QStringLiteral("plasmarc"), KConfig::CascadeConfig, QStandardPaths::GenericConfigLocation);
    const OsdService::Mode mode = OsdService::modeFromConfig(config);
    qCDebug(OSD_SERVICE) << "display style:" << (mode == OsdService::StandardMode ? "standard" : "rounded");

    const QuitOnSignal quitOnSignal;
    const QuitOnBusLoss quitOnBusLoss(QDBusConnection::sessionBus());
    int result;
    {
        OsdService service(config, nullptr, mode, plasmaConfig);
        PopupAnnouncer::startBridge();
        // Started once the bus name is owned: during the start-up it would take a core from the
        // main thread and the display server, and delay the name.
        const FontConfigPreload fontConfigPreload;
        result = app.exec();
    }
    config.reset();
    plasmaConfig.reset();
    return result;
}
