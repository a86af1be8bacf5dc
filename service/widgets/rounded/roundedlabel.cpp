// SPDX-License-Identifier: GPL-2.0-or-later
#include "roundedlabel.h"

#include "devicepixelratiowatch.h"
#include "labelfit.h"
#include "popupicon.h"
#include "shapepixmapcache.h"

#include <QEvent>
#include <QHash>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

#include <algorithm>
#include <memory>
#include <vector>

// A theme icon as shown in the badge: rendered and recoloured for its size and ink.
struct RecolouredIcon {
    qint64 cacheKey = 0;
    QString theme;
    QSize size;
    qreal ratio = 0;
    QRgb ink = 0;
    QPixmap pixmap;
};

class RoundedLabelPrivate
{
public:
    static bool isDarkColor(const QColor &color);
    static bool isLightColor(const QColor &color);

    // Recolouring reads and writes every pixel; a pop-up that alternates between a few icons
    // (volume and a switch) takes them from here. A theme icon keeps its cache key across a
    // change of the icon theme, so the theme's name is part of what is compared.
    static const int recolouredLimit = 4;
    std::vector<RecolouredIcon> recoloured;

    QIcon icon;
    QPixmap pixmap;
    bool pixmapMode = false;
    bool roundedBackgroundVisible = true;
    bool customPixmapClipEnabled = true;
    QSize standartIconSize = QSize(24, 24);
    QLabel *iconView = nullptr;
    QLabel *percentageView = nullptr;
    DevicePixelRatioWatch *iconRatio = nullptr;
    std::unique_ptr<LabelFit> percentageFit;
    // The disc behind the icon, the same on every paint until the size or colour changes.
    ShapePixmapCache disc;
};

// A fifth of the channel range, compared in 8-bit channels: Qt 6 gives the fractional channels
// as float, where 51/255 comes out a little above 0.2 and would move the boundary.
bool RoundedLabelPrivate::isDarkColor(const QColor &color)
{
    return color.red() <= 51 && color.green() <= 51 && color.blue() <= 51;
}

bool RoundedLabelPrivate::isLightColor(const QColor &color)
{
    return color.red() >= 204 && color.green() >= 204 && color.blue() >= 204;
}

namespace
{
enum class ColorClass {
    None,
    Dark,
    Light,
};

ColorClass colorClass(QRgb rgb)
{
    const QColor color(rgb);
    if (RoundedLabelPrivate::isDarkColor(color)) {
        return ColorClass::Dark;
    }
    if (RoundedLabelPrivate::isLightColor(color)) {
        return ColorClass::Light;
    }
    return ColorClass::None;
}

// The most frequent RGB value among the visible pixels of an ARGB32 image. Columns are visited
// left to right, each from top to bottom, and a colour only takes over when its count is
// strictly higher, so of two equally frequent colours the one that got there first wins. With
// no visible pixel at all the answer stays the colour of pixel (0, 0).
QRgb dominantColor(const QImage &image)
{
    const auto pixelAt = [&image](int x, int y) {
        return reinterpret_cast<const QRgb *>(image.constScanLine(y))[x];
    };
    QRgb dominant = pixelAt(0, 0) & RGB_MASK;
    int dominantCount = 0;
    QHash<QRgb, int> counts;
    for (int x = 0; x < image.width(); ++x) {
        for (int y = 0; y < image.height(); ++y) {
            const QRgb pixel = pixelAt(x, y);
            if (qAlpha(pixel) == 0) {
                continue;
            }
            const QRgb rgb = pixel & RGB_MASK;
            const int count = ++counts[rgb];
            if (count > dominantCount) {
                dominant = rgb;
                dominantCount = count;
            }
        }
    }
    return dominant;
}

// Gives every pixel of the given class the RGB of color. Alpha is kept, so antialiased edges
// of line art stay smooth; this needs an ARGB32 image, whose colours are not premultiplied.
void recolor(QImage *image, ColorClass cls, const QColor &color)
{
    const QRgb rgb = color.rgb() & RGB_MASK;
    for (int y = 0; y < image->height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image->scanLine(y));
        for (int x = 0; x < image->width(); ++x) {
            if (colorClass(line[x]) == cls) {
                line[x] = (line[x] & ~RGB_MASK) | rgb;
            }
        }
    }
}

// The pixmap scaled to cover inner (keeping its aspect ratio, as Qt::KeepAspectRatioByExpanding
// does) and centred on a canvas of size canvas; topLeft receives where to draw it. When the
// scaled image would stick out of the canvas, only the source pixels that show are scaled, so
// that a very long or tall image does not become a huge pixmap of which almost nothing is seen.
QPixmap coverPart(const QPixmap &pixmap, const QSize &inner, const QSize &canvas, QPoint *topLeft)
{
    // 64 bits: the long side of a thin image scaled this way can exceed the range of int.
    const qint64 pw = pixmap.width();
    const qint64 ph = pixmap.height();
    qint64 cw = qint64(inner.height()) * pw / ph;
    qint64 ch = inner.height();
    if (cw < inner.width()) {
        cw = inner.width();
        ch = qint64(inner.width()) * ph / pw;
    }
    const qint64 cx = (canvas.width() - cw) / 2;
    const qint64 cy = (canvas.height() - ch) / 2;
    if (cx >= 0 && cy >= 0) {
        *topLeft = QPoint(int(cx), int(cy));
        return pixmap.scaled(int(cw), int(ch), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }

    const qreal sx = qreal(pw) / cw;
    const qreal sy = qreal(ph) / ch;
    const qint64 vx = qMax<qint64>(cx, 0);
    const qint64 vy = qMax<qint64>(cy, 0);
    const QRectF visibleSource((vx - cx) * sx,
                               (vy - cy) * sy,
                               (qMin<qint64>(cx + cw, canvas.width()) - vx) * sx,
                               (qMin<qint64>(cy + ch, canvas.height()) - vy) * sy);
    const QRect source = visibleSource.toAlignedRect() & pixmap.rect();
    // Whole source pixels reach a little beyond the visible part; the painter's clip cuts that.
    const qint64 left = cx + qRound64(source.left() / sx);
    const qint64 top = cy + qRound64(source.top() / sy);
    const qint64 right = cx + qRound64((source.left() + source.width()) / sx);
    const qint64 bottom = cy + qRound64((source.top() + source.height()) / sy);
    *topLeft = QPoint(int(left), int(top));
    return pixmap.copy(source).scaled(int(right - left), int(bottom - top), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}
}

RoundedLabel::RoundedLabel(QWidget *parent, Qt::WindowFlags flags)
    : QWidget(parent, flags)
    , d(std::make_unique<RoundedLabelPrivate>())
{
    init();
}

RoundedLabel::~RoundedLabel() = default;

void RoundedLabel::init()
{
    d->iconView = new QLabel(this);
    d->iconView->setObjectName(QStringLiteral("iconView"));
    d->iconView->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    d->iconView->setAlignment(Qt::AlignCenter);
    d->iconView->setAttribute(Qt::WA_NoSystemBackground);
    d->iconView->setAttribute(Qt::WA_TranslucentBackground);
    d->iconRatio = new DevicePixelRatioWatch(d->iconView, [this] {
        updateIcon();
    });

    d->percentageView = new QLabel(this);
    d->percentageView->setObjectName(QStringLiteral("percentageView"));
    d->percentageView->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
    d->percentageView->setTextFormat(Qt::PlainText);
    d->percentageView->setWordWrap(false);
    d->percentageView->setAlignment(Qt::AlignCenter);
    d->percentageView->setAttribute(Qt::WA_NoSystemBackground);
    d->percentageView->setAttribute(Qt::WA_TranslucentBackground);

    auto *layout = new QVBoxLayout(this);
    // The larger bottom margin lifts the text clear of the disc's lower curve.
    layout->setContentsMargins(4, 4, 4, 8);
    layout->setSpacing(2);
    layout->addWidget(d->iconView, 0, Qt::AlignCenter);
    layout->addWidget(d->percentageView, 0, Qt::AlignCenter);

    // A new number of the same size lays nothing out anew.
    d->percentageFit = std::make_unique<LabelFit>(d->percentageView);

    // Gives the icon view its size from the start, not only with the first icon.
    updateIcon();
}

QIcon RoundedLabel::icon() const
{
    return d->icon;
}

void RoundedLabel::setIcon(const QIcon &icon)
{
    // No equality test: QIcon has none, and the same icon may render differently after a theme
    // change.
    d->icon = icon;
    d->pixmapMode = false;
    updateIcon();
}

void RoundedLabel::setPixmap(const QPixmap &pixmap)
{
    d->pixmap = pixmap;
    d->pixmapMode = !pixmap.isNull();
    // Without this a null pixmap would leave the previous custom image on show whenever there
    // is no icon to fall back to.
    if (!d->pixmapMode) {
        d->iconView->setPixmap(QPixmap());
    }
    updateIcon();
}

QSize RoundedLabel::standartIconSize() const
{
    return d->standartIconSize;
}

void RoundedLabel::setStandartIconSize(const QSize &size)
{
    if (d->standartIconSize == size) {
        return;
    }
    d->standartIconSize = size;
    updateIcon();
}

void RoundedLabel::setCustomPixmapClipEnabled(bool enabled)
{
    if (d->customPixmapClipEnabled == enabled) {
        return;
    }
    d->customPixmapClipEnabled = enabled;
    updateIcon();
}

void RoundedLabel::setRoundedBackgroundVisible(bool visible)
{
    if (d->roundedBackgroundVisible == visible) {
        return;
    }
    d->roundedBackgroundVisible = visible;
    update();
}

bool RoundedLabel::isIconVisible() const
{
    return d->iconView->isVisibleTo(this);
}

void RoundedLabel::setIconVisible(bool visible)
{
    d->iconView->setVisible(visible);
}

bool RoundedLabel::isPercentageVisible() const
{
    return d->percentageView->isVisibleTo(this);
}

void RoundedLabel::setPercentageVisible(bool visible)
{
    d->percentageView->setVisible(visible);
}

QString RoundedLabel::percentageText() const
{
    return d->percentageView->text();
}

void RoundedLabel::setPercentageText(const QString &text)
{
    d->percentageFit->setText(text);
}

bool RoundedLabel::event(QEvent *e)
{
    const bool result = QWidget::event(e);
    if (e->type() == QEvent::PaletteChange) {
        updateIcon();
    } else if (e->type() == QEvent::FontChange) {
        updateFont();
    } else if (e->type() == QEvent::StyleChange && d->percentageFit) {
        d->percentageFit->refit();
    }
    return result;
}

void RoundedLabel::paintEvent(QPaintEvent *e)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (d->roundedBackgroundVisible) {
        drawRoundedBackground(&painter);
    }
    QWidget::paintEvent(e);
}

void RoundedLabel::resizeEvent(QResizeEvent *e)
{
    QWidget::resizeEvent(e);
    updateIcon();
}

void RoundedLabel::drawRoundedBackground(QPainter *painter)
{
    // One pixel is left free all round so that the antialiased edge is not cut by the widget.
    const QRect discRect(1, 1, width() - 2, height() - 2);
    if (discRect.isEmpty()) {
        return;
    }
    const QColor color = palette().color(QPalette::Current, QPalette::Window);
    d->disc.paint(painter, size(), color, 0, [&](QPainter *target) {
        target->save();
        target->setPen(color);
        target->setBrush(QBrush(color, Qt::SolidPattern));
        target->drawEllipse(discRect);
        target->restore();
    });
}

void RoundedLabel::updateFont()
{
    d->percentageView->setFont(font());
    if (d->percentageFit) {
        d->percentageFit->refit();
    }
}

void RoundedLabel::updateIcon()
{
    QSize size;
    if (d->standartIconSize.width() >= 0 && d->standartIconSize.height() >= 0) {
        size = d->standartIconSize;
        d->iconView->setFixedSize(size);
    } else {
        size = d->iconView->size();
        d->iconView->setMinimumSize(24, 24);
        d->iconView->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    }

    // Made at the view's device pixels, so that the picture stays sharp on a scaled screen.
    const qreal ratio = d->iconRatio->ratio();
    if (d->pixmapMode) {
        const int w = d->iconView->width();
        const int h = d->iconView->height();
        if (w <= 0 || h <= 0) {
            d->iconView->setPixmap(QPixmap());
            return;
        }
        if (!d->customPixmapClipEnabled) {
            const QSize fitted = d->pixmap.size().scaled(w, h, Qt::KeepAspectRatio);
            d->iconView->setPixmap(PopupIcon::imageAt(d->pixmap, fitted, ratio));
            return;
        }
        // In device pixels from here on. The inset leaves a margin to the badge's rim where
        // the image's sides run; the circle clip rounds off its corners.
        const QSize device = (QSizeF(w, h) * ratio).toSize();
        const int inset = qRound(qMax(2, qRound(qMin(w, h) * 0.08)) * ratio);
        const QSize inner(qMax(1, device.width() - 2 * inset), qMax(1, device.height() - 2 * inset));
        QPoint topLeft;
        const QPixmap cover = coverPart(d->pixmap, inner, device, &topLeft);

        // An image rather than a pixmap: only an image reports a failed allocation, which a
        // view too large for memory causes; it then shows nothing.
        QImage canvas(device, QImage::Format_ARGB32_Premultiplied);
        if (canvas.isNull()) {
            d->iconView->setPixmap(QPixmap());
            return;
        }
        canvas.fill(Qt::transparent);
        QPainter painter(&canvas);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath circle;
        circle.addEllipse(canvas.rect());
        painter.setClipPath(circle, Qt::ReplaceClip);
        painter.drawPixmap(topLeft, cover);
        painter.end();
        canvas.setDevicePixelRatio(ratio);
        d->iconView->setPixmap(QPixmap::fromImage(canvas));
        return;
    }

    if (d->icon.isNull()) {
        return;
    }
    const QColor ink = palette().color(QPalette::Current, QPalette::WindowText);
    const RecolouredIcon wanted{d->icon.cacheKey(), QIcon::themeName(), size, ratio, ink.rgba(), QPixmap()};
    auto &cache = d->recoloured;
    const auto found = std::find_if(cache.begin(), cache.end(), [&wanted](const RecolouredIcon &entry) {
        return entry.cacheKey == wanted.cacheKey && entry.size == wanted.size && entry.ratio == wanted.ratio && entry.ink == wanted.ink
            && entry.theme == wanted.theme;
    });
    if (found != cache.end()) {
        d->iconView->setPixmap(found->pixmap);
        return;
    }
    // ARGB32 rather than the premultiplied format: recolouring replaces RGB and keeps alpha.
    QImage image = PopupIcon::pixmapAt(d->icon, size, ratio).toImage().convertToFormat(QImage::Format_ARGB32);
    if (image.width() < 2 || image.height() < 2) {
        d->iconView->setPixmap(QPixmap());
        return;
    }
    const ColorClass cls = colorClass(dominantColor(image));
    if (cls != ColorClass::None) {
        recolor(&image, cls, ink);
    }
    image.setDevicePixelRatio(ratio);
    const QPixmap pixmap = QPixmap::fromImage(image);
    if (int(cache.size()) == RoundedLabelPrivate::recolouredLimit) {
        cache.erase(cache.begin());
    }
    cache.push_back(wanted);
    cache.back().pixmap = pixmap;
    d->iconView->setPixmap(pixmap);
}
