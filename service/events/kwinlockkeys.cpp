// SPDX-License-Identifier: GPL-2.0-or-later
#include "kwinlockkeys.h"

#include "wayland-keystate-client-protocol.h"

#include <QGuiApplication>
#include <qpa/qplatformnativeinterface.h>

#include <wayland-client.h>

#include <cstring>

class KWinLockKeysPrivate
{
public:
    explicit KWinLockKeysPrivate(std::function<void(LockKeys)> changed);
    ~KWinLockKeysPrivate();

    /// Binds KWin's global on @p display and takes the states it sends first.
    void bind(wl_display *display);
    void setState(uint32_t key, uint32_t state);

    static const wl_registry_listener registryListener;
    static const org_kde_kwin_keystate_listener stateListener;

    std::function<void(LockKeys)> changed;
    org_kde_kwin_keystate *keyState = nullptr;
    uint32_t global = 0;
    uint32_t version = 0;
    LockKeys states;
    // False while the first states come: they are the start, not a change.
    bool started = false;
};

const wl_registry_listener KWinLockKeysPrivate::registryListener = {
    [](void *data, wl_registry *, uint32_t name, const char *interface, uint32_t version) {
        if (std::strcmp(interface, org_kde_kwin_keystate_interface.name) == 0) {
            auto *d = static_cast<KWinLockKeysPrivate *>(data);
            d->global = name;
            d->version = version;
        }
    },
    [](void *, wl_registry *, uint32_t) {},
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
    if (version >= ORG_KDE_KWIN_KEYSTATE_DESTROY_SINCE_VERSION) {
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

// The registry and the first states come on a queue of this object's own, so that this waits for
// none of the events of Qt's connection; later states come on Qt's queue and are dispatched with
// Qt's own events.
void KWinLockKeysPrivate::bind(wl_display *display)
{
    wl_event_queue *queue = wl_display_create_queue(display);
    auto *onQueue = static_cast<wl_display *>(wl_proxy_create_wrapper(display));
    wl_proxy_set_queue(reinterpret_cast<wl_proxy *>(onQueue), queue);
    wl_registry *registry = wl_display_get_registry(onQueue);
    wl_proxy_wrapper_destroy(onQueue);
    wl_registry_add_listener(registry, &registryListener, this);
    if (wl_display_roundtrip_queue(display, queue) >= 0 && global) {
        version = qMin(version, uint32_t(ORG_KDE_KWIN_KEYSTATE_DESTROY_SINCE_VERSION));
        keyState = static_cast<org_kde_kwin_keystate *>(wl_registry_bind(registry, global, &org_kde_kwin_keystate_interface, version));
        org_kde_kwin_keystate_add_listener(keyState, &stateListener, this);
        org_kde_kwin_keystate_fetchStates(keyState);
        wl_display_roundtrip_queue(display, queue);
        wl_proxy_set_queue(reinterpret_cast<wl_proxy *>(keyState), nullptr);
        // What came between the roundtrip and the change of queue.
        wl_display_dispatch_queue_pending(display, queue);
    }
    started = true;
    wl_registry_destroy(registry);
    wl_event_queue_destroy(queue);
}

KWinLockKeys::KWinLockKeys(std::function<void(LockKeys)> changed)
    : d(std::make_unique<KWinLockKeysPrivate>(std::move(changed)))
{
    if (!QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
        return;
    }
    if (auto *display = static_cast<wl_display *>(QGuiApplication::platformNativeInterface()->nativeResourceForIntegration("wl_display"))) {
        d->bind(display);
    }
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
