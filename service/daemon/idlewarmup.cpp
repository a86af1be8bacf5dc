// SPDX-License-Identifier: GPL-2.0-or-later
#include "idlewarmup.h"

#include "osdservice_debug.h"

#include <QElapsedTimer>
#include <QTimerEvent>

IdleWarmUp::IdleWarmUp(std::vector<Step> steps, int delayMs, QObject *parent)
    : QObject(parent)
    , steps(std::move(steps))
{
    timer.start(delayMs, this);
}

bool IdleWarmUp::isFinished() const
{
    return next == steps.size();
}

void IdleWarmUp::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != timer.timerId()) {
        QObject::timerEvent(event);
        return;
    }
    if (!isFinished()) {
        QElapsedTimer took;
        took.start();
        steps[next++]();
        qCDebug(OSD_SERVICE) << "warm-up step" << next << "of" << steps.size() << "took" << took.nsecsElapsed() / 1000 << "us";
    }
    if (isFinished()) {
        timer.stop();
        Q_EMIT finished();
        return;
    }
    // A zero timer fires in the next pass of the event loop, after what has come in meanwhile.
    timer.start(0, this);
}
