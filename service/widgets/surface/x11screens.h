// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QtGlobal>

class QScreen;

/**
 * Where the user is looking on an X11 display, asked of the X server: the screen of the active
 * window, or the one under the mouse pointer.
 *
 * Each X screen of the display (each root window) may hold several screens of Qt's, one per
 * monitor; a window or the pointer belongs to the one of its root window that holds its centre,
 * or to the nearest one of them. Both answer null when the X server cannot tell, and only on the
 * X11 platform.
 */
namespace X11Screens
{
/// The screen of the window that the keyboard goes to: the window manager's active window
/// ("_NET_ACTIVE_WINDOW") of the X screen with the input focus, else the focus window itself.
QScreen *activeWindowScreen();
/// The screen under the mouse pointer.
QScreen *pointerScreen();
/// The root window of the X screen that holds @p screen.
quint32 rootWindow(QScreen *screen);
}
