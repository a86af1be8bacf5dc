// SPDX-License-Identifier: GPL-2.0-or-later
#include "roundedprogressbar.h"

#include "ringarc.h"
#include "shapepixmapcache.h"

#include <QPainter>
#include <QPainterPath>

class RoundedProgressBarPrivate
{
public:
    int minimum = 0;
    int maximum = 100;
    int value = 0;
    int lineThickness = 6;
    // The track is the same circle on every paint; only the arc over it follows the value.
    ShapePixmapCache track;
};

namespace
{
QPen ringPen(const QColor &color, int thickness)
{
    QPen pen(color);
    pen.setWidth(thickness);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
}

QPainterPath circlePath(const QRectF &rect)
{
    QPainterPath path;
    path.arcMoveTo(rect, 0);
    path.arcTo(rect, 0, 360);
    return path;
}
}

RoundedProgressBar::RoundedProgressBar(QWidget *parent, Qt::WindowFlags flags)
    : QWidget(parent, flags)
    , d(std::make_unique<RoundedProgressBarPrivate>())
{
    init();
}

RoundedProgressBar::~RoundedProgressBar() = default;

void RoundedProgressBar::init()
{
}

int RoundedProgressBar::minimum() const
{
    return d->minimum;
}

int RoundedProgressBar::maximum() const
{
    return d->maximum;
}

int RoundedProgressBar::value() const
{
    return d->value;
}

int RoundedProgressBar::lineThickness() const
{
    return d->lineThickness;
}

void RoundedProgressBar::setLineThickness(int thickness)
{
    thickness = qMax(0, thickness);
    if (d->lineThickness == thickness) {
        return;
    }
    d->lineThickness = thickness;
    update();
}

void RoundedProgressBar::setRange(int minimum, int maximum)
{
    setMinimum(minimum);
    setMaximum(maximum);
}

void RoundedProgressBar::setMinimum(int minimum)
{
    if (d->minimum == minimum) {
        return;
    }
    d->minimum = minimum;
    update();
}

void RoundedProgressBar::setMaximum(int maximum)
{
    if (d->maximum == maximum) {
        return;
    }
    d->maximum = maximum;
    update();
}

void RoundedProgressBar::setValue(int value)
{
    if (d->value == value) {
        return;
    }
    d->value = value;
    Q_EMIT valueChanged(value);
    update();
}

QRectF RoundedProgressBar::lineRect() const
{
    const qreal t = d->lineThickness;
    return QRectF(t * 0.5 + 1, t * 0.5 + 1, width() - 2 - t, height() - 2 - t);
}

void RoundedProgressBar::paintEvent(QPaintEvent *)
{
    // A widget no larger than its ring's line has no room for a ring: draw nothing rather than
    // an inverted ellipse.
    if (lineRect().isEmpty()) {
        return;
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    drawBackgroundBar(&painter);
    drawForegroundBar(&painter);
}

void RoundedProgressBar::drawBackgroundBar(QPainter *painter)
{
    const QColor color = palette().color(QPalette::Current, QPalette::Window);
    const QRectF rect = lineRect();
    const int thickness = d->lineThickness;
    d->track.paint(painter, size(), color, thickness, [&](QPainter *target) {
        target->save();
        target->strokePath(circlePath(rect), ringPen(color, thickness));
        target->restore();
    });
}

void RoundedProgressBar::drawForegroundBar(QPainter *painter)
{
    const RingArc arc = RingArc::forValue(d->minimum, d->maximum, d->value, d->lineThickness, height());
    if (arc.kind == RingArc::None) {
        return;
    }
    const QRectF rect = lineRect();
    painter->save();
    const QPen pen = ringPen(palette().color(QPalette::Current, QPalette::WindowText), d->lineThickness);
    if (arc.kind == RingArc::Full) {
        painter->strokePath(circlePath(rect), pen);
    } else {
        QPainterPath path;
        path.arcMoveTo(rect, arc.startAngle);
        path.arcTo(rect, arc.startAngle, arc.sweepLength);
        painter->strokePath(path, pen);
    }
    painter->restore();
}
