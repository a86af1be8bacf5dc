// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QString>

/**
 * Bounds for the strings that callers on the session bus send, applied before anything else
 * in the daemon sees them.
 *
 * Every string the daemon takes in is passed on to whoever listens to its signals. A libdbus
 * client with default settings stops reading its connection for good once it holds 63 MiB it
 * has not yet dispatched, so one caller's huge text would silence every listener of the
 * session. The bounds lie far above anything a pop-up can show and far below that limit.
 */
namespace IntakeBounds
{
/// UTF-16 code units kept of a text that is shown: at most 12 MiB once encoded for the bus.
constexpr int maxTextLength = 4 << 20;
/// UTF-16 code units kept of an icon name or path, a font family, a position word or a colour.
constexpr int maxNameLength = 64 << 10;
/// Line breaks kept from the part of a text beyond the cut (see text()).
constexpr int maxHiddenLineBreaks = 64 << 10;

/**
 * @p text unchanged when it has at most maxTextLength code units. A longer one is trimmed and
 * cut to its start; its line breaks beyond the cut are kept (up to maxHiddenLineBreaks), then
 * its last character: the pop-up shows far less than the start kept, but grows with the
 * number of lines of the whole text. The result never exceeds maxTextLength, so
 * bounding it again changes nothing.
 */
QString text(const QString &text);

/// @p name unchanged when it has at most maxNameLength code units; else its first ones.
QString name(const QString &name);

/// Like name(), for words that are read without surrounding blanks (a position, a colour, a
/// font family): those go before the cut.
QString word(const QString &word);
}
