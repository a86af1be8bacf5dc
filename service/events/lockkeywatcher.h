// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "lockkey.h"

#include <QObject>

#include <memory>

class LockKeyWatcherPrivate;

/**
 * Caps Lock, Num Lock and Scroll Lock of the session's keyboard: on X11 from XKB's indicators, on
 * KWin from its key state protocol. Other Wayland compositors tell no client; there nothing is
 * watched, as the log says once.
 *
 * The states at construction are the start, never announced. A change is announced once the keys
 * have kept their states for a moment, with the state a key ended in, and only for a key that
 * ended otherwise than it was announced last: a key toggled fast gives one announcement, or none
 * when it ends as it began. Nothing runs while no key changes.
 */
class LockKeyWatcher : public QObject
{
    Q_OBJECT
public:
    /// How long the keys keep their states before a change is announced.
    static constexpr int settleMs = 120;

    explicit LockKeyWatcher(QObject *parent = nullptr);
    ~LockKeyWatcher() override;

    /// Whether the session tells the lock keys' states to this process.
    bool isWatching() const;

Q_SIGNALS:
    void lockKeyChanged(LockKey key, bool on);

private:
    friend class LockKeyWatcherTest;
    const std::unique_ptr<LockKeyWatcherPrivate> d;
};
