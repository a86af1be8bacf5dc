// SPDX-License-Identifier: GPL-2.0-or-later
#include "popupsurface.h"

#include "primaryscreen.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

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
    // With every screen chosen this window is the one on the primary screen; copies show on
    // the others.
    if (choice == OsdConfig::ScreenChoice::Primary || choice == OsdConfig::ScreenChoice::All) {
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
