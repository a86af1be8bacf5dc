// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

/**
 * Where the standard pop-up sits on a screen: centred horizontally, with its bottom edge 45 %
 * of the available height below the centre of the available area (about 5 % above its
 * bottom), and never larger than 60 % by 80 % of that area.
 */
class StandardPlacement
{
public:
    static QSize maximumSize(const QRect &available);
    static QPoint position(const QRect &available, const QSize &window);
};
