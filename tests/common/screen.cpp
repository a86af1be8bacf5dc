// SPDX-License-Identifier: GPL-2.0-or-later
#include "screen.h"

#include "stylehelper.h"
#include "x11application.h"

#include <QDir>
#include <QGuiApplication>
#include <QPixmap>
#include <QProcess>
#include <QScreen>

#include <algorithm>
#include <functional>
#include <vector>

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>

QImage grabScreen(const QRect &area)
{
    if (area.isNull()) {
        return QGuiApplication::primaryScreen()->grabWindow(0).toImage();
    }
    return QGuiApplication::primaryScreen()->grabWindow(0, area.x(), area.y(), area.width(), area.height()).toImage();
}

QColor screenPixel(const QPoint &global)
{
    return QColor(grabScreen(QRect(global, QSize(1, 1))).pixel(0, 0));
}

double inkContrast(const QImage &image, const QColor &background)
{
    const size_t enough = 16;
    std::vector<double> contrasts;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            contrasts.push_back(StyleHelper::contrastRatio(background, image.pixelColor(x, y)));
        }
    }
    if (contrasts.size() < enough) {
        return 1.0;
    }
    const auto reached = contrasts.begin() + (enough - 1);
    std::nth_element(contrasts.begin(), reached, contrasts.end(), std::greater<double>());
    return *reached;
}

bool nearColor(const QColor &a, const QColor &b, int tolerance)
{
    return qAbs(a.red() - b.red()) <= tolerance && qAbs(a.green() - b.green()) <= tolerance && qAbs(a.blue() - b.blue()) <= tolerance;
}

QString saveScreenshot(const QImage &image, const QString &name)
{
    const QDir dir = qEnvironmentVariableIsSet("OSD_SCREENSHOT_DIR") ? QDir(qEnvironmentVariable("OSD_SCREENSHOT_DIR")) : QDir::temp();
    const QString path = dir.filePath(QString(name).replace(QLatin1Char(' '), QLatin1Char('-')) + QStringLiteral(".png"));
    image.save(path);
    return path;
}

void setWorkArea(const QRect &area)
{
    Display *display = X11Application::display();
    const Atom workArea = XInternAtom(display, "_NET_WORKAREA", False);
    if (area.isEmpty()) {
        XDeleteProperty(display, DefaultRootWindow(display), workArea);
    } else {
        const long values[] = {area.x(), area.y(), area.width(), area.height()};
        XChangeProperty(display, DefaultRootWindow(display), workArea, XA_CARDINAL, 32, PropModeReplace, reinterpret_cast<const unsigned char *>(values), 4);
    }
    XFlush(display);
}

unsigned long inputFocus()
{
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(X11Application::display(), &focus, &revert);
    return focus;
}

void raiseWindow(unsigned long window)
{
    XRaiseWindow(X11Application::display(), window);
    XFlush(X11Application::display());
}

bool stackedAbove(unsigned long upper, unsigned long lower)
{
    Display *display = X11Application::display();
    Window root = 0;
    Window parent = 0;
    Window *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count)) {
        return false;
    }
    // Bottom to top.
    const Window *upperAt = std::find(children, children + count, upper);
    const Window *lowerAt = std::find(children, children + count, lower);
    const bool above = upperAt != children + count && lowerAt < upperAt;
    XFree(children);
    return above;
}

bool indicatorOn(const char *name)
{
    Display *display = X11Application::display();
    Bool on = False;
    return XkbGetNamedIndicator(display, XInternAtom(display, name, False), nullptr, &on, nullptr, nullptr) && on;
}

bool typeKeys(const QStringList &keys)
{
    QProcess xdotool;
    xdotool.start(QStringLiteral("xdotool"), QStringList{QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("0")} + keys);
    return xdotool.waitForFinished(30000) && xdotool.exitStatus() == QProcess::NormalExit && xdotool.exitCode() == 0;
}

void movePointer(int xScreen, const QPoint &position)
{
    Display *display = X11Application::display();
    XWarpPointer(display, None, RootWindow(display, xScreen), 0, 0, 0, 0, position.x(), position.y());
    XSync(display, False);
}

ActiveWindow::ActiveWindow(int xScreen, How how)
    : root(RootWindow(X11Application::display(), xScreen))
    , how(how)
{
    Display *display = X11Application::display();
    window = XCreateSimpleWindow(display, root, 100, 100, 300, 200, 0, 0, 0);
    XMapWindow(display, window);
    if (how == Focus) {
        // Only a mapped window takes the focus; the server maps it before the next request.
        XSetInputFocus(display, window, RevertToPointerRoot, CurrentTime);
    } else {
        const Atom active = XInternAtom(display, "_NET_ACTIVE_WINDOW", False);
        XChangeProperty(display, root, active, XA_WINDOW, 32, PropModeReplace, reinterpret_cast<const unsigned char *>(&window), 1);
    }
    XSync(display, False);
}

ActiveWindow::~ActiveWindow()
{
    Display *display = X11Application::display();
    if (how == Focus) {
        XSetInputFocus(display, PointerRoot, RevertToPointerRoot, CurrentTime);
    } else {
        XDeleteProperty(display, root, XInternAtom(display, "_NET_ACTIVE_WINDOW", False));
    }
    XDestroyWindow(display, window);
    XSync(display, False);
}
