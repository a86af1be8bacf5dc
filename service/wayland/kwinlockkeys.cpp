// SPDX-License-Identifier: GPL-2.0-or-later
#include "kwinlockkeys.h"

#include "wayland-keystate-client-protocol.h"
#include "waylandglobal.h"

#include <wayland-client.h>

class KWinLockKeysPrivate
{
public:
    explicit KWinLockKeysPrivate(std::function<void(LockKeys)> changed);
    ~KWinLockKeysPrivate();

    void setState(uint32_t key, uint32_t state);

    static const org_kde_kwin_keystate_listener stateListener;

    std::function<void(LockKeys)> changed;
    org_kde_kwin_keystate *keyState = nullptr;
    LockKeys states;
    // False while the first states come: they are the start, not a change.
    bool started = false;
};

const org_kde_kwin_keystate_listener KWinLockKeysPrivate::stateListener = {
    [](void *data, org_kde_kwin_keystate *, uint32_t key, uint32_t state) {
        static_cast<KWinLockKeysPrivate *>(data)->setState(key, state);
    },
};

KWinLockKeysPrivate::KWinLockKeysPrivate(std::function<void(LockKeys)> changed)
    : changed(std::move(changed))
{
}

KWinLockKeysPrivate::~KWinLockKeysPrivate()
{
    if (!keyState) {
        return;
    }
    if (wl_proxy_get_version(reinterpret_cast<wl_proxy *>(keyState)) >= ORG_KDE_KWIN_KEYSTATE_DESTROY_SINCE_VERSION) {
        org_kde_kwin_keystate_destroy(keyState);
    } else {
        // Before version 4 the protocol has no request that ends it; the proxy alone goes.
        wl_proxy_destroy(reinterpret_cast<wl_proxy *>(keyState));
    }
}

void KWinLockKeysPrivate::setState(uint32_t key, uint32_t state)
{
    static const LockKey keys[] = {LockKey::Caps, LockKey::Num, LockKey::Scroll};
    if (key >= std::size(keys)) {
        return;
    }
    // A latched key is on for the next key press only, which a pop-up would outlast.
    states.setFlag(keys[key], state == ORG_KDE_KWIN_KEYSTATE_STATE_LOCKED);
    if (started) {
        changed(states);
    }
}

KWinLockKeys::KWinLockKeys(std::function<void(LockKeys)> changed)
    : d(std::make_unique<KWinLockKeysPrivate>(std::move(changed)))
{
    // The states KWin sends for the fetch have come when this returns.
    d->keyState = reinterpret_cast<org_kde_kwin_keystate *>(
        WaylandGlobal::bind(org_kde_kwin_keystate_interface, ORG_KDE_KWIN_KEYSTATE_DESTROY_SINCE_VERSION, [this](wl_proxy *keyState) {
            auto *state = reinterpret_cast<org_kde_kwin_keystate *>(keyState);
            org_kde_kwin_keystate_add_listener(state, &KWinLockKeysPrivate::stateListener, d.get());
            org_kde_kwin_keystate_fetchStates(state);
        }));
    d->started = true;
}

KWinLockKeys::~KWinLockKeys() = default;

bool KWinLockKeys::isWatching() const
{
    return d->keyState != nullptr;
}

LockKeys KWinLockKeys::states() const
{
    return d->states;
}
