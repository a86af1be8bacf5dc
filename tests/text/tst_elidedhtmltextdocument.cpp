// SPDX-License-Identifier: GPL-2.0-or-later
// Filling and cutting a text document to a target height, and the one-pass cut measured
// against the plain line-by-line cut.

#include "elidedhtmltextdocument.h"
#include "texts.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QFont>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <QtMath>

namespace
{

QTextDocument *makeDocument(QObject *parent, qreal width, int pointSize = 10)
{
    auto *document = new QTextDocument(parent);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSize(pointSize);
    document->setDefaultFont(font);
    QTextOption option = document->defaultTextOption();
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    document->setDefaultTextOption(option);
    document->setTextWidth(width);
    return document;
}

int heightOf(QTextDocument *document, const QString &plainText)
{
    QScopedPointer<QTextDocument> probe(document->clone());
    probe->setPlainText(plainText);
    return qCeil(probe->size().height());
}

QStringList visualLines(QTextDocument *document)
{
    document->size();
    QStringList lines;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        for (int i = 0; i < block.layout()->lineCount(); ++i) {
            const QTextLine line = block.layout()->lineAt(i);
            lines << block.text().mid(line.textStart(), line.textLength());
        }
    }
    return lines;
}

/**
 * The cut as a straightforward loop: one visual line (or word, character, paragraph break)
 * at a time, measuring the document after each. A word step never reaches back past the
 * start of the visual line before the cursor's.
 */
bool cutLineByLine(QTextDocument *document, const QString &text, const QString &postfix, int targetHeight, Qt::TextFormat format)
{
    if (format == Qt::RichText) {
        document->setHtml(text);
    } else if (format == Qt::MarkdownText) {
        document->setMarkdown(text, QTextDocument::MarkdownDialectGitHub);
    } else {
        document->setPlainText(text);
    }
    if (document->size().height() < targetHeight) {
        return false;
    }
    QTextCursor cursor(document);
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(postfix);
    cursor.setPosition(cursor.position() - postfix.size());
    for (;;) {
        if (cursor.movePosition(QTextCursor::StartOfLine, QTextCursor::KeepAnchor)) {
            cursor.movePosition(QTextCursor::PreviousCharacter, QTextCursor::KeepAnchor);
            cursor.removeSelectedText();
        } else {
            const QTextBlock block = cursor.block();
            const QTextLine line = block.layout()->lineForTextPosition(cursor.position() - block.position());
            const int limit = line.lineNumber() > 0 ? block.position() + block.layout()->lineAt(line.lineNumber() - 1).textStart() : -1;
            if (cursor.movePosition(QTextCursor::PreviousWord, QTextCursor::KeepAnchor) && cursor.position() >= limit) {
                cursor.removeSelectedText();
            } else {
                cursor.setPosition(cursor.anchor());
                if (cursor.movePosition(QTextCursor::PreviousCharacter, QTextCursor::KeepAnchor)
                    || cursor.movePosition(QTextCursor::PreviousBlock, QTextCursor::KeepAnchor)) {
                    cursor.removeSelectedText();
                } else {
                    break;
                }
            }
        }
        if (cursor.atStart() || document->size().height() < targetHeight) {
            break;
        }
    }
    return true;
}

// A long word of letters narrower than the postfix's dots, so that the postfix regularly
// wraps on its own after a line of the word is cut.
QString narrowWord(int length, int seed)
{
    QString word;
    for (int i = 0; i < length; ++i) {
        word += QLatin1Char("iljab"[(i * 7 + seed * 13 + i / 3) % 5]);
    }
    return word;
}

} // namespace

class ElidedHtmlTextDocumentTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void heightEqualToTargetIsCut()
    {
        QTextDocument *document = makeDocument(this, 300);
        const QString text = QStringLiteral("one\ntwo");
        const int height = heightOf(document, text);

        QVERIFY(!ElidedHtmlTextDocument::updateElideText(document, text, QStringLiteral("..."), height + 1, Qt::PlainText));
        QCOMPARE(document->toPlainText(), text);
        QVERIFY(ElidedHtmlTextDocument::updateElideText(document, text, QStringLiteral("..."), height, Qt::PlainText));
        QCOMPARE(document->toPlainText(), QStringLiteral("one..."));
    }

    void fittingTextIsSetUnchangedAndClearsTheFlag()
    {
        QTextDocument *document = makeDocument(this, 300);
        ElidedHtmlTextDocument elider(document);
        elider.setTextFormat(Qt::PlainText);
        elider.setOriginalText(QStringLiteral("one\ntwo\nthree"));
        QVERIFY(!elider.isElided());

        elider.setTargetHeight(heightOf(document, QStringLiteral("one")) + 1);
        elider.updateElidedText();
        QVERIFY(elider.isElided());
        QCOMPARE(document->toPlainText(), QStringLiteral("one..."));

        // The widget grew.
        elider.setTargetHeight(1000);
        elider.updateElidedText();
        QVERIFY(!elider.isElided());
        QCOMPARE(document->toPlainText(), QStringLiteral("one\ntwo\nthree"));
        QCOMPARE(elider.originalText(), QStringLiteral("one\ntwo\nthree"));
    }

    void threeParagraphsIntoTwoLines()
    {
        QTextDocument *document = makeDocument(this, 300);
        const int twoLines = heightOf(document, QStringLiteral("first\nsecond"));
        QVERIFY(ElidedHtmlTextDocument::updateElideText(document, QStringLiteral("first\nsecond\nthird"), QStringLiteral("..."), twoLines + 1, Qt::PlainText));
        QCOMPARE(document->toPlainText(), QStringLiteral("first\nsecond..."));
    }

    void wrappedParagraphLosesItsThirdLine_data()
    {
        QTest::addColumn<QString>("postfix");
        QTest::addColumn<bool>("wrapsAgain");
        QTest::newRow("postfix fits behind the second line") << QStringLiteral("...") << false;
        QTest::newRow("postfix wraps the second line again") << QStringLiteral(" (and a lot more)") << true;
    }

    void wrappedParagraphLosesItsThirdLine()
    {
        QFETCH(QString, postfix);
        QFETCH(bool, wrapsAgain);
        QTextDocument *document = makeDocument(this, 200);
        const QString text = QStringLiteral("alpha beta gamma delta epsilon zeta eta theta iota kappa lambda mu");
        document->setPlainText(text);
        const QStringList lines = visualLines(document);
        QVERIFY2(lines.size() >= 3, qPrintable(lines.join(QLatin1Char('|'))));
        QVERIFY(lines.at(1).endsWith(QLatin1Char(' ')));
        const int twoLines = heightOf(document, QStringLiteral("a\nb"));
        // The blank at which the second line wrapped goes with the third line.
        const QString kept = QString(lines.at(0) + lines.at(1)).chopped(1);
        QCOMPARE(heightOf(document, kept + postfix) > twoLines, wrapsAgain);

        QVERIFY(ElidedHtmlTextDocument::updateElideText(document, text, postfix, twoLines + 1, Qt::PlainText));
        const QString result = document->toPlainText();
        QCOMPARE(visualLines(document).size(), 2);
        QVERIFY2(result.endsWith(postfix), qPrintable(result));
        if (wrapsAgain) {
            QVERIFY2(kept.startsWith(result.chopped(postfix.size())), qPrintable(result));
            QVERIFY2(result.size() < kept.size() + postfix.size(), qPrintable(result));
        } else {
            QCOMPARE(result, kept + postfix);
        }
    }

    void formats_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        QTest::newRow("plain keeps tags") << int(Qt::PlainText) << QStringLiteral("<b>bold</b> text") << QStringLiteral("<b>bold</b> text");
        QTest::newRow("rich reads tags") << int(Qt::RichText) << QStringLiteral("<b>bold</b> text") << QStringLiteral("bold text");
        QTest::newRow("auto with tags") << int(Qt::AutoText) << QStringLiteral("<b>bold</b> text") << QStringLiteral("bold text");
        QTest::newRow("auto without tags") << int(Qt::AutoText) << QStringLiteral("a < b") << QStringLiteral("a < b");
        QTest::newRow("markdown") << int(Qt::MarkdownText) << QStringLiteral("**bold** ~~gone~~ text") << QStringLiteral("bold gone text");
    }

    void formats()
    {
        QFETCH(int, format);
        QFETCH(QString, text);
        QFETCH(QString, shown);
        QTextDocument *document = makeDocument(this, 400);
        QVERIFY(!ElidedHtmlTextDocument::updateElideText(document, text, QStringLiteral("..."), 1000, Qt::TextFormat(format)));
        QCOMPARE(document->toPlainText(), shown);
    }

    void unknownFormatLeavesTheDocument()
    {
        QTextDocument *document = makeDocument(this, 400);
        document->setPlainText(QStringLiteral("before"));
        QVERIFY(!ElidedHtmlTextDocument::updateElideText(document, QStringLiteral("after"), QStringLiteral("..."), 1000, Qt::TextFormat(42)));
        QCOMPARE(document->toPlainText(), QStringLiteral("before"));
    }

    void postfixes_data()
    {
        QTest::addColumn<QString>("postfix");
        QTest::addColumn<int>("target");
        QTest::addColumn<QString>("shown");
        QTest::newRow("empty postfix cuts without a mark") << QString() << 1 << QStringLiteral("one");
        QTest::newRow("target 0 leaves the postfix alone") << QStringLiteral("...") << 0 << QStringLiteral("...");
        QTest::newRow("target 0, empty postfix leaves nothing") << QString() << 0 << QString();
        QTest::newRow("postfix outside the basic plane") << QStringLiteral(u"\U0001F449") << 1 << QStringLiteral(u"one\U0001F449");
    }

    void postfixes()
    {
        QFETCH(QString, postfix);
        QFETCH(int, target);
        QFETCH(QString, shown);
        QTextDocument *document = makeDocument(this, 300);
        // target 1 stands for "room for one line".
        if (target == 1) {
            target = heightOf(document, QStringLiteral("one")) + 1;
        }
        QVERIFY(ElidedHtmlTextDocument::updateElideText(document, QStringLiteral("one\ntwo\nthree"), postfix, target, Qt::PlainText));
        QCOMPARE(document->toPlainText(), shown);
    }

    void longWordIsNotDroppedWhenThePostfixWrapsAlone_data()
    {
        QTest::addColumn<int>("seed");
        for (int seed = 0; seed < 6; ++seed) {
            QTest::addRow("seed %d", seed) << seed;
        }
    }

    // Moving back "one word" from the start of a visual line used to remove a whole word that
    // was wrapped anywhere over many lines, leaving the postfix alone in room for several lines.
    void longWordIsNotDroppedWhenThePostfixWrapsAlone()
    {
        QFETCH(int, seed);
        for (int width = 150; width < 190; ++width) {
            QTextDocument *document = makeDocument(nullptr, width, 9);
            const int fourLines = heightOf(document, QStringLiteral("a\nb\nc\nd"));
            ElidedHtmlTextDocument::updateElideText(document, narrowWord(300, seed), QStringLiteral("..."), fourLines + 1, Qt::PlainText);
            const QStringList lines = visualLines(document);
            delete document;
            QVERIFY2(lines.size() >= 3, qPrintable(QStringLiteral("width %1: %2").arg(width).arg(lines.join(QLatin1Char('|')))));
        }
    }

    void onePassCutEqualsLineByLineCut_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("postfix");
        QTest::addColumn<int>("pointSize");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("target");
        QTest::addColumn<int>("format");

        const QString words = repeated(QStringLiteral("Lorem ipsum dolor sit amet, consectetur adipiscing elit. "), 1500);
        const QString scripts = QStringLiteral(u"Громкость 40 % — Ἀθῆναι, שלום עולם, ");
        const QString mixed = repeated(scripts + QStringLiteral(u"مرحبا بالعالم 音量调节 😀👍🏽 x\u0301y\u0308 "), 1500);
        const QString longWord = repeated(QStringLiteral("x"), 1500);
        const QString paragraphs = repeated(QStringLiteral("A short paragraph.\nAnother one, a little longer than the first.\n"), 1500);
        const QString blankLines = repeated(QStringLiteral("line\n\n\n"), 600);
        const QString trailingBlanks = repeated(QStringLiteral("word  "), 1200) + QStringLiteral("\n\n\n");
        const QString separators = repeated(QStringLiteral(u"one\u2028two\u2029three\r\nfour "), 800);
        const QString cjk = repeated(QStringLiteral(u"音量调节已完成。屏幕亮度。"), 1500);
        const QString hyphens = repeated(QStringLiteral("well-known so-called (bracketed) e-mail, "), 1500);
        const QString shortWords = repeated(QStringLiteral("a i I l. ! x "), 1500);
        const QString rightToLeft = repeated(QStringLiteral(u"שלום עולם مرحبا بالعالم 123 "), 1500);

        const struct {
            const char *name;
            QString text;
        } texts[] = {
            {"words", words},
            {"mixed scripts", mixed},
            {"one long word", longWord},
            {"one long narrow word", narrowWord(1500, 1)},
            {"paragraphs", paragraphs},
            {"blank lines", blankLines},
            {"trailing blanks", trailingBlanks},
            {"line and paragraph separators", separators},
            {"CJK", cjk},
            {"hyphens and brackets", hyphens},
            {"short words", shortWords},
            {"right to left", rightToLeft},
        };
        const int pointSizes[] = {6, 9, 14, 24, 48, 100};
        for (const auto &text : texts) {
            for (const int pointSize : pointSizes) {
                const int width = 120 + pointSize * 4 + (pointSize % 7) * 13;
                // Room for a few lines, for one line, for a part of a line.
                const int targets[] = {pointSize * 9, pointSize * 2 + 4, pointSize};
                for (const int target : targets) {
                    QTest::addRow("%s, %d pt, target %d", text.name, pointSize, target)
                        << text.text << QStringLiteral("...") << pointSize << width << target << int(Qt::PlainText);
                }
            }
            QTest::addRow("%s, empty postfix", text.name) << text.text << QString() << 10 << 300 << 100 << int(Qt::PlainText);
            QTest::addRow("%s, target 0", text.name) << text.text << QStringLiteral("...") << 10 << 300 << 0 << int(Qt::PlainText);
        }
        QTest::newRow("words, wide postfix") << words << QStringLiteral(" (more…)") << 10 << 250 << 90 << int(Qt::PlainText);
        QTest::newRow("a text that fits") << QStringLiteral("fits") << QStringLiteral("...") << 10 << 300 << 100 << int(Qt::PlainText);

        const QString html = repeated(QStringLiteral("<p>A <b>bold</b> and <i>italic</i> paragraph, <big>bigger</big> words.</p>"), 6000);
        const QString table = QStringLiteral("<table><tr><td>%1</td><td>%1</td></tr></table>%1").arg(repeated(QStringLiteral("cell text "), 800));
        const QString markdown = repeated(QStringLiteral("- an **item** of a list\n- `code` and ~~struck~~ words\n\n"), 3000);
        for (const int target : {30, 120, 400}) {
            QTest::addRow("HTML paragraphs, target %d", target) << html << QStringLiteral("...") << 10 << 260 << target << int(Qt::RichText);
            QTest::addRow("HTML table, target %d", target) << table << QStringLiteral("...") << 10 << 260 << target << int(Qt::RichText);
            QTest::addRow("Markdown list, target %d", target) << markdown << QStringLiteral("...") << 10 << 260 << target << int(Qt::MarkdownText);
        }
    }

    void onePassCutEqualsLineByLineCut()
    {
        QFETCH(QString, text);
        QFETCH(QString, postfix);
        QFETCH(int, pointSize);
        QFETCH(int, width);
        QFETCH(int, target);
        QFETCH(int, format);

        QTextDocument *reference = makeDocument(this, width, pointSize);
        QTextDocument *document = makeDocument(this, width, pointSize);
        const bool referenceCut = cutLineByLine(reference, text, postfix, target, Qt::TextFormat(format));
        const bool cut = ElidedHtmlTextDocument::updateElideText(document, text, postfix, target, Qt::TextFormat(format));
        QCOMPARE(cut, referenceCut);
        QCOMPARE(document->toPlainText(), reference->toPlainText());
        delete reference;
        delete document;
    }
};

QTEST_MAIN(ElidedHtmlTextDocumentTest)
#include "tst_elidedhtmltextdocument.moc"
