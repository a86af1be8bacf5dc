// SPDX-License-Identifier: GPL-2.0-or-later
#include "shapepixmapcache.h"

#include <QPaintDevice>
#include <QPainter>

void ShapePixmapCache::paint(QPainter *painter, const QSize &size, const QColor &color, int thickness, const Drawing &draw)
{
    const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    if (m_pixmap.isNull() || size != m_size || color != m_color || thickness != m_thickness || !qFuzzyCompare(ratio, m_devicePixelRatio)) {
        QPixmap pixmap(size * ratio);
        if (pixmap.isNull()) {
            m_pixmap = QPixmap();
            draw(painter);
            return;
        }
        pixmap.setDevicePixelRatio(ratio);
        pixmap.fill(Qt::transparent);
        QPainter pixmapPainter(&pixmap);
        pixmapPainter.setRenderHints(painter->renderHints());
        draw(&pixmapPainter);
        pixmapPainter.end();
        m_pixmap = pixmap;
        m_size = size;
        m_color = color;
        m_thickness = thickness;
        m_devicePixelRatio = ratio;
    }
    painter->drawPixmap(0, 0, m_pixmap);
}
