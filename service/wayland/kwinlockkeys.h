// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "waylandbackend.h"

#include <functional>
#include <memory>

class KWinLockKeysPrivate;

/**
 * The lock keys as KWin tells them through its key state protocol (org_kde_kwin_keystate), on
 * Qt's own Wayland connection. KWin sends a key's state when it changes; its events are
 * dispatched with Qt's, so nothing runs while no key changes. Other compositors have no such
 * protocol.
 */
class KWinLockKeys : public WaylandLockKeys
{
public:
    /// @p changed gets the states of all three keys after each change KWin sends.
    explicit KWinLockKeys(std::function<void(LockKeys)> changed);
    ~KWinLockKeys() override;

    bool isWatching() const override;
    LockKeys states() const override;

private:
    const std::unique_ptr<KWinLockKeysPrivate> d;
};
