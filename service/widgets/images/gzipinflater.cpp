// SPDX-License-Identifier: GPL-2.0-or-later
#include "gzipinflater.h"

#include <zlib.h>

bool GzipInflater::isGzip(const QByteArray &data)
{
    return data.startsWith("\x1f\x8b");
}

QByteArray GzipInflater::inflate(const QByteArray &data, qint64 maxBytes)
{
    z_stream stream = {};
    // 16 + MAX_WBITS selects the gzip wrapper rather than the raw zlib one.
    if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK) {
        return QByteArray();
    }
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data.constData()));
    stream.avail_in = uInt(data.size());

    QByteArray out;
    const int chunk = 64 * 1024;
    int result = Z_OK;
    while (result == Z_OK) {
        if (out.size() > maxBytes) {
            break;
        }
        const int used = out.size();
        out.resize(used + chunk);
        stream.next_out = reinterpret_cast<Bytef *>(out.data() + used);
        stream.avail_out = chunk;
        result = ::inflate(&stream, Z_NO_FLUSH);
        out.resize(used + chunk - int(stream.avail_out));
    }
    inflateEnd(&stream);
    if (result != Z_STREAM_END || out.size() > maxBytes) {
        return QByteArray();
    }
    return out;
}
