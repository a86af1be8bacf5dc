// SPDX-License-Identifier: GPL-2.0-or-later
#include "iconcontrast.h"

#include "popupicon.h"

#include <QColor>
#include <QIcon>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <vector>

namespace
{
// Pixels whose channels differ this little are grey: the monochrome part of an icon.
constexpr int greyTolerance = 24;

// Relative luminance of an eight-bit colour, as StyleHelper::contrastRatio works it out, with
// each channel made linear by a table: an icon has a thousand pixels and more.
double luminance(int red, int green, int blue)
{
    static const std::array<double, 256> linear = [] {
        std::array<double, 256> table{};
        for (size_t i = 0; i < table.size(); ++i) {
            const double channel = double(i) / 255.0;
            table[i] = channel <= 0.03928 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
        }
        return table;
    }();
    return 0.2126 * linear[size_t(red)] + 0.7152 * linear[size_t(green)] + 0.0722 * linear[size_t(blue)];
}

// Gives every grey pixel of @p image the colour @p text, keeping its opacity.
void recolorGreys(QImage *image, const QColor &text)
{
    const QRgb rgb = text.rgb() & RGB_MASK;
    for (int y = 0; y < image->height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image->scanLine(y));
        for (int x = 0; x < image->width(); ++x) {
            const QRgb pixel = line[x];
            const int low = std::min({qRed(pixel), qGreen(pixel), qBlue(pixel)});
            const int high = std::max({qRed(pixel), qGreen(pixel), qBlue(pixel)});
            if (qAlpha(pixel) > 0 && high - low <= greyTolerance) {
                line[x] = rgb | (pixel & ~RGB_MASK);
            }
        }
    }
}

// Every pixel of @p image next to a mostly opaque one, and not mostly opaque itself, in @p text.
QImage outlined(const QImage &image, const QColor &text)
{
    QImage result = image;
    const QRgb rgb = text.rgb();
    auto opaque = [&image](int x, int y) {
        return x >= 0 && y >= 0 && x < image.width() && y < image.height() && qAlpha(image.pixel(x, y)) >= 128;
    };
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (opaque(x, y)) {
                continue;
            }
            for (int dy = -1; dy <= 1; ++dy) {
                for (int dx = -1; dx <= 1; ++dx) {
                    if (opaque(x + dx, y + dy)) {
                        result.setPixel(x, y, rgb);
                        dy = dx = 2;
                    }
                }
            }
        }
    }
    return result;
}
}

namespace IconContrast
{
double reached(const QImage &image, const QColor &background)
{
    const size_t enough = 16;
    const QImage pixels = image.convertToFormat(QImage::Format_ARGB32);
    const QRgb under = background.rgb();
    const double backgroundLuminance = luminance(qRed(under), qGreen(under), qBlue(under));
    std::vector<double> contrasts;
    contrasts.reserve(size_t(pixels.width()) * size_t(pixels.height()));
    for (int y = 0; y < pixels.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(pixels.constScanLine(y));
        for (int x = 0; x < pixels.width(); ++x) {
            // Drawn over the background, in the eight bits a channel that the screen shows.
            const int alpha = qAlpha(line[x]);
            const auto over = [alpha](int top, int bottom) {
                return (top * alpha + bottom * (255 - alpha) + 127) / 255;
            };
            const double drawn = luminance(over(qRed(line[x]), qRed(under)), over(qGreen(line[x]), qGreen(under)), over(qBlue(line[x]), qBlue(under)));
            contrasts.push_back((qMax(drawn, backgroundLuminance) + 0.05) / (qMin(drawn, backgroundLuminance) + 0.05));
        }
    }
    if (contrasts.size() < enough) {
        return 1.0;
    }
    const auto reachedBy = contrasts.begin() + (enough - 1);
    std::nth_element(contrasts.begin(), reachedBy, contrasts.end(), std::greater<double>());
    return *reachedBy;
}

QPixmap readable(const QIcon &icon, const QSize &size, qreal ratio, const QColor &background, const QColor &text)
{
    const QPixmap drawn = PopupIcon::pixmapAt(icon, size, ratio);
    if (drawn.isNull() || reached(drawn.toImage(), background) >= minimum) {
        return drawn;
    }
    QImage image = drawn.toImage().convertToFormat(QImage::Format_ARGB32);
    recolorGreys(&image, text);
    if (reached(image, background) < minimum) {
        // Drawn a pixel smaller on each side, so that the outline fits around it; worked in
        // device pixels, so that the outline is a device pixel wide at every ratio.
        QImage smaller(image.size(), QImage::Format_ARGB32);
        smaller.fill(Qt::transparent);
        QImage inner = PopupIcon::pixmapAt(icon, size - QSize(2, 2), ratio).toImage().convertToFormat(QImage::Format_ARGB32);
        inner.setDevicePixelRatio(1);
        recolorGreys(&inner, text);
        QPainter painter(&smaller);
        painter.drawImage(QPointF(qRound(ratio), qRound(ratio)), inner);
        painter.end();
        image = outlined(smaller, text);
    }
    QPixmap result = QPixmap::fromImage(image);
    result.setDevicePixelRatio(drawn.devicePixelRatio());
    return result;
}
}
