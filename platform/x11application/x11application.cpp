// SPDX-License-Identifier: GPL-2.0-or-later
#include "x11application.h"

#include <QGuiApplication>
#include <QtGlobal>

#if QT_VERSION_MAJOR >= 6
// Qt 6 names its native handles through a public interface; Qt 5 through the X11 Extras module.
#include <X11/Xlib.h>
#else
#include <QX11Info>
#endif

namespace X11Application
{
#if QT_VERSION_MAJOR >= 6
static QNativeInterface::QX11Application *native()
{
    return qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
}

bool isPlatformX11()
{
    return native() != nullptr;
}

Display *display()
{
    QNativeInterface::QX11Application *x11 = native();
    return x11 ? x11->display() : nullptr;
}

xcb_connection_t *connection()
{
    QNativeInterface::QX11Application *x11 = native();
    return x11 ? x11->connection() : nullptr;
}

int defaultScreen()
{
    Display *x11Display = display();
    return x11Display ? DefaultScreen(x11Display) : 0;
}
#else
bool isPlatformX11()
{
    return QX11Info::isPlatformX11();
}

Display *display()
{
    return QX11Info::isPlatformX11() ? QX11Info::display() : nullptr;
}

xcb_connection_t *connection()
{
    return QX11Info::isPlatformX11() ? QX11Info::connection() : nullptr;
}

int defaultScreen()
{
    return QX11Info::isPlatformX11() ? QX11Info::appScreen() : 0;
}
#endif
}
