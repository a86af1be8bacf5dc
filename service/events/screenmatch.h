// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QStringList>

class QRect;
class QScreen;
class QString;

/**
 * The screen whose geometry is @p rect, as a caller that names an output by its rectangle sends
 * it; null when no screen has it or the rectangle has no area. A caller may give the rectangle
 * in device pixels: a scaled screen matches with its size in either unit.
 */
QScreen *screenWithGeometry(const QRect &rect);

/**
 * The screen of the display that a brightness caller names by @p id: the output of that name
 * (the names that the compositor or RandR give, "eDP-1", "DP-2"), else the screen whose
 * geometry is @p rect, else, for the backlight that a caller knows only as "display", the
 * built-in panel when there is exactly one. Null when none of these finds one.
 */
QScreen *screenOfDisplay(const QString &id, const QRect &rect);

/// The place in @p outputNames of the one built-in panel (an eDP, LVDS or DSI output); -1 when
/// there is none or more than one.
int builtInPanelIndex(const QStringList &outputNames);
