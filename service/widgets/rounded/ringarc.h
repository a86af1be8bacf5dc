// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QtGlobal>

/**
 * The part of a progress ring that a value covers, in QPainterPath's angle convention: degrees,
 * 0 at three o'clock, positive counter-clockwise, so 90 is the top and a negative sweep runs
 * clockwise.
 *
 * Kept apart from the widget so that the geometry can be checked as numbers.
 */
struct RingArc {
    enum Kind {
        None, ///< nothing to draw over the track
        Partial, ///< an arc from startAngle over sweepLength
        Full, ///< the whole circle
    };

    Kind kind = None;
    qreal startAngle = 0;
    qreal sweepLength = 0;

    /**
     * The arc for value in minimum..maximum on a ring of the given line thickness in a widget of
     * the given height.
     *
     * The fraction is value / (maximum - minimum): the value itself, not its distance from the
     * minimum. An empty or inverted range, a negative fraction or one below 0.001 draw nothing; a
     * fraction of 0.999 or more, or beyond 1, the full circle.
     *
     * A partial arc starts a gap angle to the right of the top and its sweep is shortened by two
     * gap angles, so that its round caps stay one pixel clear of the vertical line through the
     * top. On a ring too small for that gap (height below 2 + 2 x thickness) the gap is 0 and the
     * arc starts right at the top.
     */
    static RingArc forValue(int minimum, int maximum, int value, int lineThickness, int height);
};
