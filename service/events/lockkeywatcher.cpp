// SPDX-License-Identifier: GPL-2.0-or-later
#include "lockkeywatcher.h"

#include "lockkeywatcher_p.h"
#include "osdservice_debug.h"
#include "waylandbackend.h"
#include "x11lockkeys.h"

#include <QGuiApplication>

LockKeyWatcherPrivate::LockKeyWatcherPrivate(LockKeyWatcher *q)
    : q(q)
{
    settleTimer.setSingleShot(true);
    settleTimer.setInterval(LockKeyWatcher::settleMs);
    QObject::connect(&settleTimer, &QTimer::timeout, q, [this] {
        settle();
    });
}

LockKeyWatcherPrivate::~LockKeyWatcherPrivate() = default;

void LockKeyWatcherPrivate::report(LockKeys now)
{
    // KWin repeats the states with other modifiers' changes: those are no change here.
    if (now == latest) {
        return;
    }
    latest = now;
    settleTimer.start();
}

void LockKeyWatcherPrivate::settle()
{
    const LockKeys changed = latest ^ announced;
    announced = latest;
    for (const LockKey key : {LockKey::Caps, LockKey::Num, LockKey::Scroll}) {
        if (changed.testFlag(key)) {
            Q_EMIT q->lockKeyChanged(key, latest.testFlag(key));
        }
    }
}

LockKeyWatcher::LockKeyWatcher(QObject *parent)
    : QObject(parent)
    , d(std::make_unique<LockKeyWatcherPrivate>(this))
{
    const auto report = [this](LockKeys now) {
        d->report(now);
    };
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
        if (WaylandBackEnd *backEnd = WaylandBackEnd::instance()) {
            d->wayland = backEnd->createLockKeys(report);
            d->announced = d->wayland->states();
        }
    } else {
        d->x11 = std::make_unique<X11LockKeys>(report);
        d->announced = d->x11->states();
    }
    d->latest = d->announced;
    if (!isWatching()) {
        qCWarning(OSD_SERVICE,
                  "The session does not tell the states of Caps Lock, Num Lock and Scroll Lock (no XKB on X11, no key state protocol of KWin on "
                  "Wayland); no pop-ups for them.");
    }
}

LockKeyWatcher::~LockKeyWatcher() = default;

bool LockKeyWatcher::isWatching() const
{
    return (d->x11 && d->x11->isWatching()) || (d->wayland && d->wayland->isWatching());
}
