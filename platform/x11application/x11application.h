// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

typedef struct _XDisplay Display;
struct xcb_connection_t;

/// The application's own connection to the X server, when it runs on the xcb platform: what
/// the X11 code of the daemon and of the tests needs, the same with Qt 5 and Qt 6.
namespace X11Application
{
/// Whether the application runs on the xcb platform; every other call answers nothing otherwise.
bool isPlatformX11();
/// Qt's Xlib display, or null off X11.
Display *display();
/// Qt's xcb connection, or null off X11.
xcb_connection_t *connection();
/// The number of the X screen that the display name chose (":0.1" gives 1), or 0 off X11.
int defaultScreen();
}
