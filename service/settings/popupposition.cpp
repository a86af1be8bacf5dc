// SPDX-License-Identifier: GPL-2.0-or-later
#include "popupposition.h"

#include <iterator>

namespace
{
// In the order of the positions.
constexpr const char *positionWords[] = {"north", "center", "northwest", "northeast", "west", "east", "southwest", "south", "southeast"};
}

std::optional<PopupPosition::Position> PopupPosition::fromWord(const QString &word)
{
    const QString key = word.trimmed().toLower();
    for (int i = 0; i < int(std::size(positionWords)); ++i) {
        if (key == QLatin1String(positionWords[i])) {
            return Position(i);
        }
    }
    return std::nullopt;
}

QStringList PopupPosition::words()
{
    QStringList words;
    for (const char *word : positionWords) {
        words.append(QLatin1String(word));
    }
    return words;
}
