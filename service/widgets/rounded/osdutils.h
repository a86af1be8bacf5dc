// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QRect>
#include <QRegion>

/**
 * Pixel-exact regions for window masks. Both functions return a region whose origin is (0, 0)
 * and which covers at most the size of the given rectangle, whatever the rectangle's position:
 * a mask is given in the window's own coordinates.
 */
namespace OsdUtils
{
/// The rectangle with its corners rounded by quarter ellipses of radii radiusX and radiusY.
/// A radius of 0 leaves the corners square; an empty rectangle gives an empty region.
QRegion roundedRect(const QRect &rect, int radiusX, int radiusY);

/// The disc of radius outerRadius centred in the rectangle, less the disc of radius innerRadius
/// when that is above 0 (a ring). An outer radius of 0 or less gives an empty region.
QRegion ellipse(const QRect &rect, double outerRadius, double innerRadius);
}
