// SPDX-License-Identifier: GPL-2.0-or-later
#include "labelfit.h"

#include <QLabel>

namespace
{
// More texts than any number a pop-up shows (0 to 1000): a caller sending texts without end
// only makes the sizes be measured anew.
constexpr int keptSizes = 2048;
}

LabelFit::LabelFit(QLabel *label, const QSize &leastSize)
    : label(label)
    , leastSize(leastSize)
{
    fit();
}

void LabelFit::setText(const QString &text)
{
    label->setText(text);
    fit();
}

void LabelFit::refit()
{
    sizes.clear();
    fit();
}

void LabelFit::fit()
{
    const QString text = label->text();
    QSize size = sizes.value(text);
    if (!size.isValid()) {
        if (sizes.size() >= keptSizes) {
            sizes.clear();
        }
        size = label->sizeHint().expandedTo(leastSize);
        sizes.insert(text, size);
    }
    label->setFixedSize(size);
}
