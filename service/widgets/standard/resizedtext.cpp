// SPDX-License-Identifier: GPL-2.0-or-later
#include "resizedtext.h"

#include "displayabletext.h"
#include "elidedhtmltextdocument.h"

#include <QAbstractTextDocumentLayout>
#include <QEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QResizeEvent>
#include <QScreen>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QtMath>

namespace
{

// The daemon never lets its pop-up grow beyond 60 % of the screen's width and 80 % of its
// height. Any screen counts: the window may move to the largest one later. Without a screen
// (one is being replaced) a large one stands in, so that no text is cut short meanwhile.
QSizeF largestWindowSize()
{
    QSize largest(3840, 2160);
    const auto screens = QGuiApplication::screens();
    if (!screens.isEmpty()) {
        largest = QSize();
        for (const QScreen *screen : screens) {
            largest = largest.expandedTo(screen->geometry().size());
        }
    }
    return QSizeF(largest.width() * 0.6, largest.height() * 0.8);
}

} // namespace

class ResizedTextPrivate
{
public:
    int horizontalRadius = 12;
    int verticalRadius = 12;
    QTextDocument *document = nullptr;
    ElidedHtmlTextDocument *elider = nullptr;
    qreal idealWidth = -1;
    qreal idealHeight = -1;
    // The trimmed text as given; the elider holds only the part of it that could be visible.
    QString text;
    // Lines of the text, unwrapped, that the elider does not hold.
    int hiddenLines = 0;
    // The minimum size hint and what it was measured with: the window asks for it on every
    // change of content, and measuring means shaping the sample text anew.
    QSize minimumSize;
    QFont minimumFont;
    qreal minimumMargin = -1;

    void updateDisplayedText(const QFont &font);
};

void ResizedTextPrivate::updateDisplayedText(const QFont &font)
{
    const QString displayed = displayableText(text, font, largestWindowSize());
    elider->setOriginalText(displayed);
    hiddenLines = displayed.size() == text.size() ? 0 : unwrappedLineCount(text) - unwrappedLineCount(displayed);
}

ResizedText::ResizedText(QWidget *parent, Qt::WindowFlags flags)
    : QWidget(parent, flags)
    , d(std::make_unique<ResizedTextPrivate>())
{
    init();
}

ResizedText::~ResizedText() = default;

void ResizedText::init()
{
    d->document = new QTextDocument(this);
    d->document->setDefaultFont(font());

    d->elider = new ElidedHtmlTextDocument(d->document, this);
    d->elider->setTextFormat(Qt::PlainText);
    d->elider->setTargetHeight(height());

    QTextOption option = d->document->defaultTextOption();
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    d->document->setDefaultTextOption(option);
}

QString ResizedText::text() const
{
    return d->text;
}

QTextDocument *ResizedText::document() const
{
    return d->document;
}

int ResizedText::borderRadiusHorizontal() const
{
    return d->horizontalRadius;
}

void ResizedText::setBorderRadiusHorizontal(int radius)
{
    if (d->horizontalRadius == radius) {
        return;
    }
    d->horizontalRadius = radius;
    update();
}

int ResizedText::borderRadiusVertical() const
{
    return d->verticalRadius;
}

void ResizedText::setBorderRadiusVertical(int radius)
{
    if (d->verticalRadius == radius) {
        return;
    }
    d->verticalRadius = radius;
    update();
}

void ResizedText::setText(const QString &text)
{
    const QString trimmed = text.trimmed();
    if (trimmed == d->text) {
        return;
    }
    d->text = trimmed;
    d->updateDisplayedText(d->document->defaultFont());
    updateIdealDocumentSize();
    d->elider->updateElidedText();
    updateAlignment();
    Q_EMIT textChanged(trimmed);
    update();
}

void ResizedText::clear()
{
    setText(QString());
}

void ResizedText::refreshLayout()
{
    // The screens, and with them the largest window and the font's resolution, may have changed.
    d->minimumSize = QSize();
    d->updateDisplayedText(d->document->defaultFont());
    resetIdealDocumentSize();
    d->document->setTextWidth(width());
    // The elider cuts at heights equal to its target, so a text exactly as tall as the widget
    // needs a target one pixel higher to stay whole.
    d->elider->setTargetHeight(height() + 1);
    d->elider->updateElidedText();
    updateAlignment();
    updateGeometry();
    update();
}

void ResizedText::updateIdealDocumentSize()
{
    const std::unique_ptr<QTextDocument> clone(d->document->clone());
    clone->setDocumentMargin(d->document->documentMargin());
    // Paragraphs wider than any window are cut short: they make the window as wide as it
    // gets either way, and laying out one line of many thousand characters is slow.
    clone->setPlainText(shortenedParagraphs(d->elider->originalText(), d->document->defaultFont(), largestWindowSize().width()));

    clone->setTextWidth(-1);
    const qreal width = clone->size().width();
    // The lines of a text too long to lay out count as well: all lines are as high as the first.
    const qreal hiddenHeight = d->hiddenLines * clone->begin().layout()->lineAt(0).height();
    const qreal height = clone->size().height() + hiddenHeight;
    // A short text as one line would make a narrow strip; give it a 3:2 shape instead.
    if (width > 0 && height > 0 && width / height < 1.5) {
        clone->setTextWidth(qSqrt(1.5 * width * height));
    } else {
        clone->setTextWidth(clone->idealWidth());
    }
    const QSizeF ideal = clone->size() + QSizeF(0, hiddenHeight);

    if (qFuzzyCompare(ideal.width(), d->idealWidth) && qFuzzyCompare(ideal.height(), d->idealHeight)) {
        return;
    }
    d->idealWidth = ideal.width();
    d->idealHeight = ideal.height();
    updateGeometry();
}

void ResizedText::resetIdealDocumentSize()
{
    d->idealWidth = -1;
    d->idealHeight = -1;
    updateIdealDocumentSize();
}

void ResizedText::updateAlignment()
{
    // A text that needs more than its room starts at the top, on the side its paragraphs start;
    // in a right-to-left interface on the right, whatever the direction of its words.
    const Qt::Alignment leading = layoutDirection() == Qt::RightToLeft ? Qt::AlignRight | Qt::AlignAbsolute : Qt::AlignLeft;
    const Qt::Alignment alignment = minimumSizeHint().height() < d->document->size().height() ? leading | Qt::AlignTop : Qt::AlignHCenter | Qt::AlignVCenter;
    QTextOption option = d->document->defaultTextOption();
    if (option.alignment() == alignment) {
        return;
    }
    option.setAlignment(alignment);
    d->document->setDefaultTextOption(option);
}

QSize ResizedText::sizeHint() const
{
    const qreal margin = qCeil(d->document->documentMargin());
    return QSize(qCeil(d->idealWidth) + margin, qCeil(d->idealHeight) + margin);
}

QSize ResizedText::minimumSizeHint() const
{
    const QFont font = d->document->defaultFont();
    const qreal margin = d->document->documentMargin();
    if (d->minimumSize.isValid() && margin == d->minimumMargin && font == d->minimumFont) {
        return d->minimumSize;
    }
    const QFontMetricsF metrics(font);
    const qreal margins = 2 * margin;
    d->minimumSize = QSize(qCeil(margins + metrics.horizontalAdvance(minimumText())), qCeil(margins + metrics.height()));
    d->minimumFont = font;
    d->minimumMargin = margin;
    return d->minimumSize;
}

QString ResizedText::minimumText()
{
    return QString(20, QLatin1Char('X'));
}

void ResizedText::preloadFont(const QFont &font)
{
    displayableText(minimumText(), font, largestWindowSize());
    QFontMetricsF(font).horizontalAdvance(minimumText());
}

bool ResizedText::event(QEvent *event)
{
    const bool result = QWidget::event(event);
    if (event->type() == QEvent::FontChange) {
        d->document->setDefaultFont(font());
        // A smaller font shows more of the text.
        d->updateDisplayedText(font());
        resetIdealDocumentSize();
        d->elider->setTargetHeight(height() + 1);
        d->elider->updateElidedText();
        updateAlignment();
        update();
    } else if (event->type() == QEvent::LayoutDirectionChange) {
        updateAlignment();
        update();
    }
    return result;
}

void ResizedText::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    d->document->setTextWidth(event->size().width());
    d->elider->setTargetHeight(event->size().height() + 1);
    d->elider->updateElidedText();
    updateAlignment();
}

void ResizedText::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    drawBackground(&painter);
    drawContext(&painter);
}

void ResizedText::drawBackground(QPainter *painter)
{
    painter->save();
    const QColor color = palette().color(QPalette::Button);
    painter->setPen(color);
    painter->setBrush(color);
    painter->drawRoundedRect(QRectF(0, 0, width(), height()), d->horizontalRadius, d->verticalRadius, Qt::AbsoluteSize);
    painter->restore();
}

void ResizedText::drawContext(QPainter *painter)
{
    painter->save();
    painter->setClipRect(rect(), Qt::ReplaceClip);
    QAbstractTextDocumentLayout::PaintContext context;
    context.cursorPosition = -1;
    context.clip = rect();
    context.palette.setBrush(QPalette::All, QPalette::Text, QBrush(palette().color(QPalette::Text)));
    d->document->documentLayout()->draw(painter, context);
    painter->restore();
}
