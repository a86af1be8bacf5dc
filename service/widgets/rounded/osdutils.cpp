// SPDX-License-Identifier: GPL-2.0-or-later
#include "osdutils.h"

#include <QBitmap>
#include <QImage>

namespace
{
// A monochrome image in which index 0 marks the pixels that belong to the region, all of them
// to begin with. The colour table is set explicitly because QBitmap takes black (Qt::color1)
// as "set", and a region holds a bitmap's set pixels.
QImage regionImage(int width, int height)
{
    QImage image(width, height, QImage::Format_Mono);
    if (image.isNull()) {
        return image;
    }
    image.setColorCount(2);
    image.setColor(0, QColor(Qt::black).rgb());
    image.setColor(1, QColor(Qt::white).rgb());
    image.fill(0);
    return image;
}

QRegion regionOf(const QImage &image)
{
    return QRegion(QBitmap::fromImage(image, Qt::MonoOnly));
}
}

QRegion OsdUtils::roundedRect(const QRect &rect, int radiusX, int radiusY)
{
    const int w = rect.width();
    const int h = rect.height();
    if (w <= 0 || h <= 0) {
        return QRegion();
    }
    QImage image = regionImage(w, h);
    if (image.isNull()) {
        return QRegion();
    }
    // 64 bits so that the magnitude of INT_MIN exists; the corner loops stop at the image's
    // edge, so a radius larger than the rectangle costs no more than the rectangle itself.
    const qint64 rx = qAbs(qint64(radiusX));
    const qint64 ry = qAbs(qint64(radiusY));
    const int columns = int(qMin<qint64>(rx, w));
    const int rows = int(qMin<qint64>(ry, h));
    for (int i = 0; i < columns; ++i) {
        const qreal a = qreal(rx - i) * qreal(rx - i) / (qreal(rx) * qreal(rx));
        for (int j = 0; j < rows; ++j) {
            // Distances are taken from the pixel's outer corner rather than its centre, which at
            // a threshold of 1 would cut away the whole first row and column; the threshold of
            // 1.1 makes up for that.
            if (qreal(ry - j) * qreal(ry - j) / (qreal(ry) * qreal(ry)) + a > 1.1) {
                image.setPixel(i, j, 1);
                image.setPixel(w - 1 - i, j, 1);
                image.setPixel(i, h - 1 - j, 1);
                image.setPixel(w - 1 - i, h - 1 - j, 1);
            }
        }
    }
    return regionOf(image);
}

QRegion OsdUtils::ellipse(const QRect &rect, double outerRadius, double innerRadius)
{
    const int w = rect.width();
    const int h = rect.height();
    if (w <= 0 || h <= 0 || !(outerRadius > 0)) {
        return QRegion();
    }
    QImage image = regionImage(w, h);
    if (image.isNull()) {
        return QRegion();
    }
    const double outer2 = outerRadius * outerRadius;
    const bool ring = innerRadius > 0;
    const double inner2 = innerRadius * innerRadius;
    // The centre is taken in the image's own coordinates: the image, and so the region, starts
    // at (0, 0) whatever the rectangle's position.
    const double cx = w / 2.0;
    const double cy = h / 2.0;
    for (int r = 0; r < h; ++r) {
        const double dy = r + 0.5 - cy;
        for (int c = 0; c < w; ++c) {
            const double dx = c + 0.5 - cx;
            const double d2 = dx * dx + dy * dy;
            if (!(d2 < outer2 && (!ring || d2 >= inner2))) {
                image.setPixel(c, r, 1);
            }
        }
    }
    return regionOf(image);
}
