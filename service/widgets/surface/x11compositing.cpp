// SPDX-License-Identifier: GPL-2.0-or-later
#include "x11compositing.h"

#include "x11application.h"

#include <QCoreApplication>

#include <xcb/xcb.h>
#include <xcb/xfixes.h>

#include <cstdlib>
#include <memory>

namespace
{
template<typename Reply>
std::unique_ptr<Reply, decltype(&std::free)> owned(Reply *reply)
{
    return {reply, &std::free};
}

xcb_window_t rootWindow(xcb_connection_t *connection, int screen)
{
    xcb_screen_iterator_t roots = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (; roots.rem > 0 && screen > 0; --screen) {
        xcb_screen_next(&roots);
    }
    return roots.rem > 0 ? roots.data->root : xcb_window_t(XCB_WINDOW_NONE);
}
}

X11Compositing::X11Compositing(QObject *parent)
    : QObject(parent)
{
    xcb_connection_t *connection = X11Application::connection();
    if (!connection) {
        return;
    }
    const xcb_window_t root = rootWindow(connection, X11Application::defaultScreen());
    const QByteArray name = "_NET_WM_CM_S" + QByteArray::number(X11Application::defaultScreen());
    const xcb_intern_atom_cookie_t atomCookie = xcb_intern_atom(connection, false, name.size(), name.constData());
    const xcb_query_extension_reply_t *fixes = xcb_get_extension_data(connection, &xcb_xfixes_id);
    const bool hasFixes = fixes && fixes->present;
    // The extension answers a client only after it has told its version.
    xcb_xfixes_query_version_cookie_t versionCookie = {};
    if (hasFixes) {
        versionCookie = xcb_xfixes_query_version(connection, XCB_XFIXES_MAJOR_VERSION, XCB_XFIXES_MINOR_VERSION);
    }
    const auto atom = owned(xcb_intern_atom_reply(connection, atomCookie, nullptr));
    if (!atom || root == XCB_WINDOW_NONE) {
        return;
    }
    selection = atom->atom;
    if (hasFixes && owned(xcb_xfixes_query_version_reply(connection, versionCookie, nullptr))) {
        // Selected before the owner is asked: a manager that starts or ends in between is an
        // event, not a change missed.
        xcb_xfixes_select_selection_input(connection,
                                          root,
                                          selection,
                                          XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER | XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY
                                              | XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
        fixesEvent = fixes->first_event;
        QCoreApplication::instance()->installNativeEventFilter(this);
    }
    const auto owner = owned(xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, selection), nullptr));
    active = owner && owner->owner != XCB_WINDOW_NONE;
}

X11Compositing::~X11Compositing()
{
    if (fixesEvent && QCoreApplication::instance()) {
        QCoreApplication::instance()->removeNativeEventFilter(this);
    }
}

bool X11Compositing::isActive() const
{
    return active;
}

void X11Compositing::setActive(bool now)
{
    if (active == now) {
        return;
    }
    active = now;
    Q_EMIT activeChanged(active);
}

#if QT_VERSION_MAJOR >= 6
bool X11Compositing::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
#else
bool X11Compositing::nativeEventFilter(const QByteArray &eventType, void *message, long *)
#endif
{
    if (eventType != "xcb_generic_event_t") {
        return false;
    }
    const auto *event = static_cast<const xcb_generic_event_t *>(message);
    if ((event->response_type & ~0x80) == fixesEvent + XCB_XFIXES_SELECTION_NOTIFY) {
        const auto *notify = reinterpret_cast<const xcb_xfixes_selection_notify_event_t *>(event);
        if (notify->selection == selection) {
            // A manager that ends or loses its window leaves the selection without an owner.
            setActive(notify->subtype == XCB_XFIXES_SELECTION_EVENT_SET_SELECTION_OWNER && notify->owner != XCB_WINDOW_NONE);
        }
    }
    // Qt's own clipboard follows its selections with the same events.
    return false;
}
