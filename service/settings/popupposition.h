// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QStringList>

#include <optional>

/**
 * The nine places a pop-up can take on its screen, named by the compass words that the
 * "Position" setting and a custom text's position use. The words name sides of the screen in
 * every writing direction: west is the left side under a right-to-left language too.
 */
class PopupPosition
{
public:
    enum Position {
        North,
        Center,
        NorthWest,
        NorthEast,
        West,
        East,
        SouthWest,
        South,
        SouthEast,
    };

    /// The position that @p word names, in any case and with blanks around it; none for any
    /// other word, the empty one included.
    static std::optional<Position> fromWord(const QString &word);
    /// The words in the order of the positions.
    static QStringList words();
};
