// SPDX-License-Identifier: GPL-2.0-or-later
#include "standardplacement.h"

#include "popupplacement.h"

QSize StandardPlacement::maximumSize(const QRect &available)
{
    return PopupPlacement::maximumSize(available);
}

QPoint StandardPlacement::position(const QRect &available, const QSize &window)
{
    // Integer halves truncate toward zero, as QRect::center() does for the area.
    const QPoint centre = available.center();
    const int x = centre.x() - (window.width() - 1) / 2;
    const int y = centre.y() - (window.height() - 1) / 2 + int(available.height() * 0.45 - window.height() / 2);
    return QPoint(x, y);
}
