// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QByteArray>

/**
 * Decompresses gzip data (an .svgz document) up to a fixed output size.
 *
 * A few kilobytes of gzip can expand to gigabytes, so the output is bounded while it is
 * produced, not checked afterwards.
 */
class GzipInflater
{
public:
    static bool isGzip(const QByteArray &data);

    /// The decompressed data, or a null array when @p data is not valid gzip or would
    /// expand to more than @p maxBytes.
    static QByteArray inflate(const QByteArray &data, qint64 maxBytes);
};
