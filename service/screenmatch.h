// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

class QRect;
class QScreen;

/**
 * The screen whose geometry is @p rect, as a caller that names an output by its rectangle sends
 * it; null when no screen has it or the rectangle has no area. A caller may give the rectangle
 * in device pixels: a scaled screen matches with its size in either unit.
 */
QScreen *screenWithGeometry(const QRect &rect);
