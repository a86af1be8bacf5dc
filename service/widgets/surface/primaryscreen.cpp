// SPDX-License-Identifier: GPL-2.0-or-later
#include "primaryscreen.h"

#include "outputorder.h"
#include "waylandbackend.h"

#include <QGuiApplication>
#include <QScreen>

PrimaryScreen *PrimaryScreen::instance()
{
    static PrimaryScreen *primary = new PrimaryScreen;
    return primary;
}

// KWin's order through the Wayland back end; an empty one without it.
static OutputOrder *newOutputOrder(QObject *parent)
{
    WaylandBackEnd *backEnd = WaylandBackEnd::instance();
    return backEnd ? backEnd->createOutputOrder(parent) : new OutputOrder(parent);
}

PrimaryScreen::PrimaryScreen()
    : QObject(qGuiApp)
    , byPlatform(!QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
    , order(byPlatform ? nullptr : newOutputOrder(this))
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
        connect(order, &OutputOrder::namesChanged, this, [this] {
            update();
        });
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

QScreen *PrimaryScreen::byOrder(const QStringList &order, const QList<QScreen *> &screens)
{
    for (const QString &name : order) {
        for (QScreen *screen : screens) {
            if (screen->name() == name) {
                return screen;
            }
        }
    }
    return nullptr;
}

void PrimaryScreen::update(QScreen *leaving)
{
    if (byPlatform) {
        setCurrent(QGuiApplication::primaryScreen());
        return;
    }
    QList<QScreen *> screens = QGuiApplication::screens();
    // Qt may still list a screen while it announces its removal.
    screens.removeOne(leaving);
    QScreen *ordered = byOrder(order->names(), screens);
    setCurrent(ordered ? ordered : byLayout(screens));
}

void PrimaryScreen::setCurrent(QScreen *screen)
{
    if (screen == current) {
        return;
    }
    current = screen;
    Q_EMIT screenChanged(screen);
}
