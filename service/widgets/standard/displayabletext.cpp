// SPDX-License-Identifier: GPL-2.0-or-later
#include "displayabletext.h"

#include <QFontMetricsF>
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
    return codePoint == '\n' || codePoint == '\r' || codePoint == QChar::LineSeparator
        || codePoint == QChar::ParagraphSeparator;
}

} // namespace

QString displayableText(const QString &text, const QFont &font, const QSizeF &area)
{
    const QFontMetricsF metrics(font);
    // A pixel less than the font's line height and one line more: lines are never shorter.
    const qreal lineHeight = qMax<qreal>(1, metrics.ascent() + metrics.descent() - 1);
    const qint64 maxLines = qCeil(area.height() / lineHeight) + 1;
    const qint64 maxVisible = maxLines * qCeil(area.width() / narrowestAdvance(metrics));
    // Accents, joiners and the like take no room: as many of them as characters that do,
    // which is more than Thai, Devanagari or emoji sequences have.
    const qint64 maxWithoutRoom = maxVisible;

    qint64 lines = 1;
    qint64 visible = 0;
    qint64 withoutRoom = 0;
    for (int i = 0; i < text.size(); ++i) {
        uint codePoint = text.at(i).unicode();
        const int start = i;
        if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            codePoint = QChar::surrogateToUcs4(text.at(i), text.at(i + 1));
            ++i;
        }
        if (isLineBreak(codePoint)) {
            // "\r\n" is one paragraph break.
            if (codePoint == '\r' && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n')) {
                ++i;
            }
            if (++lines > maxLines) {
                return text.left(start);
            }
        } else if (takesRoom(codePoint) ? ++visible > maxVisible : ++withoutRoom > maxWithoutRoom) {
            return text.left(start);
        }
    }
    return text;
}
