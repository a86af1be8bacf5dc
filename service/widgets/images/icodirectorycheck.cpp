// SPDX-License-Identifier: GPL-2.0-or-later
#include "icodirectorycheck.h"

#include "imagelimits.h"

#include <QIODevice>
#include <QtEndian>

namespace
{
constexpr int headerBytes = 6;
constexpr int entryBytes = 16;
// Signature (8 bytes), IHDR length and type (8 bytes), then width and height.
constexpr int pngSizeEnd = 24;

bool entriesFit(QIODevice *device)
{
    const QByteArray header = device->read(headerBytes);
    if (header.size() != headerBytes) {
        return false;
    }
    const int count = qFromLittleEndian<quint16>(header.constData() + 4);
    for (int i = 0; i < count; ++i) {
        if (!device->seek(headerBytes + qint64(i) * entryBytes)) {
            return false;
        }
        const QByteArray entry = device->read(entryBytes);
        if (entry.size() != entryBytes || !device->seek(qFromLittleEndian<quint32>(entry.constData() + 12))) {
            return false;
        }
        const QByteArray start = device->read(pngSizeEnd);
        if (!start.startsWith("\x89PNG\r\n\x1a\n")) {
            continue; // a bitmap entry: Qt refuses those beyond 256 pixels itself
        }
        if (start.size() != pngSizeEnd) {
            return false;
        }
        const quint32 width = qFromBigEndian<quint32>(start.constData() + 16);
        const quint32 height = qFromBigEndian<quint32>(start.constData() + 20);
        if (width > quint32(ImageLimits::maxSide) || height > quint32(ImageLimits::maxSide) || !ImageLimits::isDecodable(QSize(int(width), int(height)))) {
            return false;
        }
    }
    return true;
}
}

bool IcoDirectoryCheck::embeddedImagesFit(QIODevice *device)
{
    const qint64 position = device->pos();
    const bool fit = device->seek(0) && entriesFit(device);
    device->seek(position);
    return fit;
}
