// SPDX-License-Identifier: GPL-2.0-or-later
// Cutting over-long texts before layout: short texts stay whole, long ones keep more than the
// largest window shows, and no kind of text escapes the limit.

#include "displayabletext.h"
#include "texts.h"

#include <QApplication>
#include <QFont>
#include <QTest>
#include <QTextDocument>
#include <QTextOption>

namespace
{

const QSizeF largestWindow(1152, 864);

QFont font(int pointSize)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSize(pointSize);
    return font;
}

} // namespace

class DisplayableTextTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void shortTextsStayWhole_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << QString();
        QTest::newRow("a sentence") << QStringLiteral("Volume 40 %");
        QTest::newRow("a few paragraphs") << QStringLiteral("one\ntwo\r\nthree\u2029four");
        QTest::newRow("accents and emoji") << QStringLiteral(u"x\u0301\u0308 \U0001F468\u200D\U0001F469\u200D\U0001F467");
    }

    void shortTextsStayWhole()
    {
        QFETCH(QString, text);
        QCOMPARE(displayableText(text, font(10), largestWindow), text);
    }

    void longTextsKeepMoreThanFits_data()
    {
        QTest::addColumn<QString>("piece");
        QTest::addColumn<int>("pointSize");
        const struct {
            const char *name;
            QString piece;
        } kinds[] = {
            {"words", QStringLiteral("Lorem ipsum dolor sit amet, consectetur adipiscing elit. ")},
            {"one word", QStringLiteral("x")},
            {"narrowest letters", QStringLiteral("il")},
            {"short lines", QStringLiteral("a line\n")},
            {"blank lines", QStringLiteral("\n")},
            {"windows line ends", QStringLiteral("ab\r\n")},
            {"mixed scripts", QStringLiteral(u"Громкость — Ἀθῆναι שלום مرحبا 音量 😀👍🏽 ")},
            {"accented letters", QStringLiteral(u"e\u0301a\u0308")},
        };
        for (const auto &kind : kinds) {
            for (const int pointSize : {6, 10, 24, 100}) {
                QTest::addRow("%s, %d pt", kind.name, pointSize) << kind.piece << pointSize;
            }
        }
    }

    // The text that is kept still overflows the largest window, so the window shows and cuts
    // it exactly as it would the whole text.
    void longTextsKeepMoreThanFits()
    {
        QFETCH(QString, piece);
        QFETCH(int, pointSize);
        const QString text = repeated(piece, 1 << 20);
        const QString kept = displayableText(text, font(pointSize), largestWindow);
        QVERIFY(text.startsWith(kept));
        QVERIFY2(kept.size() < text.size() / 4, qPrintable(QString::number(kept.size())));

        QTextDocument document;
        document.setDefaultFont(font(pointSize));
        QTextOption option = document.defaultTextOption();
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        document.setDefaultTextOption(option);
        document.setTextWidth(largestWindow.width());
        document.setPlainText(kept);
        QVERIFY2(document.size().height() > largestWindow.height(), qPrintable(QString::number(document.size().height())));
    }

    void textsWithoutRoomAreCut_data()
    {
        QTest::addColumn<QString>("piece");
        QTest::newRow("zero-width spaces") << QStringLiteral(u"\u200B");
        QTest::newRow("zero-width joiners") << QStringLiteral(u"\u200D");
        QTest::newRow("byte order marks") << QStringLiteral(u"\uFEFF");
        QTest::newRow("combining accents") << QStringLiteral(u"\u0301");
        QTest::newRow("variation selectors") << QStringLiteral(u"\U000E0100");
    }

    void textsWithoutRoomAreCut()
    {
        QFETCH(QString, piece);
        const QString text = repeated(piece, 1 << 20);
        const QString kept = displayableText(text, font(10), largestWindow);
        // Not many more characters than of the narrowest letters, the costliest normal text.
        const QString letters = displayableText(repeated(QStringLiteral("il"), 1 << 20), font(10), largestWindow);
        QVERIFY(text.startsWith(kept));
        const int characters = kept.size() / piece.size();
        QVERIFY2(characters <= 3 * letters.size() / 2, qPrintable(QStringLiteral("%1 against %2").arg(characters).arg(letters.size())));
    }

    void surrogatePairsStayWhole()
    {
        const QString text = repeated(QStringLiteral(u"\U0001F600"), 1 << 20);
        const QString kept = displayableText(text, font(10), largestWindow);
        QVERIFY(kept.size() < text.size());
        QVERIFY(!kept.back().isHighSurrogate());
    }

    void largerAreaKeepsMore()
    {
        const QString text = repeated(QStringLiteral("word "), 1 << 20);
        const int small = displayableText(text, font(10), QSizeF(400, 300)).size();
        const int large = displayableText(text, font(10), QSizeF(2304, 1728)).size();
        QVERIFY2(small < large, qPrintable(QStringLiteral("%1, %2").arg(small).arg(large)));
    }
};

QTEST_MAIN(DisplayableTextTest)
#include "tst_displayabletext.moc"
