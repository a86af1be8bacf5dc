// SPDX-License-Identifier: GPL-2.0-or-later
#include "x11screens.h"

#include "x11application.h"

#include <QGuiApplication>
#include <QScreen>
#include <qpa/qplatformnativeinterface.h>
#include <qpa/qplatformscreen.h>

#include <xcb/xcb.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <memory>
#include <vector>

namespace
{
template<typename Reply>
using ReplyPointer = std::unique_ptr<Reply, decltype(&std::free)>;

template<typename Reply>
ReplyPointer<Reply> owned(Reply *reply)
{
    return ReplyPointer<Reply>(reply, &std::free);
}

// Every root window of the display that holds one of the application's screens, once each.
std::vector<xcb_window_t> rootWindows()
{
    std::vector<xcb_window_t> roots;
    for (QScreen *screen : QGuiApplication::screens()) {
        const xcb_window_t root = X11Screens::rootWindow(screen);
        if (root != XCB_WINDOW_NONE && std::find(roots.begin(), roots.end(), root) == roots.end()) {
            roots.push_back(root);
        }
    }
    return roots;
}

// The screen of @p root that holds @p point, in the X server's pixels, else the nearest one.
QScreen *screenAt(xcb_window_t root, const QPoint &point)
{
    QScreen *nearest = nullptr;
    int nearestDistance = INT_MAX;
    for (QScreen *screen : QGuiApplication::screens()) {
        if (X11Screens::rootWindow(screen) != root) {
            continue;
        }
        // The platform screen's geometry is in the X server's pixels, also when Qt scales.
        const QRect area = screen->handle()->geometry();
        const int dx = point.x() < area.left() ? area.left() - point.x() : qMax(0, point.x() - area.right());
        const int dy = point.y() < area.top() ? area.top() - point.y() : qMax(0, point.y() - area.bottom());
        if (dx + dy < nearestDistance) {
            nearest = screen;
            nearestDistance = dx + dy;
        }
    }
    return nearest;
}

xcb_atom_t activeWindowAtom(xcb_connection_t *connection)
{
    static const char name[] = "_NET_ACTIVE_WINDOW";
    const auto reply = owned(xcb_intern_atom_reply(connection, xcb_intern_atom(connection, true, sizeof name - 1, name), nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

// The window manager's active window on @p root; none when it names none or there is no
// window manager that keeps the property.
xcb_window_t managersActiveWindow(xcb_connection_t *connection, xcb_window_t root, xcb_atom_t atom)
{
    if (atom == XCB_ATOM_NONE) {
        return XCB_WINDOW_NONE;
    }
    const auto reply = owned(xcb_get_property_reply(connection, xcb_get_property(connection, false, root, atom, XCB_ATOM_WINDOW, 0, 1), nullptr));
    if (!reply || reply->format != 32 || xcb_get_property_value_length(reply.get()) < int(sizeof(xcb_window_t))) {
        return XCB_WINDOW_NONE;
    }
    return *static_cast<const xcb_window_t *>(xcb_get_property_value(reply.get()));
}

// The screen that holds the centre of @p window, null when the window is gone.
QScreen *screenOfWindow(xcb_connection_t *connection, xcb_window_t window)
{
    const auto geometry = owned(xcb_get_geometry_reply(connection, xcb_get_geometry(connection, window), nullptr));
    if (!geometry) {
        return nullptr;
    }
    const auto centre = owned(xcb_translate_coordinates_reply(
        connection,
        xcb_translate_coordinates(connection, window, geometry->root, int16_t(geometry->width / 2), int16_t(geometry->height / 2)),
        nullptr));
    if (!centre) {
        return nullptr;
    }
    return screenAt(geometry->root, QPoint(centre->dst_x, centre->dst_y));
}
}

namespace X11Screens
{
QScreen *activeWindowScreen()
{
    xcb_connection_t *connection = X11Application::connection();
    if (!connection) {
        return nullptr;
    }
    const xcb_atom_t atom = activeWindowAtom(connection);
    const auto focus = owned(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
    const xcb_window_t focused = focus ? focus->focus : xcb_window_t(XCB_WINDOW_NONE);
    if (focused != XCB_WINDOW_NONE && focused != XCB_INPUT_FOCUS_POINTER_ROOT) {
        const auto geometry = owned(xcb_get_geometry_reply(connection, xcb_get_geometry(connection, focused), nullptr));
        if (geometry) {
            // A window manager's own idea is the client window itself, where the focus may rest
            // on a frame or a focus proxy.
            const xcb_window_t active = managersActiveWindow(connection, geometry->root, atom);
            if (active != XCB_WINDOW_NONE) {
                if (QScreen *screen = screenOfWindow(connection, active)) {
                    return screen;
                }
            }
            return screenOfWindow(connection, focused);
        }
    }
    // No window has the focus, or it follows the pointer: a window manager may still name one.
    for (const xcb_window_t root : rootWindows()) {
        const xcb_window_t active = managersActiveWindow(connection, root, atom);
        if (active != XCB_WINDOW_NONE) {
            if (QScreen *screen = screenOfWindow(connection, active)) {
                return screen;
            }
        }
    }
    return nullptr;
}

QScreen *pointerScreen()
{
    xcb_connection_t *connection = X11Application::connection();
    if (!connection) {
        return nullptr;
    }
    for (const xcb_window_t root : rootWindows()) {
        const auto pointer = owned(xcb_query_pointer_reply(connection, xcb_query_pointer(connection, root), nullptr));
        // The pointer is on one X screen of the display at a time.
        if (pointer && pointer->same_screen) {
            return screenAt(root, QPoint(pointer->root_x, pointer->root_y));
        }
    }
    return nullptr;
}

quint32 rootWindow(QScreen *screen)
{
    if (!screen || !X11Application::isPlatformX11()) {
        return XCB_WINDOW_NONE;
    }
    return quint32(reinterpret_cast<quintptr>(QGuiApplication::platformNativeInterface()->nativeResourceForScreen("rootwindow", screen)));
}
}
