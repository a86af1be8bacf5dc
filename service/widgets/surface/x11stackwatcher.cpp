// SPDX-License-Identifier: GPL-2.0-or-later
#include "x11stackwatcher.h"

#include "x11application.h"

#include <QCoreApplication>

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

X11StackWatcher::X11StackWatcher(QObject *parent)
    : QObject(parent)
{
}

X11StackWatcher::~X11StackWatcher()
{
    stop();
    if (maskedRoot && QCoreApplication::instance()) {
        QCoreApplication::instance()->removeNativeEventFilter(this);
    }
}

void X11StackWatcher::watch(quint32 root, quint32 window)
{
    xcb_connection_t *connection = X11Application::connection();
    if (!connection || root == XCB_WINDOW_NONE || (root == watchedRoot && window == watchedWindow)) {
        return;
    }
    stop();
    // Qt selects its root window events once, at start: read once per root window, its mask
    // stays right for every later show.
    if (root != maskedRoot) {
        const std::unique_ptr<xcb_get_window_attributes_reply_t, decltype(&std::free)> attributes(
            xcb_get_window_attributes_reply(connection, xcb_get_window_attributes(connection, root), nullptr),
            &std::free);
        if (!attributes) {
            return;
        }
        if (!maskedRoot) {
            QCoreApplication::instance()->installNativeEventFilter(this);
        }
        maskedRoot = root;
        qtMask = attributes->your_event_mask;
    }
    watchedRoot = root;
    watchedWindow = window;
    selectOnRoot(qtMask | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY);
}

void X11StackWatcher::stop()
{
    if (!watchedRoot) {
        return;
    }
    selectOnRoot(qtMask);
    xcb_flush(X11Application::connection());
    watchedRoot = 0;
    watchedWindow = 0;
}

void X11StackWatcher::selectOnRoot(quint32 mask)
{
    xcb_change_window_attributes(X11Application::connection(), watchedRoot, XCB_CW_EVENT_MASK, &mask);
}

#if QT_VERSION_MAJOR >= 6
bool X11StackWatcher::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
#else
bool X11StackWatcher::nativeEventFilter(const QByteArray &eventType, void *message, long *)
#endif
{
    if (eventType != "xcb_generic_event_t") {
        return false;
    }
    const auto *event = static_cast<const xcb_generic_event_t *>(message);
    // Every substructure event names the window it was selected on, then the child it is about.
    struct ChildEvent {
        uint8_t response_type;
        uint8_t pad0;
        uint16_t sequence;
        xcb_window_t parent;
        xcb_window_t child;
    };
    const auto *childEvent = reinterpret_cast<const ChildEvent *>(event);
    bool over = false;
    switch (event->response_type & ~0x80) {
    case XCB_MAP_NOTIFY:
    case XCB_CONFIGURE_NOTIFY:
        over = true;
        break;
    case XCB_CIRCULATE_NOTIFY:
        over = reinterpret_cast<const xcb_circulate_notify_event_t *>(event)->place == XCB_PLACE_ON_TOP;
        break;
    case XCB_REPARENT_NOTIFY:
        over = reinterpret_cast<const xcb_reparent_notify_event_t *>(event)->parent == childEvent->parent;
        break;
    case XCB_CREATE_NOTIFY:
    case XCB_DESTROY_NOTIFY:
    case XCB_UNMAP_NOTIFY:
    case XCB_GRAVITY_NOTIFY:
        break;
    default:
        return false;
    }
    // The root window's own events (Qt's structure events) name it twice.
    if (childEvent->parent != maskedRoot || childEvent->child == maskedRoot) {
        return false;
    }
    // The watched window's own restacking comes back as well.
    if (over && watchedRoot && childEvent->child != watchedWindow) {
        Q_EMIT siblingChanged();
    }
    // Qt did not ask for the root window's children: it would take their moves for moves of the
    // root window, were it one of its windows.
    return !(qtMask & XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY);
}
