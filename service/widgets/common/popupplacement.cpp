// SPDX-License-Identifier: GPL-2.0-or-later
#include "popupplacement.h"

#include <algorithm>
#include <iterator>

namespace
{
enum class Along {
    Near,
    Centre,
    Far,
};

struct Row {
    Along x;
    Along y;
};

// In the order of the positions.
constexpr Row table[] = {
    {Along::Centre, Along::Near}, // north
    {Along::Centre, Along::Centre}, // center
    {Along::Near, Along::Near}, // northwest
    {Along::Far, Along::Near}, // northeast
    {Along::Near, Along::Centre}, // west
    {Along::Far, Along::Centre}, // east
    {Along::Near, Along::Far}, // southwest
    {Along::Centre, Along::Far}, // south
    {Along::Far, Along::Far}, // southeast
};
static_assert(std::size(table) == PopupPosition::SouthEast + 1, "one row for each position");

// The window's start on one axis of the area from @p first to @p last (both inside it).
int place(Along along, int first, int last, int length, int margin)
{
    margin = std::min(margin, std::max(0, (last - first + 1 - length) / 2));
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

QPoint PopupPlacement::position(PopupPosition::Position position, const QRect &available, const QSize &window, int margin)
{
    const Row &row = table[position >= PopupPosition::North && position <= PopupPosition::SouthEast ? position : PopupPosition::North];
    return QPoint(place(row.x, available.left(), available.right(), window.width(), margin),
                  place(row.y, available.top(), available.bottom(), window.height(), margin));
}
