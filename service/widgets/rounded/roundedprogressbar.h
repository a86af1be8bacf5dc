// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QWidget>
#include <memory>

class QPainter;
class RoundedProgressBarPrivate;

/**
 * A ring-shaped progress indicator: a full circular track in the palette's Window colour and,
 * over it, an arc in the WindowText colour that starts at the top and grows clockwise with the
 * value. Both have round ends; a small gap at the top keeps the arc's end caps from touching
 * until the value reaches the full circle.
 *
 * A widget that leaves no room beside the line (width or height at most 2 + lineThickness)
 * draws nothing; one that is too low for the gap (height below 2 + 2 x lineThickness) draws
 * the arc from the top without it.
 */
class RoundedProgressBar : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(int minimum READ minimum WRITE setMinimum)
    Q_PROPERTY(int maximum READ maximum WRITE setMaximum)
    Q_PROPERTY(int value READ value WRITE setValue NOTIFY valueChanged)
public:
    explicit RoundedProgressBar(QWidget *parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());
    ~RoundedProgressBar() override;

    int minimum() const;
    int maximum() const;
    int value() const;

    int lineThickness() const;
    /// Width of the ring in pixels; a negative width is taken as 0, a hairline.
    void setLineThickness(int thickness);

    /// The rectangle whose inscribed ellipse the ring's centre line follows; the ring then keeps
    /// one pixel free to the widget's edge.
    virtual QRectF lineRect() const;

Q_SIGNALS:
    void valueChanged(int value);

public Q_SLOTS:
    void setRange(int minimum, int maximum);
    void setMinimum(int minimum);
    void setMaximum(int maximum);
    void setValue(int value);

protected:
    void paintEvent(QPaintEvent *e) override;

    void drawBackgroundBar(QPainter *painter);
    void drawForegroundBar(QPainter *painter);

private:
    void init();

    std::unique_ptr<RoundedProgressBarPrivate> const d;
};
