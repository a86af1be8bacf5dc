// SPDX-License-Identifier: GPL-2.0-or-later
#include "outputorder.h"

#include "wayland-kde-output-order-v1-client-protocol.h"
#include "waylandglobal.h"

#include <wayland-client.h>

#include <utility>

class OutputOrderPrivate
{
public:
    explicit OutputOrderPrivate(OutputOrder *q);
    ~OutputOrderPrivate();

    static const kde_output_order_v1_listener orderListener;

    OutputOrder *const q;
    kde_output_order_v1 *order = nullptr;
    QStringList names;
    /// The order KWin is sending, until it says it is complete.
    QStringList coming;
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

OutputOrder::OutputOrder(QObject *parent)
    : QObject(parent)
    , d(std::make_unique<OutputOrderPrivate>(this))
{
    // The whole first order has come when this returns.
    d->order = reinterpret_cast<kde_output_order_v1 *>(WaylandGlobal::bind(kde_output_order_v1_interface, 1, [this](wl_proxy *order) {
        kde_output_order_v1_add_listener(reinterpret_cast<kde_output_order_v1 *>(order), &OutputOrderPrivate::orderListener, d.get());
    }));
}

OutputOrder::~OutputOrder() = default;

QStringList OutputOrder::names() const
{
    return d->names;
}
