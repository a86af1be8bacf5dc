// SPDX-License-Identifier: GPL-2.0-or-later
#include "waylandbackend.h"

#include "popupsurface_debug.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLibrary>

// The rule Qt applies when it chooses its platform: QT_QPA_PLATFORM if set; else Qt 6 takes
// Wayland when a Wayland display or session is named, and Qt 5.15 in a Wayland session except
// under GNOME.
bool WaylandBackEnd::qtChoosesWayland()
{
    const QByteArray requested = qgetenv("QT_QPA_PLATFORM");
    if (!requested.isEmpty()) {
        return requested.startsWith("wayland");
    }
#if QT_VERSION_MAJOR >= 6
    return qEnvironmentVariableIsSet("WAYLAND_DISPLAY") || qgetenv("XDG_SESSION_TYPE") == "wayland";
#else
    const QByteArray desktops = qgetenv("XDG_CURRENT_DESKTOP").toLower() + ' ' + qgetenv("XDG_SESSION_DESKTOP").toLower();
    return qgetenv("XDG_SESSION_TYPE") == "wayland" && !desktops.contains("gnome");
#endif
}

static WaylandBackEnd *load()
{
    // A program run from the build tree finds the module of its own build beside it; the
    // installed one finds it where it was installed. OSD_WAYLAND_MODULE names another file, for
    // the tests of a module that cannot be loaded.
    QString path = qEnvironmentVariable("OSD_WAYLAND_MODULE");
    if (path.isEmpty()) {
        // Called before the application object exists, which would tell its directory.
        path = QFileInfo(QFile::symLinkTarget(QStringLiteral("/proc/self/exe"))).absolutePath() + QLatin1String("/vesk-osd/osd_wayland.so");
        if (!QFile::exists(path)) {
            path = QFile::decodeName(OSD_WAYLAND_MODULE_PATH);
        }
    }
    QLibrary module(path);
    auto factory = reinterpret_cast<OsdWaylandBackEndFactory>(module.resolve("osd_wayland_back_end"));
    if (!factory) {
        qCWarning(OSD_SURFACE,
                  "Cannot load the Wayland back end (%s): pop-ups are shown through XWayland where an X display is set, and not at all "
                  "otherwise.",
                  qPrintable(module.errorString()));
        return nullptr;
    }
    // The module stays loaded for the life of the process.
    return factory();
}

WaylandBackEnd *WaylandBackEnd::instance()
{
    static WaylandBackEnd *const backEnd =
        (qGuiApp ? QGuiApplication::platformName().startsWith(QLatin1String("wayland")) : qtChoosesWayland()) ? load() : nullptr;
    return backEnd;
}
