// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QHash>
#include <QSize>
#include <QString>

class QLabel;

/**
 * Gives a label a new text with the size that text needs fixed on it, at least @p leastSize.
 *
 * A label lays out its parent anew with every text, and the parent measures the text again: a
 * costly step for a pop-up that shows a new number with every call, while a number mostly needs
 * the size the last one had. With its size fixed, a label whose size stays leaves its parent's
 * layout alone; the size each text needs is asked of the label once and kept, so the label is
 * laid out exactly as a label sized by its layout would be.
 */
class LabelFit
{
public:
    explicit LabelFit(QLabel *label, const QSize &leastSize = QSize(0, 0));

    void setText(const QString &text);
    /// Measures the texts again, as after a change of the label's font or style.
    void refit();

private:
    void fit();

    QLabel *const label;
    const QSize leastSize;
    QHash<QString, QSize> sizes;
};
