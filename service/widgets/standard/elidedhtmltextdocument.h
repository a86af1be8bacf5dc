// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QObject>
#include <QString>

class QTextDocument;

/**
 * Fills a text document that somebody else owns and lays out, and cuts the text from the end,
 * visual line by visual line, until the laid-out height is below a target height. The cut is
 * marked with a postfix ("..." by default).
 *
 * The document's owner decides the text width; this class only decides what text it holds.
 */
class ElidedHtmlTextDocument : public QObject
{
    Q_OBJECT
public:
    ElidedHtmlTextDocument(QTextDocument *document, QObject *parent = nullptr);
    ~ElidedHtmlTextDocument() override;

    // The setters only store; the document changes at the next updateElidedText().
    Qt::TextFormat textFormat() const;
    void setTextFormat(Qt::TextFormat format);

    QString originalText() const;
    void setOriginalText(const QString &text);

    QString elidedPostfix() const;
    void setElidedPostfix(const QString &postfix);

    /// Laid-out heights from this value upward are too tall, in pixels.
    int targetHeight() const;
    void setTargetHeight(int height);

    /// Whether the last updateElidedText() had to cut (false before the first).
    bool isElided() const;

    void updateElidedText();

    /**
     * Fills @p document with @p text read as @p format and, when its laid-out height is not
     * below @p targetHeight, cuts it from the end and appends @p postfix. The postfix itself is
     * never cut, so a target that nothing fits leaves the postfix alone.
     * @return true when the text had to be cut.
     */
    static bool updateElideText(QTextDocument *document, const QString &text, const QString &postfix, int targetHeight, Qt::TextFormat format);

private:
    QTextDocument *document;
    Qt::TextFormat format = Qt::RichText;
    QString text;
    QString postfix = QStringLiteral("...");
    int target = 0;
    bool elided = false;
};
