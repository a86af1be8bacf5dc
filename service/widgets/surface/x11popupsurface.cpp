// SPDX-License-Identifier: GPL-2.0-or-later
#include "x11popupsurface.h"

#include "primaryscreen.h"
#include "x11application.h"
#include "x11compositing.h"
#include "x11screens.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <xcb/xcb.h>

X11PopupSurface::X11PopupSurface(QWidget *window)
    : PopupSurface(window)
    , raiseTimer(new QTimer(this))
    , compositing(new X11Compositing(this))
{
    raiseTimer->setInterval(100);
    connect(raiseTimer, &QTimer::timeout, this, &X11PopupSurface::raise);
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
// is left to the running timer: a raise of its own would cost an X request and a flush per
// value, and restarting the timer would hold the next re-raise off for as long as values come.
void X11PopupSurface::shown()
{
    if (raiseTimer->isActive()) {
        return;
    }
    raiseTimer->start();
    raise();
}

void X11PopupSurface::hidden()
{
    raiseTimer->stop();
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
// its X requests when it next handles an X event; a window raised over the pop-up sends the
// pop-up none, and the raise would wait in Qt's buffer until the pop-up hides.
void X11PopupSurface::raise()
{
    window->raise();
    if (xcb_connection_t *connection = X11Application::connection()) {
        xcb_flush(connection);
    }
}
