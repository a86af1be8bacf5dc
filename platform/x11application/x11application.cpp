// SPDX-License-Identifier: GPL-2.0-or-later
#include "x11application.h"

#include <QGuiApplication>
#include <QtGlobal>

#if QT_VERSION_MAJOR >= 6
// Qt 6 names its native handles through a public interface; Qt 5 through the platform's native
// interface, by the resource names that its xcb platform answers (what Qt 5's X11 Extras module
// asks too, without one more library loaded at every start).
#include <X11/Xlib.h>
#else
#include <qpa/qplatformnativeinterface.h>
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
    return qGuiApp && QGuiApplication::platformName() == QLatin1String("xcb");
}

static void *resource(const char *name)
{
    QPlatformNativeInterface *native = isPlatformX11() ? QGuiApplication::platformNativeInterface() : nullptr;
    return native ? native->nativeResourceForIntegration(name) : nullptr;
}

Display *display()
{
    return static_cast<Display *>(resource("display"));
}

xcb_connection_t *connection()
{
    return static_cast<xcb_connection_t *>(resource("connection"));
}

int defaultScreen()
{
    return int(reinterpret_cast<qintptr>(resource("x11screen")));
}
#endif
}
