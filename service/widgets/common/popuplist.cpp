// SPDX-License-Identifier: GPL-2.0-or-later
#include "popuplist.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QPainter>
#include <QtMath>

class PopupListPrivate
{
public:
    QList<PopupListRow> rows;
    QMargins padding;
    qreal radius = 12;

    // What the rows measure in the current font; worked out again after a change.
    bool measured = false;
    qreal lineHeight = 0;
    qreal rowSpacing = 0;
    qreal gap = 0;
    qreal labelWidth = 0;
    qreal minimumLabelWidth = 0;
    qreal valueWidth = 0;

    void measure(const QFont &font);
    static QFont rowFont(const QFont &font, const PopupListRow &row);
};

QFont PopupListPrivate::rowFont(const QFont &font, const PopupListRow &row)
{
    QFont shown = font;
    if (row.marked) {
        shown.setBold(true);
    }
    return shown;
}

void PopupListPrivate::measure(const QFont &font)
{
    if (measured) {
        return;
    }
    measured = true;
    QFont bold = font;
    bold.setBold(true);
    const QFontMetricsF metrics(font);
    lineHeight = qMax(metrics.height(), QFontMetricsF(bold).height());
    rowSpacing = qRound(lineHeight / 4);
    // About an em between the longest name and the values.
    gap = qRound(metrics.height());
    labelWidth = 0;
    valueWidth = 0;
    for (const PopupListRow &row : std::as_const(rows)) {
        const QFontMetricsF rowMetrics(rowFont(font, row));
        labelWidth = qMax(labelWidth, rowMetrics.horizontalAdvance(row.label));
        valueWidth = qMax(valueWidth, rowMetrics.horizontalAdvance(row.value));
    }
    // A name may shrink to a few letters and its ellipsis, never below.
    minimumLabelWidth = qMin(labelWidth, metrics.horizontalAdvance(QStringLiteral("XXXXX\u2026")));
}

PopupList::PopupList(QWidget *parent)
    : QWidget(parent)
    , d(std::make_unique<PopupListPrivate>())
{
}

PopupList::~PopupList() = default;

QList<PopupListRow> PopupList::rows() const
{
    return d->rows;
}

void PopupList::setRows(const QList<PopupListRow> &rows)
{
    if (d->rows == rows) {
        return;
    }
    d->rows = rows;
    d->measured = false;
    updateGeometry();
    update();
}

void PopupList::setPadding(const QMargins &padding)
{
    if (d->padding == padding) {
        return;
    }
    d->padding = padding;
    updateGeometry();
    update();
}

void PopupList::setBorderRadius(qreal radius)
{
    if (qFuzzyCompare(d->radius, radius)) {
        return;
    }
    d->radius = radius;
    update();
}

QRectF PopupList::labelRect(int row) const
{
    d->measure(font());
    const qreal available = width() - d->padding.left() - d->padding.right() - d->gap - d->valueWidth;
    return mirrored(QRectF(d->padding.left(), rowTop(row), qMax<qreal>(0, available), d->lineHeight));
}

QString PopupList::shownLabel(int row) const
{
    const PopupListRow &shown = d->rows.at(row);
    const QFontMetricsF metrics(PopupListPrivate::rowFont(font(), shown));
    const qreal available = labelRect(row).width();
    if (metrics.horizontalAdvance(shown.label) <= available) {
        return shown.label;
    }
    // The elided text may come out a fraction of a pixel wider than asked for.
    QString elided = metrics.elidedText(shown.label, Qt::ElideRight, available);
    for (qreal width = available - 1; width > 0 && metrics.horizontalAdvance(elided) > available; --width) {
        elided = metrics.elidedText(shown.label, Qt::ElideRight, width);
    }
    return elided;
}

QRectF PopupList::valueRect(int row) const
{
    d->measure(font());
    return mirrored(QRectF(width() - d->padding.right() - d->valueWidth, rowTop(row), d->valueWidth, d->lineHeight));
}

qreal PopupList::rowTop(int row) const
{
    return d->padding.top() + row * (d->lineHeight + d->rowSpacing);
}

QRectF PopupList::mirrored(const QRectF &leftToRight) const
{
    if (layoutDirection() == Qt::LeftToRight) {
        return leftToRight;
    }
    return QRectF(width() - leftToRight.right(), leftToRight.top(), leftToRight.width(), leftToRight.height());
}

QSize PopupList::sizeHint() const
{
    d->measure(font());
    return QSize(qCeil(d->labelWidth + d->gap + d->valueWidth) + d->padding.left() + d->padding.right(), minimumSizeHint().height());
}

QSize PopupList::minimumSizeHint() const
{
    d->measure(font());
    const int count = d->rows.size();
    const qreal rowsHeight = count > 0 ? count * d->lineHeight + (count - 1) * d->rowSpacing : 0;
    return QSize(qCeil(d->minimumLabelWidth + d->gap + d->valueWidth) + d->padding.left() + d->padding.right(),
                 qCeil(rowsHeight) + d->padding.top() + d->padding.bottom());
}

void PopupList::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    switch (event->type()) {
    case QEvent::FontChange:
    case QEvent::StyleChange:
        d->measured = false;
        updateGeometry();
        update();
        break;
    case QEvent::LayoutDirectionChange:
        update();
        break;
    default:
        break;
    }
}

void PopupList::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor background = palette().color(QPalette::Button);
    painter.setPen(background);
    painter.setBrush(background);
    painter.drawRoundedRect(QRectF(rect()), d->radius, d->radius, Qt::AbsoluteSize);

    painter.setPen(palette().color(QPalette::Text));
    const bool rightToLeft = layoutDirection() == Qt::RightToLeft;
    const int start = Qt::AlignAbsolute | (rightToLeft ? Qt::AlignRight : Qt::AlignLeft);
    const int end = Qt::AlignAbsolute | (rightToLeft ? Qt::AlignLeft : Qt::AlignRight);
    for (int row = 0; row < d->rows.size(); ++row) {
        const PopupListRow &shown = d->rows.at(row);
        painter.setFont(PopupListPrivate::rowFont(font(), shown));
        // A name keeps to its own direction, whatever the direction of the rows.
        painter.setLayoutDirection(shown.label.isRightToLeft() ? Qt::RightToLeft : Qt::LeftToRight);
        painter.drawText(labelRect(row), start | Qt::AlignVCenter | Qt::TextSingleLine, shownLabel(row));
        painter.setLayoutDirection(layoutDirection());
        painter.drawText(valueRect(row), end | Qt::AlignVCenter | Qt::TextSingleLine, shown.value);
    }
}
