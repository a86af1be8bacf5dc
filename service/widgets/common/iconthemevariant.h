// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

class QColor;
class QString;

/**
 * The variant of an icon theme whose monochrome icons stand out on a pop-up's background.
 *
 * Icon themes draw their monochrome icons in one colour, made for the windows of a light or a
 * dark desktop, and ship the other as a theme of its own: Breeze's dark grey icons have light
 * ones in "breeze-dark", Papirus has "Papirus-Dark". Where the pop-up's text is lighter than
 * its background the dark desktop's variant is used, otherwise the light desktop's, so that the
 * icons go with the text.
 */
namespace IconThemeVariant
{
/// The installed variant of @p theme ("<theme>-dark" in any case, or @p theme without that
/// ending) for @p text on @p background; @p theme itself when it has none.
QString forColors(const QString &theme, const QColor &background, const QColor &text);
}
