// SPDX-License-Identifier: GPL-2.0-or-later
#include "primaryscreen.h"

#include <QGuiApplication>
#include <QScreen>

PrimaryScreen *PrimaryScreen::instance()
{
    static PrimaryScreen *primary = new PrimaryScreen;
    return primary;
}

PrimaryScreen::PrimaryScreen()
    : QObject(qGuiApp)
    , byPlatform(!QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
{
    // The platform's announcement is taken as it comes: the screen it names is the primary one.
    connect(qGuiApp, &QGuiApplication::primaryScreenChanged, this, [this](QScreen *screen) {
        if (byPlatform) {
            setCurrent(screen);
        } else {
            update();
        }
    });
    if (!byPlatform) {
        connect(qGuiApp, &QGuiApplication::screenAdded, this, [this](QScreen *screen) {
            watch(screen);
            update();
        });
        connect(qGuiApp, &QGuiApplication::screenRemoved, this, &PrimaryScreen::update);
        const auto screens = QGuiApplication::screens();
        for (QScreen *screen : screens) {
            watch(screen);
        }
    }
    update();
}

void PrimaryScreen::watch(QScreen *screen)
{
    connect(screen, &QScreen::geometryChanged, this, [this] {
        update();
    });
}

QScreen *PrimaryScreen::screen() const
{
    return current;
}

QScreen *PrimaryScreen::byLayout(const QList<QScreen *> &screens)
{
    QScreen *chosen = nullptr;
    for (QScreen *screen : screens) {
        const QPoint corner = screen->geometry().topLeft();
        if (corner.isNull()) {
            return screen;
        }
        const QPoint best = chosen ? chosen->geometry().topLeft() : QPoint();
        if (!chosen || corner.y() < best.y() || (corner.y() == best.y() && corner.x() < best.x())) {
            chosen = screen;
        }
    }
    return chosen;
}

void PrimaryScreen::update(QScreen *leaving)
{
    QList<QScreen *> screens = QGuiApplication::screens();
    // Qt may still list a screen while it announces its removal.
    screens.removeOne(leaving);
    setCurrent(byPlatform ? QGuiApplication::primaryScreen() : byLayout(screens));
}

void PrimaryScreen::setCurrent(QScreen *screen)
{
    if (screen == current) {
        return;
    }
    current = screen;
    Q_EMIT screenChanged(screen);
}
