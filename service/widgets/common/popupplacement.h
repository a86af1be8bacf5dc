// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

class QString;

/**
 * Where a pop-up of either style sits on its screen's available area.
 *
 * A pop-up is never larger than 60 % of the area's width by 80 % of its height. A caller may
 * name one of nine positions by a word; each is a row of one table, numbered in its order, that
 * gives the word and the place on each axis: the near edge, the centre or the far edge, kept at
 * a margin from the edges.
 */
class PopupPlacement
{
public:
    static QSize maximumSize(const QRect &available);

    /// The row whose word @p word is, in any case and with blanks around it; 0 (north) for
    /// any other word.
    static int positionFromWord(const QString &word);
    /// The top-left corner of a window of size @p window at row @p position of the table (a
    /// number outside it is placed as north), @p margin pixels inside the edges of
    /// @p available. A centre is the area's, truncated, less half the window, rounded.
    static QPoint position(int position, const QRect &available, const QSize &window, int margin);
};
