// SPDX-License-Identifier: GPL-2.0-or-later
#include "x11popupsurface.h"

#include "primaryscreen.h"
#include "x11application.h"
#include "x11compositing.h"
#include "x11screens.h"
#include "x11stackwatcher.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <xcb/xcb.h>

X11PopupSurface::X11PopupSurface(QWidget *window)
    : PopupSurface(window)
    , raiseLater(new QTimer(this))
    , stackWatcher(new X11StackWatcher(this))
    , compositing(new X11Compositing(this))
{
    raiseLater->setSingleShot(true);
    connect(raiseLater, &QTimer::timeout, this, &X11PopupSurface::raise);
    connect(stackWatcher, &X11StackWatcher::siblingChanged, this, &X11PopupSurface::raiseSoon);
    connect(compositing, &X11Compositing::activeChanged, this, &PopupSurface::compositingChanged);
}

void X11PopupSurface::moveTo(const QPoint &position)
{
    window->move(position);
}

bool X11PopupSurface::isCompositing() const
{
    return compositing->isActive();
}

bool X11PopupSurface::masksShape() const
{
    return true;
}

// A window shown again while it shows (a new value every few milliseconds while a key is held)
// is still on top, or about to be raised: nothing came over it unseen.
void X11PopupSurface::shown()
{
    if (showing) {
        return;
    }
    showing = true;
    stackWatcher->watch(X11Screens::rootWindow(window->screen()), quint32(window->winId()));
    raise();
}

void X11PopupSurface::hidden()
{
    showing = false;
    raiseLater->stop();
    stackWatcher->stop();
}

QScreen *X11PopupSurface::chosenScreen(OsdConfig::ScreenChoice choice) const
{
    QScreen *screen = choice == OsdConfig::ScreenChoice::Active ? X11Screens::activeWindowScreen() : nullptr;
    if (!screen) {
        screen = X11Screens::pointerScreen();
    }
    return screen ? screen : PrimaryScreen::instance()->screen();
}

// A screen of another X screen of the display (another root window) is reached only by making
// the window there; a window about to be shown is moved before it maps. A shown window stays on
// its X screen: making it anew would show it a second time.
void X11PopupSurface::followedScreenChanged()
{
    QScreen *target = screen();
    if (!target || window->isVisible() || window->screen() == target || window->screen()->virtualSiblings().contains(target)) {
        return;
    }
    window->winId();
    window->windowHandle()->setScreen(target);
}

// Raising only: activating the window would take the keyboard focus from the user's
// application on a desktop without a window manager that honours the focus hints. Qt sends
// its X requests when it next handles an X event: a raise at the end of a hold-off would wait
// in its buffer for one.
void X11PopupSurface::raise()
{
    raiseLater->stop();
    window->raise();
    if (xcb_connection_t *connection = X11Application::connection()) {
        xcb_flush(connection);
    }
    lastRaise.start();
}

// At most ten raises a second: a window that keeps itself on top in the same way would
// otherwise trade places with the pop-up as fast as both can. Nothing wakes the daemon while
// no window comes over the pop-up.
void X11PopupSurface::raiseSoon()
{
    static const qint64 holdOffMs = 100;
    if (raiseLater->isActive()) {
        return;
    }
    const qint64 sinceLast = lastRaise.isValid() ? lastRaise.elapsed() : holdOffMs;
    if (sinceLast >= holdOffMs) {
        raise();
    } else {
        raiseLater->start(int(holdOffMs - sinceLast));
    }
}
