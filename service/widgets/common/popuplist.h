// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QList>
#include <QMargins>
#include <QString>
#include <QWidget>

#include <memory>

class PopupListPrivate;

/// One row of a list that a pop-up shows: a name and its value, e.g. a display and its brightness.
struct PopupListRow {
    QString label;
    QString value;
    /// The row that the pop-up is about: drawn in bold.
    bool marked = false;

    bool operator==(const PopupListRow &other) const
    {
        return label == other.label && value == other.value && marked == other.marked;
    }
    bool operator!=(const PopupListRow &other) const
    {
        return !(*this == other);
    }
};

/**
 * Rows of a name and a value on a rounded background, in the pop-up's text colours (the
 * palette's Text on its Button colour, as the text of both styles): the names in a column at
 * the start of the rows, the values in a column at their end, each value ending at the same
 * edge; mirrored in a right-to-left layout. A name too wide for the widget ends in an ellipsis,
 * so that its value stays in sight; each name is laid out in its own writing direction, apart
 * from the rest of its row.
 */
class PopupList : public QWidget
{
    Q_OBJECT
public:
    explicit PopupList(QWidget *parent = nullptr);
    ~PopupList() override;

    QList<PopupListRow> rows() const;
    void setRows(const QList<PopupListRow> &rows);
    /// Room between the edge of the background and the rows.
    void setPadding(const QMargins &padding);
    void setBorderRadius(qreal radius);

    /// Where the name of row @p row is drawn, and how much of it fits.
    QRectF labelRect(int row) const;
    QString shownLabel(int row) const;
    /// Where the value of row @p row is drawn, aligned to the rows' end.
    QRectF valueRect(int row) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void changeEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    qreal rowTop(int row) const;
    /// @p leftToRight as laid out in the widget's direction.
    QRectF mirrored(const QRectF &leftToRight) const;

    std::unique_ptr<PopupListPrivate> const d;
};
