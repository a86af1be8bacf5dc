// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

class QIODevice;

/**
 * Checks the PNG images embedded in a Windows icon or cursor file.
 *
 * The file's directory stores sizes of at most 256 pixels, and that is what QImageReader
 * reports, but Qt decodes an embedded PNG at whatever size the PNG's own header declares.
 * The check reads each such header and holds it to the image limits.
 */
class IcoDirectoryCheck
{
public:
    /// True when every embedded PNG declares a decodable size. The device's position is
    /// left where it was.
    static bool embeddedImagesFit(QIODevice *device);
};
