// SPDX-License-Identifier: GPL-2.0-or-later
#include "outputorder.h"

#include "wayland-kde-output-order-v1-client-protocol.h"

#include <QGuiApplication>
#include <qpa/qplatformnativeinterface.h>

#include <wayland-client.h>

#include <cstring>
#include <utility>

class OutputOrderPrivate
{
public:
    explicit OutputOrderPrivate(OutputOrder *q);
    ~OutputOrderPrivate();

    /// Binds KWin's global on @p display and takes the order it sends first.
    void bind(wl_display *display);

    static const wl_registry_listener registryListener;
    static const kde_output_order_v1_listener orderListener;

    OutputOrder *const q;
    kde_output_order_v1 *order = nullptr;
    uint32_t global = 0;
    QStringList names;
    /// The order KWin is sending, until it says it is complete.
    QStringList coming;
};

const wl_registry_listener OutputOrderPrivate::registryListener = {
    [](void *data, wl_registry *, uint32_t name, const char *interface, uint32_t) {
        if (std::strcmp(interface, kde_output_order_v1_interface.name) == 0) {
            static_cast<OutputOrderPrivate *>(data)->global = name;
        }
    },
    [](void *, wl_registry *, uint32_t) {},
};

const kde_output_order_v1_listener OutputOrderPrivate::orderListener = {
    [](void *data, kde_output_order_v1 *, const char *name) {
        static_cast<OutputOrderPrivate *>(data)->coming.append(QString::fromUtf8(name));
    },
    [](void *data, kde_output_order_v1 *) {
        auto *d = static_cast<OutputOrderPrivate *>(data);
        const QStringList names = std::exchange(d->coming, QStringList());
        if (names != d->names) {
            d->names = names;
            Q_EMIT d->q->namesChanged(names);
        }
    },
};

OutputOrderPrivate::OutputOrderPrivate(OutputOrder *q)
    : q(q)
{
}

OutputOrderPrivate::~OutputOrderPrivate()
{
    if (order) {
        kde_output_order_v1_destroy(order);
    }
}

// The registry and the first order come on a queue of this object's own, so that this waits for
// none of the events of Qt's connection; later orders come on Qt's queue and are dispatched with
// Qt's own events.
void OutputOrderPrivate::bind(wl_display *display)
{
    wl_event_queue *queue = wl_display_create_queue(display);
    auto *onQueue = static_cast<wl_display *>(wl_proxy_create_wrapper(display));
    wl_proxy_set_queue(reinterpret_cast<wl_proxy *>(onQueue), queue);
    wl_registry *registry = wl_display_get_registry(onQueue);
    wl_proxy_wrapper_destroy(onQueue);
    wl_registry_add_listener(registry, &registryListener, this);
    if (wl_display_roundtrip_queue(display, queue) >= 0 && global) {
        order = static_cast<kde_output_order_v1 *>(wl_registry_bind(registry, global, &kde_output_order_v1_interface, 1));
        kde_output_order_v1_add_listener(order, &orderListener, this);
        wl_display_roundtrip_queue(display, queue);
        wl_proxy_set_queue(reinterpret_cast<wl_proxy *>(order), nullptr);
        // What came between the roundtrip and the change of queue.
        wl_display_dispatch_queue_pending(display, queue);
    }
    wl_registry_destroy(registry);
    wl_event_queue_destroy(queue);
}

OutputOrder::OutputOrder(QObject *parent)
    : QObject(parent)
    , d(std::make_unique<OutputOrderPrivate>(this))
{
    if (!QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
        return;
    }
    if (auto *display = static_cast<wl_display *>(QGuiApplication::platformNativeInterface()->nativeResourceForIntegration("wl_display"))) {
        d->bind(display);
    }
}

OutputOrder::~OutputOrder() = default;

QStringList OutputOrder::names() const
{
    return d->names;
}
