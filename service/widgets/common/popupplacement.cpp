// SPDX-License-Identifier: GPL-2.0-or-later
#include "popupplacement.h"

#include <QString>

#include <iterator>

namespace
{
enum class Along {
    Near,
    Centre,
    Far,
};

struct Row {
    const char *word;
    Along x;
    Along y;
};

// In the order of the positions' numbers.
constexpr Row table[] = {
    {"north", Along::Centre, Along::Near},
    {"center", Along::Centre, Along::Centre},
    {"northwest", Along::Near, Along::Near},
    {"northeast", Along::Far, Along::Near},
    {"west", Along::Near, Along::Centre},
    {"east", Along::Far, Along::Centre},
    {"southwest", Along::Near, Along::Far},
    {"south", Along::Centre, Along::Far},
    {"southeast", Along::Far, Along::Far},
};

// The window's start on one axis of the area from @p first to @p last (both inside it).
int place(Along along, int first, int last, int length, int margin)
{
    switch (along) {
    case Along::Near:
        return first + margin;
    case Along::Far:
        return last - length - (margin - 1);
    case Along::Centre:
        break;
    }
    return (first + last) / 2 - qRound(length * 0.5);
}
}

QSize PopupPlacement::maximumSize(const QRect &available)
{
    return QSize(int(available.width() * 0.6), int(available.height() * 0.8));
}

int PopupPlacement::positionFromWord(const QString &word)
{
    const QString key = word.trimmed().toLower();
    for (int i = 0; i < int(std::size(table)); ++i) {
        if (key == QLatin1String(table[i].word)) {
            return i;
        }
    }
    return 0;
}

QPoint PopupPlacement::position(int position, const QRect &available, const QSize &window, int margin)
{
    const Row &row = table[position >= 0 && position < int(std::size(table)) ? position : 0];
    return QPoint(place(row.x, available.left(), available.right(), window.width(), margin),
                  place(row.y, available.top(), available.bottom(), window.height(), margin));
}
