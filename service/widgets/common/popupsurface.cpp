// SPDX-License-Identifier: GPL-2.0-or-later
#include "popupsurface.h"

#include "layershellpopupsurface.h"
#include "primaryscreen.h"
#include "unmappedpopupsurface.h"
#include "x11fontscale.h"
#include "x11popupsurface.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

void PopupSurface::prepareApplication()
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
    LayerShellPopupSurface::prepareApplication();
    if (!highDpiChosen && !LayerShellPopupSurface::qtChoosesWayland()) {
        X11FontScale::apply();
    }
}

PopupSurface *PopupSurface::create(QWidget *window)
{
    if (!QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
        return new X11PopupSurface(window);
    }
    switch (LayerShellPopupSurface::shell()) {
    case LayerShellPopupSurface::Shell::QtShell:
        // Layer-shell was never chosen (no compositor answered before Qt connected, or the
        // application was not prepared): Qt's own shell makes the window, as on other platforms.
        return new X11PopupSurface(window);
    case LayerShellPopupSurface::Shell::None:
        return new UnmappedPopupSurface(window);
    case LayerShellPopupSurface::Shell::LayerShell:
        break;
    }
    return new LayerShellPopupSurface(window);
}

PopupSurface::PopupSurface(QWidget *window)
    : QObject(window)
    , window(window)
{
}

PopupSurface::~PopupSurface() = default;

QScreen *PopupSurface::screen() const
{
    return followed;
}

void PopupSurface::setScreen(QScreen *screen)
{
    follow(screen, true);
}

void PopupSurface::followChosenScreen(OsdConfig::ScreenChoice choice)
{
    if (choice == OsdConfig::ScreenChoice::Primary) {
        setScreen(PrimaryScreen::instance()->screen());
        return;
    }
    if (followed) {
        return;
    }
    if (QScreen *chosen = chosenScreen(choice)) {
        follow(chosen, false);
        return;
    }
    placedBySystem = true;
    follow(window->screen(), false);
}

void PopupSurface::followScreen(QScreen *screen)
{
    placedBySystem = false;
    follow(screen, false);
}

void PopupSurface::follow(QScreen *screen, bool primary)
{
    if (followed == screen && followsPrimary == primary) {
        return;
    }
    if (followed) {
        disconnect(followed, nullptr, this, nullptr);
    }
    followed = screen;
    followsPrimary = primary;
    if (!screen) {
        placedBySystem = false;
        disconnect(qGuiApp, nullptr, this, nullptr);
        disconnect(PrimaryScreen::instance(), nullptr, this, nullptr);
        if (window->windowHandle()) {
            disconnect(window->windowHandle(), &QWindow::screenChanged, this, &PopupSurface::onWindowScreenChanged);
        }
        return;
    }
    if (primary) {
        // One connection is enough however often the primary screen changes.
        connect(PrimaryScreen::instance(), &PrimaryScreen::screenChanged, this, &PopupSurface::setScreen, Qt::UniqueConnection);
    } else {
        disconnect(PrimaryScreen::instance(), &PrimaryScreen::screenChanged, this, &PopupSurface::setScreen);
        // A chosen screen that goes away while the window is shown leaves it to the primary one.
        connect(qGuiApp, &QGuiApplication::screenRemoved, this, &PopupSurface::onScreenRemoved, Qt::UniqueConnection);
    }
    connect(screen, &QScreen::geometryChanged, this, &PopupSurface::screenMetricsChanged);
    connect(screen, &QScreen::availableGeometryChanged, this, &PopupSurface::screenMetricsChanged);
    connect(screen, &QScreen::logicalDotsPerInchChanged, this, &PopupSurface::screenMetricsChanged);
    followedScreenChanged();
    if (placedBySystem && window->windowHandle()) {
        connect(window->windowHandle(), &QWindow::screenChanged, this, &PopupSurface::onWindowScreenChanged, Qt::UniqueConnection);
    }
    Q_EMIT screenChanged();
}

void PopupSurface::onScreenRemoved(QScreen *removed)
{
    if (removed == followed) {
        QScreen *primaryScreen = PrimaryScreen::instance()->screen();
        follow(primaryScreen == removed ? nullptr : primaryScreen, false);
    }
}

// The window system put the window on an output of its choice: the window is placed on that one.
void PopupSurface::onWindowScreenChanged(QScreen *screen)
{
    if (placedBySystem && followed && screen) {
        follow(screen, false);
    }
}

QScreen *PopupSurface::chosenScreen(OsdConfig::ScreenChoice) const
{
    return PrimaryScreen::instance()->screen();
}

bool PopupSurface::isPlacedBySystem() const
{
    return placedBySystem;
}

void PopupSurface::followedScreenChanged()
{
}
