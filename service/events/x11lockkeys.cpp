// SPDX-License-Identifier: GPL-2.0-or-later
#include "x11lockkeys.h"

#include "x11application.h"

#include <QCoreApplication>

// The XKB header names a field "explicit", which is a word of C++.
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit

#include <cstdlib>
#include <memory>

namespace
{
const LockKey keys[] = {LockKey::Caps, LockKey::Num, LockKey::Scroll};
const char *const indicatorNames[] = {"Caps Lock", "Num Lock", "Scroll Lock"};

template<typename Reply>
std::unique_ptr<Reply, decltype(&std::free)> owned(Reply *reply)
{
    return {reply, &std::free};
}
}

X11LockKeys::X11LockKeys(std::function<void(LockKeys)> changed)
    : changed(std::move(changed))
{
    xcb_connection_t *connection = X11Application::connection();
    if (!connection) {
        return;
    }
    const xcb_query_extension_reply_t *extension = xcb_get_extension_data(connection, &xcb_xkb_id);
    if (!extension || !extension->present) {
        return;
    }
    // The indicators' names go with the extension's request: one round trip for both.
    const xcb_xkb_use_extension_cookie_t use = xcb_xkb_use_extension(connection, XCB_XKB_MAJOR_VERSION, XCB_XKB_MINOR_VERSION);
    xcb_intern_atom_cookie_t cookies[3];
    for (int i = 0; i < 3; ++i) {
        cookies[i] = xcb_intern_atom(connection, false, qstrlen(indicatorNames[i]), indicatorNames[i]);
    }
    const auto used = owned(xcb_xkb_use_extension_reply(connection, use, nullptr));
    if (!used || !used->supported) {
        for (const xcb_intern_atom_cookie_t cookie : cookies) {
            xcb_discard_reply(connection, cookie.sequence);
        }
        return;
    }
    for (int i = 0; i < 3; ++i) {
        const auto atom = owned(xcb_intern_atom_reply(connection, cookies[i], nullptr));
        names[i] = atom ? atom->atom : xcb_atom_t(XCB_ATOM_NONE);
    }
    // Only the indicator events are selected: the selection of the other XKB events, which Qt
    // keeps for its keyboard, stays as it is.
    xcb_xkb_select_events_details_t details = {};
    details.affectIndicatorState = 0xffffffff;
    details.indicatorStateDetails = 0xffffffff;
    xcb_xkb_select_events_aux(connection, XCB_XKB_ID_USE_CORE_KBD, XCB_XKB_EVENT_TYPE_INDICATOR_STATE_NOTIFY, 0, 0, 0, 0, &details);
    xkbEvent = extension->first_event;
    QCoreApplication::instance()->installNativeEventFilter(this);
}

X11LockKeys::~X11LockKeys()
{
    if (xkbEvent && QCoreApplication::instance()) {
        QCoreApplication::instance()->removeNativeEventFilter(this);
    }
}

bool X11LockKeys::isWatching() const
{
    return xkbEvent != 0;
}

LockKeys X11LockKeys::states() const
{
    LockKeys on;
    if (!xkbEvent) {
        return on;
    }
    xcb_connection_t *connection = X11Application::connection();
    xcb_xkb_get_named_indicator_cookie_t cookies[3];
    for (int i = 0; i < 3; ++i) {
        cookies[i] = xcb_xkb_get_named_indicator(connection, XCB_XKB_ID_USE_CORE_KBD, XCB_XKB_LED_CLASS_DFLT_XI_CLASS, XCB_XKB_ID_DFLT_XI_ID, names[i]);
    }
    for (int i = 0; i < 3; ++i) {
        const auto indicator = owned(xcb_xkb_get_named_indicator_reply(connection, cookies[i], nullptr));
        if (indicator && indicator->found && indicator->on) {
            on |= keys[i];
        }
    }
    return on;
}

#if QT_VERSION_MAJOR >= 6
bool X11LockKeys::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
#else
bool X11LockKeys::nativeEventFilter(const QByteArray &eventType, void *message, long *)
#endif
{
    if (eventType != "xcb_generic_event_t") {
        return false;
    }
    const auto *event = static_cast<const xcb_generic_event_t *>(message);
    if ((event->response_type & ~0x80) == xkbEvent
        && reinterpret_cast<const xcb_xkb_indicator_state_notify_event_t *>(event)->xkbType == XCB_XKB_INDICATOR_STATE_NOTIFY) {
        changed(states());
    }
    // Qt's keyboard takes its own XKB events as before.
    return false;
}
