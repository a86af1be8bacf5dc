// SPDX-License-Identifier: GPL-2.0-or-later
#include "framepacer.h"

#include <QCoreApplication>
#include <QEvent>
#include <QScreen>
#include <QTimerEvent>
#include <QWidget>

#include <cmath>

namespace
{
// What Qt assumes when a screen does not tell its refresh rate.
constexpr qreal defaultRefreshRate = 60.0;
}

FramePacer::FramePacer(QWidget *window)
    : QObject(window)
    , window(window)
{
    window->installEventFilter(this);
}

qint64 FramePacer::frameNs() const
{
    const QScreen *screen = window->screen();
    const qreal rate = screen ? screen->refreshRate() : 0.0;
    // A rate that is no rate at all (Xvfb reports whatever it was given) falls back on 60 Hz.
    return qint64(1e9 / (rate >= 1.0 && rate <= 1000.0 ? rate : defaultRefreshRate));
}

bool FramePacer::eventFilter(QObject *watched, QEvent *event)
{
    // Qt sends one UpdateRequest to the window for all its changed widgets; handling it paints
    // them and hands the result to the screen.
    if (watched != window || event->type() != QEvent::UpdateRequest || releasing) {
        return false;
    }
    if (heldPaint.isActive()) {
        // The held paint shows this change as well.
        return true;
    }
    const qint64 frame = frameNs();
    if (sinceLastPaint.isValid() && sinceLastPaint.nsecsElapsed() < frame) {
        const qint64 remainingNs = frame - sinceLastPaint.nsecsElapsed();
        heldPaint.start(int(std::ceil(remainingNs / 1e6)), Qt::PreciseTimer, this);
        return true;
    }
    sinceLastPaint.start();
    return false;
}

void FramePacer::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != heldPaint.timerId()) {
        QObject::timerEvent(event);
        return;
    }
    heldPaint.stop();
    sinceLastPaint.start();
    // Qt marks a window that has a paint request on its way and posts no second one until that
    // request is handled: the held request is handed over now, so the marker is cleared as well.
    releasing = true;
    QEvent request(QEvent::UpdateRequest);
    QCoreApplication::sendEvent(window, &request);
    releasing = false;
}
