// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QWidget>
#include <memory>

class QPainter;
class QTextDocument;
class ResizedTextPrivate;

/**
 * The text area of both pop-up styles: plain text on a rounded background.
 *
 * Its size hint is the size the text would ideally take (short texts are widened towards a
 * 3:2 shape rather than kept as one narrow line), so the window can grow to fit it. When the
 * window cannot grow enough, the lines that do not fit in the widget's height are cut and the
 * text ends in "...". One line of text is centred; more lines are aligned to the top left.
 */
class ResizedText : public QWidget
{
    Q_OBJECT
public:
    explicit ResizedText(QWidget *parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());
    ~ResizedText() override;

    /// The last text given, trimmed, in full (also when only part of it is shown).
    QString text() const;
    QTextDocument *document() const;

    int borderRadiusHorizontal() const;
    void setBorderRadiusHorizontal(int radius);
    int borderRadiusVertical() const;
    void setBorderRadiusVertical(int radius);

    /// Recomputes size, cut and alignment after the screen's metrics changed.
    void refreshLayout();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    /// The sample whose width, in the widget's font, is the minimum width.
    static QString minimumText();

    /// Loads what showing text in @p font first needs (the font, and the fallback fonts of the
    /// scripts that the cut of long texts measures), without a widget.
    static void preloadFont(const QFont &font);

    void drawBackground(QPainter *painter);
    void drawContext(QPainter *painter);

public Q_SLOTS:
    void setText(const QString &text);
    void clear();

Q_SIGNALS:
    void textChanged(const QString &text);

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private Q_SLOTS:
    void updateIdealDocumentSize();
    void resetIdealDocumentSize();
    void updateAlignment();

private:
    void init();

    std::unique_ptr<ResizedTextPrivate> const d;
};
