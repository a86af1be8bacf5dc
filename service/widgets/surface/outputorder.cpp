// SPDX-License-Identifier: GPL-2.0-or-later
#include "outputorder.h"

OutputOrder::OutputOrder(QObject *parent)
    : QObject(parent)
{
}

QStringList OutputOrder::names() const
{
    return current;
}

void OutputOrder::setNames(const QStringList &names)
{
    if (names == current) {
        return;
    }
    current = names;
    Q_EMIT namesChanged(names);
}
