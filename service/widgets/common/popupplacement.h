// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "popupposition.h"

#include <QPoint>
#include <QRect>
#include <QSize>

/**
 * Where a pop-up of either style sits on its screen's available area.
 *
 * A pop-up is never larger than 60 % of the area's width by 80 % of its height. Each of the
 * nine positions places it on each axis at the near edge, the centre or the far edge, kept at
 * a margin from the edges.
 */
class PopupPlacement
{
public:
    /// The margin, in logical pixels, unless the "Margin" setting gives another.
    static constexpr int defaultMargin = 40;

    static QSize maximumSize(const QRect &available);

    /// The top-left corner of a window of size @p window at @p position, @p margin pixels
    /// inside the edges of @p available. A centre is the area's, truncated, less half the
    /// window, rounded. A margin too large for the room beside the window is cut to half that
    /// room, so that the window stays inside the area.
    static QPoint position(PopupPosition::Position position, const QRect &available, const QSize &window, int margin);
};
