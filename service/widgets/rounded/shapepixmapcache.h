// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QColor>
#include <QPixmap>
#include <QSize>

#include <functional>

class QPainter;

/**
 * One antialiased shape that depends only on a size, a colour and a line thickness, such as
 * the ring's track or the badge's disc: drawn once into a transparent pixmap and copied on
 * later paints while those stay the same.
 *
 * Stroking a circle with antialiasing costs several times more than copying its pixels, and a
 * pop-up that follows a volume slider repaints for every step.
 */
class ShapePixmapCache
{
public:
    using Drawing = std::function<void(QPainter *)>;

    /**
     * Paints the shape at (0, 0) of @p painter: from the cached pixmap when @p size, @p color,
     * @p thickness and the device pixel ratio are those it was drawn for, otherwise drawn
     * again first. When no pixmap of that size can be had, the shape is drawn directly.
     */
    void paint(QPainter *painter, const QSize &size, const QColor &color, int thickness, const Drawing &draw);

private:
    QPixmap m_pixmap;
    QSize m_size;
    QColor m_color;
    int m_thickness = -1;
    qreal m_devicePixelRatio = 0;
};
