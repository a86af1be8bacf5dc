// SPDX-License-Identifier: GPL-2.0-or-later
#include "ringarc.h"

#include <QtMath>

namespace
{
// Half the angle that the cap of a line of the given thickness, plus one pixel, takes up on a
// ring of the given height, in degrees; 0 where the ring is too small for the cap to fit.
qreal gapAngle(int lineThickness, int height)
{
    const qreal radius = height * 0.5 - lineThickness * 0.5;
    const qreal capReach = 1 + lineThickness * 0.5;
    if (capReach > radius) {
        return 0;
    }
    return qAsin(capReach / radius) * 57.29577951308232;
}
}

RingArc RingArc::forValue(int minimum, int maximum, int value, int lineThickness, int height)
{
    RingArc arc;
    // 64 bits: the span of a range such as INT_MIN..INT_MAX does not fit into an int.
    const qint64 span = qint64(maximum) - qint64(minimum);
    if (span <= 0) {
        return arc;
    }
    qreal fraction = value / qreal(span);
    if (fraction < 0) {
        return arc;
    }
    if (fraction > 1) {
        fraction = 1;
    } else if (fraction < 0.001) {
        return arc;
    }
    if (fraction >= 0.999) {
        arc.kind = Full;
        return arc;
    }
    const qreal gap = gapAngle(lineThickness, height);
    arc.kind = Partial;
    arc.startAngle = 90 - gap;
    arc.sweepLength = -fraction * (360 - 2 * gap);
    return arc;
}
