// SPDX-License-Identifier: GPL-2.0-or-later
#include "kwinoutputorder.h"

#include "wayland-kde-output-order-v1-client-protocol.h"
#include "waylandglobal.h"

#include <wayland-client.h>

#include <utility>

KWinOutputOrder::KWinOutputOrder(QObject *parent)
    : OutputOrder(parent)
{
    static const kde_output_order_v1_listener listener = {
        [](void *data, kde_output_order_v1 *, const char *name) {
            static_cast<KWinOutputOrder *>(data)->coming.append(QString::fromUtf8(name));
        },
        [](void *data, kde_output_order_v1 *) {
            auto *self = static_cast<KWinOutputOrder *>(data);
            self->setNames(std::exchange(self->coming, QStringList()));
        },
    };
    // The whole first order has come when this returns.
    order = reinterpret_cast<kde_output_order_v1 *>(WaylandGlobal::bind(kde_output_order_v1_interface, 1, [this](wl_proxy *proxy) {
        kde_output_order_v1_add_listener(reinterpret_cast<kde_output_order_v1 *>(proxy), &listener, this);
    }));
}

KWinOutputOrder::~KWinOutputOrder()
{
    if (order) {
        kde_output_order_v1_destroy(order);
    }
}
