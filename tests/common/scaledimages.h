// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QImage>
#include <QRect>
#include <QString>

/**
 * Judging a screenshot taken at a screen scale against one taken at scale 1.
 */
namespace ScaledImages
{
/// @p image brought down to @p size by averaging the area of @p image each pixel covers (a box
/// filter, exact for an integer factor; partly covered pixels count by their share).
QImage boxFiltered(const QImage &image, const QSize &size);

/// Empty when @p scaled, box-filtered to the size of @p reference, has at most @p share of its
/// pixels off by more than @p tolerance in a channel; otherwise how far it is off.
QString sameLook(const QImage &scaled, const QImage &reference, int tolerance, double share);

/// Whether some aligned @p factor x @p factor block of @p area of @p image holds more than one
/// colour: the area has detail finer than the grid of scale 1, and is not a picture of scale 1
/// with each pixel repeated.
bool finerThanGrid(const QImage &image, const QRect &area, int factor);
}
