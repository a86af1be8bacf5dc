// SPDX-License-Identifier: GPL-2.0-or-later
#include "stylehelper.h"

#include "veskintegration.h"

#include <QApplication>
#include <QPainter>
#include <QPixmapCache>
#include <QWidget>

#include <cmath>
#include <vector>

QColor StyleHelper::m_baseColor = QColor(10, 123, 210);
QColor StyleHelper::m_requestedBaseColor;
bool StyleHelper::lightColored = false;

namespace
{
// The integer form of a scaled HSV component. The product is taken at single precision so that
// values such as 245 × 0.7 = 171.5 truncate the same way on every platform.
int clampChannel(float value)
{
    if (value > 255.0f) {
        return 255;
    }
    const int channel = static_cast<int>(value);
    return channel < 0 ? 0 : channel;
}

QColor scaledHsv(const QColor &color, double valueFactor, double saturationFactor)
{
    const int value = clampChannel(static_cast<float>(color.value() * valueFactor));
    const int saturation = clampChannel(static_cast<float>(color.saturation() * saturationFactor));
    QColor result;
    result.setHsv(color.hue(), saturation, value, 255);
    return result;
}

// One pass of a box blur along a row or column of 8-bit values; pixels outside count as 0.
void boxBlurLine(uchar *line, int length, int stride, int halfWidth, std::vector<int> &copy)
{
    copy.resize(length);
    for (int i = 0; i < length; ++i) {
        copy[i] = line[i * stride];
    }
    const int window = 2 * halfWidth + 1;
    int sum = 0;
    for (int i = 0; i <= halfWidth && i < length; ++i) {
        sum += copy[i];
    }
    for (int i = 0; i < length; ++i) {
        line[i * stride] = static_cast<uchar>(sum / window);
        const int entering = i + halfWidth + 1;
        const int leaving = i - halfWidth;
        if (entering < length) {
            sum += copy[entering];
        }
        if (leaving >= 0) {
            sum -= copy[leaving];
        }
    }
}

// Three box blurs come close to a Gaussian blur of the given radius.
void blurAlpha(QImage &mask, int radius)
{
    const int halfWidth = qMax(1, radius / 2);
    std::vector<int> copy;
    for (int pass = 0; pass < 3; ++pass) {
        for (int y = 0; y < mask.height(); ++y) {
            boxBlurLine(mask.scanLine(y), mask.width(), 1, halfWidth, copy);
        }
        for (int x = 0; x < mask.width(); ++x) {
            boxBlurLine(mask.bits() + x, mask.height(), mask.bytesPerLine(), halfWidth, copy);
        }
    }
}

// The icon with its shadow, in device pixels: the icon sits @p radius pixels from every edge.
QPixmap renderIconWithShadow(const QPixmap &iconPixmap, int radius, const QColor &color, const QPoint &offset)
{
    const QSize size = iconPixmap.size() + QSize(2 * radius, 2 * radius);

    QImage mask(size, QImage::Format_Alpha8);
    mask.fill(0);
    {
        QPainter painter(&mask);
        painter.drawPixmap(radius, radius, iconPixmap);
    }
    if (radius > 0) {
        blurAlpha(mask, radius);
    }

    QImage shadow(size, QImage::Format_ARGB32_Premultiplied);
    shadow.fill(color);
    {
        QPainter painter(&shadow);
        painter.setCompositionMode(QPainter::CompositionMode_DestinationIn);
        painter.drawImage(0, 0, mask);
    }

    QPixmap result(size);
    result.fill(Qt::transparent);
    QPainter painter(&result);
    painter.drawImage(offset, shadow);
    painter.drawPixmap(radius, radius, iconPixmap);
    return result;
}
}

void StyleHelper::setBaseColor(const QColor &color)
{
    m_requestedBaseColor = color;
    if (color.isValid() && color != m_baseColor) {
        m_baseColor = color;
        const QWidgetList widgets = QApplication::topLevelWidgets();
        for (QWidget *widget : widgets) {
            widget->update();
        }
    }
    // Worked out on every call: the desktop's answer for the same colour may have changed.
    lightColored = textColorFor(color.name().toLocal8Bit().toStdString()) != "#FFFFFF";
}

QColor StyleHelper::baseColor()
{
    return m_baseColor;
}

QColor StyleHelper::requestedBaseColor()
{
    return m_requestedBaseColor;
}

QColor StyleHelper::panelTextColor()
{
    return lightColored ? QColor(Qt::black) : QColor(Qt::white);
}

QColor StyleHelper::highlightColor()
{
    return scaledHsv(m_baseColor, lightColored ? 1.06 : 1.16, 1.0);
}

QColor StyleHelper::shadowColor()
{
    return scaledHsv(m_baseColor, 0.7, 1.1);
}

QColor StyleHelper::colorOpacity(const QColor &a, const QColor &b, double factor)
{
    const double rest = 1.0 - factor;
    return QColor::fromRgbF(a.redF() * factor + b.redF() * rest, a.greenF() * factor + b.greenF() * rest, a.blueF() * factor + b.blueF() * rest, a.alphaF());
}

// Relative luminance: 0 for black to 1 for white, each channel made linear first.
static double relativeLuminance(const QColor &color)
{
    const auto linear = [](double channel) {
        return channel <= 0.03928 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(color.redF()) + 0.7152 * linear(color.greenF()) + 0.0722 * linear(color.blueF());
}

double StyleHelper::contrastRatio(const QColor &a, const QColor &b)
{
    const double la = relativeLuminance(a);
    const double lb = relativeLuminance(b);
    return (qMax(la, lb) + 0.05) / (qMin(la, lb) + 0.05);
}

QColor StyleHelper::colorLigher(const QColor &color, double step, int count, double low, double high)
{
    double lightness = qMax(qMin(color.lightnessF(), high), low);
    lightness = qBound(0.0, lightness + count * step, 1.0);
    return QColor::fromHslF(color.hslHueF(), color.hslSaturationF(), lightness, color.alphaF());
}

QColor StyleHelper::colorDarker(const QColor &color, double step, int count, double low, double high)
{
    return colorLigher(color, -step, count, low, high);
}

QFont StyleHelper::fontScaled(const QFont &font, double factor)
{
    QFont scaled(font);
    if (font.pixelSize() > 0) {
        scaled.setPixelSize(qRound(font.pixelSize() * factor));
    } else {
        scaled.setPointSize(qRound(font.pointSize() * factor));
    }
    return scaled;
}

int StyleHelper::navigationWidgetHeight()
{
    return 24;
}

QColor StyleHelper::buttonTextColor()
{
    return QColor(0x4c, 0x4c, 0x4c);
}

QColor StyleHelper::sidebarHighlight()
{
    return QColor(255, 255, 255, 40);
}

QColor StyleHelper::sidebarShadow()
{
    return QColor(0, 0, 0, 40);
}

bool StyleHelper::usePixmapCache()
{
    return true;
}

void StyleHelper::drawIconWithShadow(const QIcon &icon,
                                     const QRect &rect,
                                     QPainter *painter,
                                     QIcon::Mode mode,
                                     int radius,
                                     const QColor &color,
                                     const QPoint &offset)
{
    if (!painter || !painter->isActive() || icon.isNull() || rect.isEmpty()) {
        return;
    }
    // Works on any paint device, widget or not; the picture is made at the device's pixel ratio.
    const qreal ratio = painter->device()->devicePixelRatioF();
    const int deviceRadius = qRound(qMax(0, radius) * ratio);
    const QPoint deviceOffset = offset * ratio;

    // Everything that shapes the picture is part of the key, so that the same icon drawn with
    // another shadow is not handed the first one.
    const QString key =
        QStringLiteral("icon %0 %1 %2 %3")
            .arg(icon.cacheKey())
            .arg(static_cast<int>(mode))
            .arg(QStringLiteral("%1x%2@%3").arg(rect.width()).arg(rect.height()).arg(ratio))
            .arg(QStringLiteral("%1 %2 %3,%4").arg(deviceRadius).arg(color.rgba(), 8, 16, QLatin1Char('0')).arg(deviceOffset.x()).arg(deviceOffset.y()));

    QPixmap picture;
    if (!QPixmapCache::find(key, &picture)) {
        QPixmap iconPixmap = icon.pixmap(rect.size() * ratio, mode);
        iconPixmap.setDevicePixelRatio(1.0);
        picture = renderIconWithShadow(iconPixmap, deviceRadius, color, deviceOffset);
        picture.setDevicePixelRatio(ratio);
        QPixmapCache::insert(key, picture);
    }

    QRectF target(QPointF(0, 0), QSizeF(picture.size()) / ratio);
    target.moveCenter(QRectF(rect).center());
    painter->drawPixmap(target, picture, QRectF(picture.rect()));
}
