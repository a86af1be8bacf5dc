// SPDX-License-Identifier: GPL-2.0-or-later
#include "waylandglobal.h"

#include <QGuiApplication>
#include <qpa/qplatformnativeinterface.h>

#include <wayland-client.h>

#include <algorithm>
#include <cstring>

namespace
{
/// The global of one interface, as the registry announces it.
struct Offer {
    const char *interface;
    uint32_t name = 0;
    uint32_t version = 0;
};

const wl_registry_listener registryListener = {
    [](void *data, wl_registry *, uint32_t name, const char *interface, uint32_t version) {
        auto *offer = static_cast<Offer *>(data);
        if (std::strcmp(interface, offer->interface) == 0) {
            offer->name = name;
            offer->version = version;
        }
    },
    [](void *, wl_registry *, uint32_t) {},
};
}

wl_proxy *WaylandGlobal::bind(const wl_interface &interface, uint32_t version, const std::function<void(wl_proxy *)> &start)
{
    if (!QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
        return nullptr;
    }
    auto *display = static_cast<wl_display *>(QGuiApplication::platformNativeInterface()->nativeResourceForIntegration("wl_display"));
    if (!display) {
        return nullptr;
    }
    wl_event_queue *queue = wl_display_create_queue(display);
    auto *onQueue = static_cast<wl_display *>(wl_proxy_create_wrapper(display));
    wl_proxy_set_queue(reinterpret_cast<wl_proxy *>(onQueue), queue);
    wl_registry *registry = wl_display_get_registry(onQueue);
    wl_proxy_wrapper_destroy(onQueue);
    // The registry is gone before this returns, and with it every use of the offer.
    Offer offer{interface.name};
    wl_registry_add_listener(registry, &registryListener, &offer);
    wl_proxy *bound = nullptr;
    if (wl_display_roundtrip_queue(display, queue) >= 0 && offer.name) {
        bound = static_cast<wl_proxy *>(wl_registry_bind(registry, offer.name, &interface, std::min(version, offer.version)));
        start(bound);
        wl_display_roundtrip_queue(display, queue);
        wl_proxy_set_queue(bound, nullptr);
        // What came between the roundtrip and the change of queue.
        wl_display_dispatch_queue_pending(display, queue);
    }
    wl_registry_destroy(registry);
    wl_event_queue_destroy(queue);
    return bound;
}
