// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QSizeF>
#include <QString>
#include <QStringView>

class QFont;

/**
 * The part of a plain text that could ever be seen in an area of the given size, with room to
 * spare: a text of megabytes (anybody on the session bus can send one) would otherwise be
 * laid out in full, several times, while the daemon's only thread waits.
 *
 * The cut is never inside what could be visible: it keeps as many paragraphs as the area has
 * lines, and letters that laid end to end are wider than all those lines together (measured
 * generously: kerning may take off a fifth, and letters of scripts that join or stack count as
 * the font's narrowest). So the kept text still overflows the area, which cuts and marks it
 * the same way as the whole text. Characters that take no room (blanks, accents, joiners,
 * zero-width spaces) have a limit of their own, as many as the narrowest letters fill the
 * area, so a text made only of them costs no more than others.
 */
QString displayableText(const QString &text, const QFont &font, const QSizeF &area);

/**
 * @p text with every paragraph longer than @p width cut after enough characters to stay
 * longer than @p width: the shape of the text unwrapped, as far as a window up to @p width
 * wide can tell. Paragraphs that are not cut keep their exact width.
 */
QString shortenedParagraphs(const QString &text, const QFont &font, qreal width);

/// The number of lines of @p text unwrapped: one more than its line and paragraph breaks.
int unwrappedLineCount(QStringView text);
