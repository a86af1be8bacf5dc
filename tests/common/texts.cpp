// SPDX-License-Identifier: GPL-2.0-or-later
#include "texts.h"

QString repeated(const QString &piece, int length)
{
    QString text;
    while (text.size() < length) {
        text += piece;
    }
    return text.left(length);
}
