// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QIcon>
#include <QPixmap>
#include <QSize>
#include <QString>

/**
 * Reads the image files that callers on the session bus name, whoever they are.
 *
 * A path may name a FIFO that blocks every open, a device that never ends, a directory, an
 * image that declares gigabytes of pixels or an SVG document that takes minutes to draw.
 * The loader opens files without blocking, reads only bounded regular files, checks the size
 * an image declares before decoding it and the structure of SVG documents before drawing
 * them; every such path gives a null result, which callers treat like a missing file.
 * Ordinary images come out as QPixmap(path) and QIcon(path) would give them.
 *
 * Paths beginning with ':' name the program's own resources and are read as they are.
 */
class ImageFileLoader
{
public:
    /// The file's first image, as QPixmap(path) gives it; when it is larger than @p bound
    /// (if valid), scaled down into it keeping the aspect ratio, as QPixmap::scaled with
    /// smooth scaling does. SVG documents are drawn at that size directly. A null pixmap
    /// when the file gives none.
    static QPixmap loadPixmap(const QString &path, const QSize &bound = QSize());

    /// What QIcon(path) shows for an image file, read at once and within the limits; a null
    /// icon when the file gives none. SVG files (by their name) draw at any requested size.
    static QIcon loadIcon(const QString &path);
};
