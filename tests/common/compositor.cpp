// SPDX-License-Identifier: GPL-2.0-or-later
#include "compositor.h"
#include "deadlines.h"

#include <X11/Xlib.h>

Compositor::Compositor()
{
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.setStandardOutputFile(QProcess::nullDevice());
}

Compositor::~Compositor()
{
    stop();
}

bool Compositor::start()
{
    process.start(QStringLiteral("picom"), {QStringLiteral("--backend"), QStringLiteral("xrender"), QStringLiteral("--config"), QStringLiteral("/dev/null")});
    return process.waitForStarted(10000 * slowdown());
}

bool Compositor::stop()
{
    if (process.state() == QProcess::NotRunning) {
        return true;
    }
    process.terminate();
    if (process.waitForFinished(10000 * slowdown())) {
        return true;
    }
    process.kill();
    process.waitForFinished(5000);
    return false;
}

bool Compositor::running()
{
    Display *display = XOpenDisplay(nullptr);
    if (!display) {
        return false;
    }
    const bool owned = XGetSelectionOwner(display, XInternAtom(display, "_NET_WM_CM_S0", False)) != None;
    XCloseDisplay(display);
    return owned;
}
