// SPDX-License-Identifier: GPL-2.0-or-later
#include "x11fontscale.h"

#include <QList>

#include <xcb/xcb.h>

#include <memory>

namespace X11FontScale
{
qreal dpiFromResources(const QByteArray &resources)
{
    // One resource a line, "name:\tvalue"; xrdb merges, so a name is there at most once.
    const QList<QByteArray> lines = resources.split('\n');
    for (const QByteArray &line : lines) {
        const int colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed() == "Xft.dpi") {
            bool ok = false;
            const qreal dpi = line.mid(colon + 1).trimmed().toDouble(&ok);
            return ok && dpi > 0 ? dpi : 0;
        }
    }
    return 0;
}

void apply()
{
    for (const char *set : {"QT_SCALE_FACTOR", "QT_SCREEN_SCALE_FACTORS", "QT_DEVICE_PIXEL_RATIO"}) {
        if (qEnvironmentVariableIsSet(set)) {
            return;
        }
    }
    const std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)> connection(xcb_connect(nullptr, nullptr), xcb_disconnect);
    if (xcb_connection_has_error(connection.get())) {
        return;
    }
    // The resources are on the first screen's root window, whichever screen is used.
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection.get())).data->root;
    const xcb_get_property_cookie_t cookie = xcb_get_property(connection.get(), false, root, XCB_ATOM_RESOURCE_MANAGER, XCB_ATOM_STRING, 0, 1 << 16);
    const std::unique_ptr<xcb_get_property_reply_t, decltype(&free)> reply(xcb_get_property_reply(connection.get(), cookie, nullptr), free);
    if (!reply || reply->format != 8) {
        return;
    }
    const QByteArray resources(static_cast<const char *>(xcb_get_property_value(reply.get())), xcb_get_property_value_length(reply.get()));
    const qreal scale = dpiFromResources(resources) / 96;
    if (scale > 1) {
        qputenv("QT_SCREEN_SCALE_FACTORS", QByteArray::number(scale));
    }
}
}
