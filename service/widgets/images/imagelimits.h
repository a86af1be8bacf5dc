// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QSize>

/**
 * The bounds on what an image file from outside may cost us.
 *
 * Qt 5 decodes whatever size a file declares, so a file of a few hundred bytes can ask for
 * gigabytes. Every decode is checked against these bounds before any pixel is allocated.
 */
namespace ImageLimits
{
/// Largest regular file that is read at all.
constexpr qint64 maxFileBytes = 64LL * 1024 * 1024;
/// Largest SVG document, after gzip decompression: the whole document is parsed in memory.
constexpr qint64 maxSvgBytes = 4LL * 1024 * 1024;
/// Longest side of a decoded image.
constexpr int maxSide = 16384;
/// Most pixels of a decoded image (256 MiB at 32 bits per pixel).
constexpr qint64 maxPixels = 64LL * 1024 * 1024;

/// True when an image of @p size may be decoded: a valid, non-empty size within the bounds.
bool isDecodable(const QSize &size);

/// @p size scaled down into @p bound keeping its aspect ratio, each side at least 1 pixel;
/// @p size itself when @p bound is invalid or @p size already fits.
QSize fittedInto(const QSize &size, const QSize &bound);
}
