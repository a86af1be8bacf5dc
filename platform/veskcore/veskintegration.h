// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>

// Stand-in for the desktop's libveskintegration: the colour scheme that the desktop derives
// from its primary colour. Colour names are UTF-8, in any form QColor understands.

/**
 * The shade of @p primaryColor that the desktop uses for backgrounds: a darker one when
 * @p dark is set, the colour itself otherwise, as "#rrggbb". Empty when @p primaryColor
 * names no colour.
 */
std::string GetPrimaryDarkColor(const std::string &primaryColor, bool dark);

/**
 * The text colour that reads best on @p backgroundColor: exactly "#FFFFFF" where white text
 * has the higher contrast, "#000000" otherwise. A name that is no colour counts as black.
 */
std::string textColorFor(const std::string &backgroundColor);
