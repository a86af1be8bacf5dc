// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "lockkeywatcher.h"

#include <QTimer>

#include <memory>

class WaylandLockKeys;
class X11LockKeys;

class LockKeyWatcherPrivate
{
public:
    explicit LockKeyWatcherPrivate(LockKeyWatcher *q);
    ~LockKeyWatcherPrivate();

    /// The keys that are on now, as the back end reports them.
    void report(LockKeys now);
    /// Announces each key that has settled in another state than announced last.
    void settle();

    LockKeyWatcher *const q;
    QTimer settleTimer;
    LockKeys announced;
    LockKeys latest;
    std::unique_ptr<X11LockKeys> x11;
    std::unique_ptr<WaylandLockKeys> wayland;
};
