// SPDX-License-Identifier: GPL-2.0-or-later
#include "surfacechooser.h"

#include "unmappedpopupsurface.h"
#include "waylandbackend.h"
#include "x11fontscale.h"
#include "x11popupsurface.h"

#include <QCoreApplication>
#include <QGuiApplication>

// Without the Wayland back end no pop-up can be placed on the compositor: XWayland shows them
// where the user left the platform to Qt and an X display is there.
static void chooseXWayland()
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "xcb");
    }
}

// On Wayland Qt loads its OpenGL buffer integration, and with it Mesa, for every widget window
// that might hold OpenGL children and to ask whether the integration draws window decorations;
// a pop-up needs neither. The user's choice of an integration still wins.
static void preferRaster()
{
    if (!qEnvironmentVariableIsSet("QT_WAYLAND_CLIENT_BUFFER_INTEGRATION")) {
        QCoreApplication::setAttribute(Qt::AA_ForceRasterWidgets);
        if (!qEnvironmentVariableIsSet("QT_WAYLAND_DISABLE_WINDOWDECORATION")) {
            qputenv("QT_WAYLAND_DISABLE_WINDOWDECORATION", "1");
        }
    }
}

void SurfaceChooser::prepareApplication()
{
    const bool highDpiChosen = qEnvironmentVariableIsSet("QT_ENABLE_HIGHDPI_SCALING");
    // The pop-ups are painted by the raster engine only. Left to itself, Qt loads an OpenGL
    // integration with the first window, and with it Mesa and LLVM: well over 100 ms on the
    // first pop-up and tens of megabytes of memory that nothing uses. A choice made by the user
    // still wins.
    if (!qEnvironmentVariableIsSet("QT_XCB_GL_INTEGRATION")) {
        qputenv("QT_XCB_GL_INTEGRATION", "none");
    }
#if QT_VERSION_MAJOR >= 6
    // Qt 6 turns the X server's font resolution (Xft.dpi) into a scale of every window, where
    // Qt 5 made only the text larger: a pop-up would grow and move. The pop-ups keep their size
    // and place; scale factors that the user sets (QT_SCALE_FACTOR, QT_SCREEN_SCALE_FACTORS)
    // and an output's own scale on Wayland apply as before, and so does a scale that the X
    // server's Xft.dpi asks for (below).
    if (!qEnvironmentVariableIsSet("QT_ENABLE_HIGHDPI_SCALING")) {
        qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    }
#endif
    if (WaylandBackEnd::qtChoosesWayland()) {
        if (WaylandBackEnd *backEnd = WaylandBackEnd::instance()) {
            backEnd->prepareApplication();
        } else {
            chooseXWayland();
        }
    }
    if (WaylandBackEnd::qtChoosesWayland()) {
        preferRaster();
    } else if (!highDpiChosen) {
        X11FontScale::apply();
    }
}

PopupSurface *SurfaceChooser::create(QWidget *window)
{
    if (!QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
        return new X11PopupSurface(window);
    }
    WaylandBackEnd *backEnd = WaylandBackEnd::instance();
    if (!backEnd) {
        return new UnmappedPopupSurface(window);
    }
    switch (backEnd->shell()) {
    case WaylandBackEnd::Shell::QtShell:
        // Layer-shell was never chosen (no compositor answered before Qt connected, or the
        // application was not prepared): Qt's own shell makes the window, as on other platforms.
        return new X11PopupSurface(window);
    case WaylandBackEnd::Shell::None:
        return new UnmappedPopupSurface(window);
    case WaylandBackEnd::Shell::LayerShell:
        break;
    }
    return backEnd->createSurface(window);
}
