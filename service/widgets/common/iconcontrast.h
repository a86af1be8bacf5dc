// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QPixmap>

class QColor;
class QIcon;
class QImage;
class QSize;

/**
 * Theme icons that stand out from the pop-up's background: 3:1 at least, as graphics should.
 *
 * An icon that reaches it is drawn as its theme draws it. Otherwise its grey parts, the
 * monochrome lines of a symbolic icon, take the text colour; and where that is still not
 * enough, as for a colourful icon on a background of its own hue, the icon is drawn a pixel
 * smaller, outlined in the text colour. The text colour reads on the background (4.5:1), so the
 * outline does.
 */
namespace IconContrast
{
/// What graphics must reach against their background.
constexpr double minimum = 3.0;

/// The contrast to @p background that sixteen pixels of @p image reach, each drawn over it: the
/// contrast of an icon's lines and fills, whatever the blended pixels at their edges.
double reached(const QImage &image, const QColor &background);

/// @p icon at @p size, for a device of @p ratio, as it is shown on @p background next to @p text.
QPixmap readable(const QIcon &icon, const QSize &size, qreal ratio, const QColor &background, const QColor &text);
}
