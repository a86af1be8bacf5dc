// SPDX-License-Identifier: GPL-2.0-or-later
#include "scaledimages.h"

#include <QtMath>

#include <array>

namespace ScaledImages
{
QImage boxFiltered(const QImage &image, const QSize &size)
{
    const QImage source = image.convertToFormat(QImage::Format_RGB32);
    QImage result(size, QImage::Format_RGB32);
    const double fx = double(source.width()) / size.width();
    const double fy = double(source.height()) / size.height();
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            std::array<double, 3> sum{};
            double weights = 0;
            const double left = x * fx;
            const double top = y * fy;
            for (int sy = int(top); sy < qMin(source.height(), qCeil(top + fy)); ++sy) {
                const double h = qMin(top + fy, sy + 1.0) - qMax(top, double(sy));
                for (int sx = int(left); sx < qMin(source.width(), qCeil(left + fx)); ++sx) {
                    const double weight = h * (qMin(left + fx, sx + 1.0) - qMax(left, double(sx)));
                    const QRgb pixel = source.pixel(sx, sy);
                    sum[0] += weight * qRed(pixel);
                    sum[1] += weight * qGreen(pixel);
                    sum[2] += weight * qBlue(pixel);
                    weights += weight;
                }
            }
            result.setPixel(x, y, qRgb(qRound(sum[0] / weights), qRound(sum[1] / weights), qRound(sum[2] / weights)));
        }
    }
    return result;
}

QString sameLook(const QImage &scaled, const QImage &reference, int tolerance, double share)
{
    const QImage filtered = boxFiltered(scaled, reference.size());
    const QImage expected = reference.convertToFormat(QImage::Format_RGB32);
    int off = 0;
    for (int y = 0; y < expected.height(); ++y) {
        for (int x = 0; x < expected.width(); ++x) {
            const QRgb a = filtered.pixel(x, y);
            const QRgb b = expected.pixel(x, y);
            off += qAbs(qRed(a) - qRed(b)) > tolerance || qAbs(qGreen(a) - qGreen(b)) > tolerance || qAbs(qBlue(a) - qBlue(b)) > tolerance;
        }
    }
    const int pixels = expected.width() * expected.height();
    if (off <= share * pixels) {
        return QString();
    }
    return QStringLiteral("%1 of %2 pixels differ by more than %3").arg(off).arg(pixels).arg(tolerance);
}

bool finerThanGrid(const QImage &image, const QRect &area, int factor)
{
    for (int y = area.top(); y + factor <= area.top() + area.height(); y += factor) {
        for (int x = area.left(); x + factor <= area.left() + area.width(); x += factor) {
            const QRgb first = image.pixel(x, y);
            for (int i = 0; i < factor * factor; ++i) {
                if (image.pixel(x + i % factor, y + i / factor) != first) {
                    return true;
                }
            }
        }
    }
    return false;
}
}
