// SPDX-License-Identifier: GPL-2.0-or-later
// The self-sizing text widget: change signal, ideal and minimum size, alignment, the cut at
// the widget's height, and painting only on a real change.

#include "elidedhtmltextdocument.h"
#include "resizedtext.h"
#include "texts.h"

#include <QApplication>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTextDocument>
#include <QTextOption>
#include <QtMath>

namespace
{

// Counts how often it is painted.
class PaintCountingText : public ResizedText
{
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent *event) override
    {
        ++paints;
        ResizedText::paintEvent(event);
    }
};

// Shown off screen: a hidden widget gets its resize events only when it is shown.
void showOffScreen(QWidget *widget, const QSize &size)
{
    widget->setAttribute(Qt::WA_DontShowOnScreen);
    widget->resize(size);
    widget->show();
}

// The size hint as computed from the whole text, for comparison.
QSize wholeTextSizeHint(const ResizedText &widget, const QString &text)
{
    QTextDocument document;
    document.setDefaultFont(widget.font());
    document.setDocumentMargin(widget.document()->documentMargin());
    document.setPlainText(text);
    const QSizeF unwrapped = document.size();
    if (unwrapped.width() / unwrapped.height() < 1.5) {
        document.setTextWidth(qSqrt(1.5 * unwrapped.width() * unwrapped.height()));
    } else {
        document.setTextWidth(document.idealWidth());
    }
    const int margin = qCeil(document.documentMargin());
    return QSize(qCeil(document.size().width()) + margin, qCeil(document.size().height()) + margin);
}

QSizeF unwrappedSize(const ResizedText &widget, const QString &text)
{
    QTextDocument document;
    document.setDefaultFont(widget.font());
    document.setDocumentMargin(widget.document()->documentMargin());
    document.setPlainText(text);
    return document.size();
}

} // namespace

class ResizedTextTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void textChangedOncePerText_data()
    {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::newRow("same text twice") << QStringLiteral("Caps Lock on") << QStringLiteral("Caps Lock on");
        QTest::newRow("extra outer blanks") << QStringLiteral("Caps Lock on") << QStringLiteral("  Caps Lock on ");
        QTest::newRow("outer tabs and line breaks") << QStringLiteral("\tCaps Lock on\n") << QStringLiteral("Caps Lock on");
    }

    void textChangedOncePerText()
    {
        QFETCH(QString, first);
        QFETCH(QString, second);
        ResizedText widget;
        QSignalSpy spy(&widget, &ResizedText::textChanged);
        widget.setText(first);
        widget.setText(second);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toString(), QStringLiteral("Caps Lock on"));
        QCOMPARE(widget.text(), QStringLiteral("Caps Lock on"));
    }

    void clear_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("emitted");
        QTest::newRow("empty widget") << QString() << 0;
        QTest::newRow("blank widget") << QStringLiteral("   ") << 0;
        QTest::newRow("filled widget") << QStringLiteral("Wi-Fi off") << 1;
    }

    void clear()
    {
        QFETCH(QString, text);
        QFETCH(int, emitted);
        ResizedText widget;
        widget.setText(text);
        QSignalSpy spy(&widget, &ResizedText::textChanged);
        widget.clear();
        QCOMPARE(spy.count(), emitted);
        if (emitted) {
            QCOMPARE(spy.at(0).at(0).toString(), QString());
        }
        QCOMPARE(widget.text(), QString());
        QCOMPARE(widget.document()->toPlainText(), QString());
    }

    void alignment_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("alignment");
        const int centred = Qt::AlignHCenter | Qt::AlignVCenter;
        const int topLeft = Qt::AlignLeft | Qt::AlignTop;
        QTest::newRow("one word is centred") << QStringLiteral("Mute") << centred;
        QTest::newRow("wrapping text is top left") << repeated(QStringLiteral("several words "), 200) << topLeft;
        QTest::newRow("two paragraphs are top left") << QStringLiteral("one\ntwo") << topLeft;
    }

    void alignment()
    {
        QFETCH(QString, text);
        QFETCH(int, alignment);
        ResizedText widget;
        showOffScreen(&widget, QSize(300, 200));
        widget.setText(text);
        QCOMPARE(int(widget.document()->defaultTextOption().alignment()), alignment);
        QCOMPARE(widget.document()->defaultTextOption().wrapMode(), QTextOption::WrapAtWordBoundaryOrAnywhere);
    }

    void alignmentFollowsTheText()
    {
        ResizedText widget;
        showOffScreen(&widget, QSize(300, 200));
        widget.setText(repeated(QStringLiteral("several words "), 200));
        widget.setText(QStringLiteral("Mute"));
        QCOMPARE(int(widget.document()->defaultTextOption().alignment()), int(Qt::AlignHCenter | Qt::AlignVCenter));
    }

    void idealSize_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("widened");
        QTest::newRow("short text is widened") << QStringLiteral("Hi") << true;
        QTest::newRow("three short lines are widened") << QStringLiteral("a\nb\nc") << true;
        QTest::newRow("long line keeps its width") << QStringLiteral("Keyboard layout: English (United States)") << false;
    }

    void idealSize()
    {
        QFETCH(QString, text);
        QFETCH(bool, widened);
        ResizedText widget;
        widget.setText(text);
        const QSizeF unwrapped = unwrappedSize(widget, text);
        const int margin = qCeil(widget.document()->documentMargin());
        const int width = widened ? qCeil(qSqrt(1.5 * unwrapped.width() * unwrapped.height())) : qCeil(unwrapped.width());
        // The widened document is as wide as its longest line, which may round below the width
        // it was given.
        QVERIFY2(qAbs(widget.sizeHint().width() - (width + margin)) <= 1,
                 qPrintable(QStringLiteral("%1 against %2").arg(widget.sizeHint().width()).arg(width + margin)));
        QCOMPARE(widget.sizeHint().height(), qCeil(unwrapped.height()) + margin);
    }

    void sizeHintFollowsTheFont()
    {
        ResizedText widget;
        widget.setText(QStringLiteral("Brightness"));
        const QSize before = widget.sizeHint();
        QFont font = widget.font();
        font.setPointSize(font.pointSize() * 3);
        widget.setFont(font);
        QCOMPARE(widget.document()->defaultFont(), font);
        QVERIFY(widget.sizeHint().width() > 2 * before.width());
        QVERIFY(widget.sizeHint().height() > 3 * before.height() / 2);
    }

    void minimumSizeDoesNotDependOnTheText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qreal>("margin");
        QTest::addColumn<int>("pointSize");
        QTest::newRow("empty") << QString() << 4.0 << 0;
        QTest::newRow("one letter") << QStringLiteral("i") << 4.0 << 0;
        QTest::newRow("long text") << repeated(QStringLiteral("WWW "), 2000) << 4.0 << 0;
        QTest::newRow("fractional margin") << QStringLiteral("i") << 2.5 << 0;
        QTest::newRow("larger font") << QStringLiteral("i") << 4.0 << 30;
    }

    void minimumSizeDoesNotDependOnTheText()
    {
        QFETCH(QString, text);
        QFETCH(qreal, margin);
        QFETCH(int, pointSize);
        ResizedText widget;
        // Asked once before the changes, as the window does: the answer follows margin and font.
        widget.minimumSizeHint();
        widget.document()->setDocumentMargin(margin);
        if (pointSize > 0) {
            QFont font = widget.font();
            font.setPointSize(pointSize);
            widget.setFont(font);
        }
        widget.setText(text);
        const QFontMetricsF metrics(widget.font());
        QCOMPARE(widget.minimumSizeHint().width(), qCeil(2 * margin + metrics.horizontalAdvance(QString(20, QLatin1Char('X')))));
        QCOMPARE(widget.minimumSizeHint().height(), qCeil(2 * margin + metrics.height()));
    }

    void textAsTallAsTheWidgetStaysWhole()
    {
        ResizedText widget;
        showOffScreen(&widget, QSize(200, 50));
        const QString text = QStringLiteral("one\ntwo\nthree");
        widget.setText(text);
        const QSizeF whole = unwrappedSize(widget, text);
        widget.resize(200, qCeil(whole.height()));
        QCOMPARE(widget.document()->toPlainText(), text);
        widget.resize(200, qCeil(whole.height()) - 2);
        QCOMPARE(widget.document()->toPlainText(), QStringLiteral("one\ntwo..."));
        QCOMPARE(widget.text(), text);
    }

    // The rounded pop-up sets the document margin itself and then refreshes.
    void refreshLayoutFollowsTheDocumentMargin()
    {
        ResizedText widget;
        showOffScreen(&widget, QSize(300, 200));
        widget.setText(QStringLiteral("Keyboard layout"));
        const QSize before = widget.sizeHint();
        widget.document()->setDocumentMargin(24);
        widget.refreshLayout();
        // 40 more on each side of the text, and the margin once more in the hint.
        QCOMPARE(widget.sizeHint().height(), before.height() + 2 * 20 + 20);
        QVERIFY(widget.sizeHint().width() > before.width() + 2 * 20);
        QCOMPARE(widget.document()->textWidth(), 300.0);
    }

    // Anybody on the session bus may send megabytes; only what could be seen is laid out,
    // and what the widget shows stays the same.
    void hugeTextShowsTheSameAsTheWholeText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("pointSize");
        const QString words = repeated(QStringLiteral("Lorem ipsum dolor sit amet, consectetur adipiscing elit. "), 1 << 17);
        const QString oneWord = repeated(QStringLiteral("x"), 1 << 17);
        const QString lines = repeated(QStringLiteral("a line\n"), 1 << 17);
        const QString mixed = repeated(QStringLiteral(u"Громкость — Ἀθῆναι שלום مرحبا 音量 😀 x\u200B\u0301 "), 1 << 17);
        for (const int pointSize : {6, 10, 30}) {
            QTest::addRow("words, %d pt", pointSize) << words << pointSize;
            QTest::addRow("one word, %d pt", pointSize) << oneWord << pointSize;
            QTest::addRow("lines, %d pt", pointSize) << lines << pointSize;
            QTest::addRow("mixed scripts, %d pt", pointSize) << mixed << pointSize;
        }
    }

    void hugeTextShowsTheSameAsTheWholeText()
    {
        QFETCH(QString, text);
        QFETCH(int, pointSize);
        const QSize screen = QGuiApplication::primaryScreen()->size();
        ResizedText widget;
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPointSize(pointSize);
        widget.setFont(font);
        showOffScreen(&widget, QSize(screen.width() * 6 / 10, screen.height() * 8 / 10));
        widget.setText(text);
        QCOMPARE(widget.text(), text.trimmed());

        QScopedPointer<QTextDocument> whole(widget.document()->clone());
        ElidedHtmlTextDocument::updateElideText(whole.data(), text.trimmed(), QStringLiteral("..."), widget.height() + 1, Qt::PlainText);
        QCOMPARE(widget.document()->toPlainText(), whole->toPlainText());
        // No window is larger: what goes beyond makes no difference.
        QCOMPARE(widget.sizeHint().boundedTo(widget.size()), wholeTextSizeHint(widget, text.trimmed()).boundedTo(widget.size()));
    }

    void unchangedBorderRadiusDoesNotRepaint_data()
    {
        QTest::addColumn<bool>("horizontal");
        QTest::addColumn<int>("radius");
        QTest::addColumn<int>("paints");
        QTest::newRow("horizontal unchanged") << true << 12 << 0;
        QTest::newRow("vertical unchanged") << false << 12 << 0;
        QTest::newRow("horizontal changed") << true << 3 << 1;
        QTest::newRow("vertical changed") << false << 0 << 1;
    }

    void unchangedBorderRadiusDoesNotRepaint()
    {
        QFETCH(bool, horizontal);
        QFETCH(int, radius);
        QFETCH(int, paints);
        PaintCountingText widget;
        widget.setText(QStringLiteral("Volume"));
        widget.resize(200, 60);
        widget.show();
        QVERIFY(QTest::qWaitForWindowExposed(&widget));
        QTRY_VERIFY(widget.paints > 0);
        QCoreApplication::sendPostedEvents(&widget, QEvent::UpdateRequest);
        widget.paints = 0;

        if (horizontal) {
            widget.setBorderRadiusHorizontal(radius);
        } else {
            widget.setBorderRadiusVertical(radius);
        }
        QCoreApplication::sendPostedEvents(&widget, QEvent::UpdateRequest);
        QCOMPARE(widget.paints, paints);
        QCOMPARE(horizontal ? widget.borderRadiusHorizontal() : widget.borderRadiusVertical(), radius);
    }
};

QTEST_MAIN(ResizedTextTest)
#include "tst_resizedtext.moc"
