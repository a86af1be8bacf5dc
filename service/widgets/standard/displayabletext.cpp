// SPDX-License-Identifier: GPL-2.0-or-later
#include "displayabletext.h"

#include <QFontMetricsF>
#include <QHash>
#include <QtMath>

namespace
{

// Narrow letters and marks of the scripts a desktop shows most; a quarter less than the
// narrowest of them leaves room for narrower glyphs of fallback fonts and for kerning.
qreal narrowestAdvance(const QFontMetricsF &metrics)
{
    static const QString samples = QStringLiteral(u"iIl1!|.,:;'`jfıіιוא׀ا");
    qreal narrowest = metrics.averageCharWidth();
    for (const QChar c : samples) {
        const qreal advance = metrics.horizontalAdvance(c);
        if (advance > 0) {
            narrowest = qMin(narrowest, advance);
        }
    }
    return qMax<qreal>(1, narrowest * 0.75);
}

bool takesRoom(uint codePoint)
{
    switch (QChar::category(codePoint)) {
    case QChar::Mark_NonSpacing:
    case QChar::Mark_Enclosing:
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Separator_Space:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return false;
    default:
        return true;
    }
}

bool isLineBreak(uint codePoint)
{
    return codePoint == '\n' || codePoint == '\r' || codePoint == QChar::LineSeparator || codePoint == QChar::ParagraphSeparator;
}

// The code point whose first UTF-16 unit is at @p i, a surrogate pair read as one; @p i is
// left at its last unit. A lone surrogate is a code point of its own.
uint codePointAt(QStringView text, int &i)
{
    const QChar unit = text.at(i);
    if (unit.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
        ++i;
        return QChar::surrogateToUcs4(unit, text.at(i));
    }
    return unit.unicode();
}

// Scripts whose glyphs keep about the width they have on their own; in others (Arabic,
// Indic, Thai, Hangul jamo, ...) joining and conjuncts make text much narrower than its
// letters.
bool keepsLetterWidths(uint codePoint)
{
    switch (QChar::script(codePoint)) {
    case QChar::Script_Common:
    case QChar::Script_Latin:
    case QChar::Script_Greek:
    case QChar::Script_Cyrillic:
    case QChar::Script_Armenian:
    case QChar::Script_Georgian:
    case QChar::Script_Han:
    case QChar::Script_Hiragana:
    case QChar::Script_Katakana:
        return true;
    default:
        return false;
    }
}

} // namespace

QString displayableText(const QString &text, const QFont &font, const QSizeF &area)
{
    const QFontMetricsF metrics(font);
    // A pixel less than the font's line height and one line more: lines are never shorter.
    const qreal lineHeight = qMax<qreal>(1, metrics.ascent() + metrics.descent() - 1);
    const qint64 maxLines = qCeil(area.height() / lineHeight) + 1;
    // The text surely fills the area once its letters, laid end to end, are wider than all
    // lines together. Kerning and ligatures take off a fifth at most; letters of other
    // scripts count as the narrowest letter.
    const qreal maxWidth = maxLines * area.width();
    const qreal narrowest = narrowestAdvance(metrics);
    // Blanks, accents, joiners and the like take no room: as many of them as the narrowest
    // letters would fill the area, more than Thai, Devanagari or emoji sequences have.
    const qint64 maxWithoutRoom = maxLines * qCeil(area.width() / narrowest);
    QHash<uint, qreal> advances;

    qint64 lines = 1;
    qreal width = 0;
    qint64 withoutRoom = 0;
    for (int i = 0; i < text.size(); ++i) {
        const int start = i;
        const uint codePoint = codePointAt(text, i);
        if (isLineBreak(codePoint)) {
            // "\r\n" is one paragraph break.
            if (codePoint == '\r' && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n')) {
                ++i;
            }
            if (++lines > maxLines) {
                return text.left(start);
            }
        } else if (!takesRoom(codePoint)) {
            if (++withoutRoom > maxWithoutRoom) {
                return text.left(start);
            }
        } else {
            qreal advance = narrowest;
            if (keepsLetterWidths(codePoint)) {
                const auto known = advances.constFind(codePoint);
                if (known != advances.constEnd()) {
                    advance = *known;
                } else {
                    const char32_t letterCode = codePoint;
                    const QString letter = QString::fromUcs4(&letterCode, 1);
                    advance = qMax(narrowest, metrics.horizontalAdvance(letter) * 0.8);
                    advances.insert(codePoint, advance);
                }
            }
            width += advance;
            if (width > maxWidth) {
                return text.left(start);
            }
        }
    }
    return text;
}

QString shortenedParagraphs(const QString &text, const QFont &font, qreal width)
{
    const qint64 maxVisible = qCeil(width / narrowestAdvance(QFontMetricsF(font))) + 1;
    QString shortened;
    int copied = 0;
    qint64 visible = 0;
    qint64 withoutRoom = 0;
    for (int i = 0; i < text.size(); ++i) {
        const int start = i;
        const uint codePoint = codePointAt(text, i);
        if (isLineBreak(codePoint)) {
            visible = 0;
            withoutRoom = 0;
        } else if (takesRoom(codePoint) ? ++visible > maxVisible : ++withoutRoom > maxVisible) {
            shortened += QStringView(text).mid(copied, start - copied);
            while (i + 1 < text.size() && !isLineBreak(text.at(i + 1).unicode())) {
                ++i;
            }
            copied = i + 1;
        }
    }
    if (copied == 0) {
        return text;
    }
    shortened += QStringView(text).mid(copied);
    return shortened;
}

int unwrappedLineCount(QStringView text)
{
    int lines = 1;
    for (int i = 0; i < text.size(); ++i) {
        if (isLineBreak(text.at(i).unicode())) {
            ++lines;
            if (text.at(i) == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n')) {
                ++i;
            }
        }
    }
    return lines;
}
