// SPDX-License-Identifier: GPL-2.0-or-later
#include "elidedhtmltextdocument.h"

#include <QAbstractTextDocumentLayout>
#include <QFontMetricsF>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextLayout>

namespace
{

bool fits(QTextDocument *document, int targetHeight)
{
    return document->size().height() < targetHeight;
}

void fill(QTextDocument *document, const QString &text, Qt::TextFormat format)
{
    switch (format) {
    case Qt::PlainText:
        document->setPlainText(text);
        break;
    case Qt::RichText:
        document->setHtml(text);
        break;
    case Qt::AutoText:
        if (Qt::mightBeRichText(text)) {
            document->setHtml(text);
        } else {
            document->setPlainText(text);
        }
        break;
    case Qt::MarkdownText:
        document->setMarkdown(text, QTextDocument::MarkdownDialectGitHub);
        break;
    }
}

/**
 * Where a word step may reach back to from the cursor, which stands at the start of a visual
 * line: the start of the visual line before it. A word longer than a line is wrapped anywhere,
 * so "the previous word" can begin many lines up; removing it would throw away lines of text
 * that fit, only because the postfix wrapped on its own. -1 means no limit (at the start of a
 * block a word step only removes the paragraph break).
 */
int wordStepLimit(const QTextCursor &cursor)
{
    const QTextBlock block = cursor.block();
    const QTextLayout *layout = block.layout();
    const QTextLine line = layout->lineForTextPosition(cursor.position() - block.position());
    if (!line.isValid() || line.lineNumber() == 0) {
        return -1;
    }
    return block.position() + layout->lineAt(line.lineNumber() - 1).textStart();
}

/**
 * One cut: the rest of the cursor's visual line with the character before it, or else a word,
 * a character or a paragraph break. The anchor stays in front of the postfix.
 * Returns false when nothing before the cursor could be removed.
 */
bool cutOnce(QTextCursor &cursor)
{
    if (cursor.movePosition(QTextCursor::StartOfLine, QTextCursor::KeepAnchor)) {
        cursor.movePosition(QTextCursor::PreviousCharacter, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
        return true;
    }
    const int limit = wordStepLimit(cursor);
    if (cursor.movePosition(QTextCursor::PreviousWord, QTextCursor::KeepAnchor)) {
        if (cursor.position() >= limit) {
            cursor.removeSelectedText();
            return true;
        }
        cursor.setPosition(cursor.anchor());
    }
    if (cursor.movePosition(QTextCursor::PreviousCharacter, QTextCursor::KeepAnchor)) {
        cursor.removeSelectedText();
        return true;
    }
    if (cursor.movePosition(QTextCursor::PreviousBlock, QTextCursor::KeepAnchor)) {
        cursor.removeSelectedText();
        return true;
    }
    return false;
}

// The characters that end a word for QTextCursor's word steps, besides white space.
bool isWordSeparator(QChar c)
{
    return QStringView(u".,?!@#$:;-<>[](){}=/+%&^*'\"`~|\\").contains(c);
}

bool endsWord(QChar c)
{
    return c.isSpace() || isWordSeparator(c);
}

QFontMetricsF metricsAt(const QTextBlock &block, int position, const QFont &defaultFont)
{
    QTextCursor cursor(block);
    cursor.setPosition(block.position() + position);
    return QFontMetricsF(cursor.charFormat().font().resolve(defaultFont));
}

/**
 * Whether the line-by-line cut, coming up from below, surely continues from "the text before
 * visual line @p index of @p block, minus the character before the line, then the postfix"
 * as from the state it really reaches. It reaches either that state or the one that keeps the
 * character before the line (a word step can stop there), or it skips both when the line
 * merged into the one above. They all continue alike when:
 * - the line starts a paragraph: a word step at a paragraph start removes the break;
 * - the line above ends inside a word (wrapped anywhere) or between two characters that do
 *   not end words (as CJK text wraps): a word step can stop neither there nor at the line
 *   start, and the line above is full, so nothing merges into it;
 * - the line wrapped at a blank and its first word, blanks and the postfix fit on a line: a
 *   word step stops at the line start only when the postfix wrapped on its own behind that
 *   first word, and the word stays whole, so nothing merges into the line above;
 * - the line above, with its trailing blanks and the postfix, still fits: from each of these
 *   states the postfix then stays on that line, and the next cut removes it whole.
 * The measures get an average character of slack.
 */
bool cutContinuesAlike(const QTextBlock &block, int index, const QString &postfix, const QFont &defaultFont)
{
    if (index == 0) {
        return true;
    }
    const QTextLayout *layout = block.layout();
    const QTextLine above = layout->lineAt(index - 1);
    const QTextLine line = layout->lineAt(index);
    const int start = line.textStart();
    const QString text = block.text();
    if (start - above.textStart() >= 2 && !endsWord(text.at(start - 1)) && !endsWord(text.at(start))) {
        return true;
    }

    if (text.at(start - 1).isSpace()) {
        const int lineEnd = start + line.textLength();
        int wordEnd = start;
        while (wordEnd < lineEnd && !text.at(wordEnd).isSpace()) {
            ++wordEnd;
        }
        int blanksEnd = wordEnd;
        while (blanksEnd < lineEnd && text.at(blanksEnd).isSpace()) {
            ++blanksEnd;
        }
        if (wordEnd > start) {
            const QFontMetricsF metrics = metricsAt(block, start, defaultFont);
            const qreal needed =
                metrics.horizontalAdvance(text.mid(start, blanksEnd - start)) + metrics.horizontalAdvance(postfix) + metrics.averageCharWidth();
            if (needed <= line.width()) {
                return true;
            }
        }
    }

    int contentEnd = start;
    while (contentEnd > above.textStart() && text.at(contentEnd - 1).isSpace()) {
        --contentEnd;
    }
    if (contentEnd == above.textStart()) {
        return false;
    }
    const QFontMetricsF metrics = metricsAt(block, contentEnd, defaultFont);
    const qreal needed = above.naturalTextWidth() + metrics.horizontalAdvance(text.mid(contentEnd, start - contentEnd)) + metrics.horizontalAdvance(postfix)
        + metrics.averageCharWidth();
    return needed <= above.width();
}

/**
 * Where the line-by-line cut can start instead of at the end: the start of a visual line that
 * it removes in any case, or -1 when there is none.
 *
 * Lines do not change when text after them is removed, so while a line below the first one
 * that does not fit is still there, the document stays too tall and the cut goes on. One
 * pixel of slack covers rounding between the line geometry and the document's height; the
 * first line after that, for which cutContinuesAlike() holds, is taken.
 */
int surplusLinesStart(QTextDocument *document, int targetHeight, const QString &postfix)
{
    // Tables and frames (of HTML) stack blocks otherwise than one below the other.
    if (!document->rootFrame()->childFrames().isEmpty()) {
        return -1;
    }
    const qreal bottomMargin = document->rootFrame()->frameFormat().bottomMargin();
    int linesPastTarget = 0;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        const QTextLayout *layout = block.layout();
        const qreal top = layout->position().y();
        for (int i = 0; i < layout->lineCount(); ++i) {
            const QTextLine line = layout->lineAt(i);
            if (linesPastTarget >= 2 && cutContinuesAlike(block, i, postfix, document->defaultFont())) {
                return block.position() + line.textStart();
            }
            if (linesPastTarget > 0 || top + line.y() + line.height() + bottomMargin >= targetHeight + 1) {
                ++linesPastTarget;
            }
        }
    }
    return -1;
}

} // namespace

ElidedHtmlTextDocument::ElidedHtmlTextDocument(QTextDocument *document, QObject *parent)
    : QObject(parent)
    , document(document)
{
}

ElidedHtmlTextDocument::~ElidedHtmlTextDocument() = default;

Qt::TextFormat ElidedHtmlTextDocument::textFormat() const
{
    return format;
}

void ElidedHtmlTextDocument::setTextFormat(Qt::TextFormat textFormat)
{
    format = textFormat;
}

QString ElidedHtmlTextDocument::originalText() const
{
    return text;
}

void ElidedHtmlTextDocument::setOriginalText(const QString &originalText)
{
    text = originalText;
}

QString ElidedHtmlTextDocument::elidedPostfix() const
{
    return postfix;
}

void ElidedHtmlTextDocument::setElidedPostfix(const QString &elidedPostfix)
{
    postfix = elidedPostfix;
}

int ElidedHtmlTextDocument::targetHeight() const
{
    return target;
}

void ElidedHtmlTextDocument::setTargetHeight(int height)
{
    target = height;
}

bool ElidedHtmlTextDocument::isElided() const
{
    return elided;
}

void ElidedHtmlTextDocument::updateElidedText()
{
    elided = updateElideText(document, text, postfix, target, format);
}

bool ElidedHtmlTextDocument::updateElideText(QTextDocument *document, const QString &text, const QString &postfix, int targetHeight, Qt::TextFormat format)
{
    fill(document, text, format);
    if (fits(document, targetHeight)) {
        return false;
    }

    // Removing the surplus lines one at a time re-lays out the whole paragraph after each cut;
    // for a long text that is quadratic. Remove them in one go, then cut what is left. The
    // postfix changes the layout of the last line only, so the lines found without it hold.
    int cutFrom = -1;
    const int surplusLine = surplusLinesStart(document, targetHeight, postfix);
    if (surplusLine > 0) {
        QTextCursor probe(document);
        probe.setPosition(surplusLine);
        probe.movePosition(QTextCursor::PreviousCharacter);
        cutFrom = probe.position();
    }

    QTextCursor cursor(document);
    // One edit: the document is laid out again once, not after each step.
    cursor.beginEditBlock();
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(postfix);
    // By code units, not by cursor steps: a step can span several code units (a surrogate pair,
    // a letter with accents), which would leave part of the text behind the postfix.
    cursor.setPosition(cursor.position() - postfix.size());
    if (cutFrom >= 0) {
        cursor.setPosition(cutFrom, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
    }
    cursor.endEditBlock();
    if (cutFrom >= 0 && fits(document, targetHeight)) {
        return true;
    }

    while (cutOnce(cursor) && !cursor.atStart() && !fits(document, targetHeight)) { }
    return true;
}
