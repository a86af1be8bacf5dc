// SPDX-License-Identifier: GPL-2.0-or-later
#include "hostileimagefiles.h"

#include <QDir>
#include <QFile>
#include <QtEndian>

#include <sys/stat.h>
#include <zlib.h>

namespace
{
QByteArray pngChunk(const char *type, const QByteArray &data)
{
    QByteArray chunk;
    char length[4];
    qToBigEndian<quint32>(quint32(data.size()), length);
    chunk.append(length, 4);
    chunk.append(type, 4);
    chunk.append(data);
    const QByteArray typed = QByteArray(type, 4) + data;
    char crc[4];
    qToBigEndian<quint32>(quint32(crc32(0, reinterpret_cast<const Bytef *>(typed.constData()), uInt(typed.size()))), crc);
    chunk.append(crc, 4);
    return chunk;
}

// Deflates @p rows copies of @p row (zlib or gzip wrapper) without holding them all at once.
QByteArray deflateRepeated(const QByteArray &row, qint64 rows, bool gzip)
{
    z_stream stream = {};
    deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, gzip ? 16 + MAX_WBITS : MAX_WBITS, 9, Z_DEFAULT_STRATEGY);
    QByteArray out;
    QByteArray buffer(256 * 1024, '\0');
    for (qint64 i = 0; i <= rows; ++i) {
        const bool last = i == rows;
        stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(row.constData()));
        stream.avail_in = last ? 0 : uInt(row.size());
        do {
            stream.next_out = reinterpret_cast<Bytef *>(buffer.data());
            stream.avail_out = uInt(buffer.size());
            deflate(&stream, last ? Z_FINISH : Z_NO_FLUSH);
            out.append(buffer.constData(), buffer.size() - int(stream.avail_out));
        } while (stream.avail_out == 0);
    }
    deflateEnd(&stream);
    return out;
}

QByteArray svg(const QByteArray &size, const QByteArray &body)
{
    return "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" " + size + ">" + body + "</svg>\n";
}
}

HostileImageFiles::HostileImageFiles()
{
    const QString base = dir.path() + QLatin1Char('/');
    if (!dir.isValid()) {
        problem = QStringLiteral("no temporary folder");
        return;
    }

    if (::mkfifo(QFile::encodeName(base + QStringLiteral("fifo.png")).constData(), 0600) != 0) {
        problem = QStringLiteral("mkfifo failed");
    }
    add("FIFO without a writer", base + QStringLiteral("fifo.png"));

    QFile::link(QStringLiteral("/dev/zero"), base + QStringLiteral("x.png"));
    add("/dev/zero behind a link named x.png", base + QStringLiteral("x.png"));

    QDir(base).mkdir(QStringLiteral("folder.png"));
    add("directory", base + QStringLiteral("folder.png"));

    const QByteArray huge = hugePng();
    write(QStringLiteral("huge.png"), huge);
    add("30000x30000 PNG", base + QStringLiteral("huge.png"));

    write(QStringLiteral("huge-in-icon.ico"), icoWithPngs({huge}));
    add("icon file holding a 30000x30000 PNG", base + QStringLiteral("huge-in-icon.ico"));

    write(QStringLiteral("huge.svg"), svg("width=\"23000\" height=\"23000\"", "<rect width=\"23000\" height=\"23000\" fill=\"#3070c0\"/>"));
    add("SVG declaring 23000x23000", base + QStringLiteral("huge.svg"), true);

    // Ten levels of ten references each: 10^10 paths to draw.
    QByteArray levels = "<defs><path id=\"l0\" d=\"M0 0h2v2h-2z\"/>";
    for (int level = 1; level <= 10; ++level) {
        levels += "<g id=\"l" + QByteArray::number(level) + "\">";
        for (int i = 0; i < 10; ++i) {
            levels += "<use xlink:href=\"#l" + QByteArray::number(level - 1) + "\"/>";
        }
        levels += "</g>";
    }
    levels += "</defs><use xlink:href=\"#l10\"/>";
    write(QStringLiteral("use-bomb.svg"), svg("width=\"64\" height=\"64\"", levels));
    add("SVG of nested use elements", base + QStringLiteral("use-bomb.svg"));

    write(
        QStringLiteral("use-cycle.svg"),
        svg("width=\"64\" height=\"64\"", "<g id=\"a\"><rect width=\"4\" height=\"4\"/><use xlink:href=\"#b\"/></g><g id=\"b\"><use xlink:href=\"#a\"/></g>"));
    add("SVG with a reference cycle", base + QStringLiteral("use-cycle.svg"));

    QByteArray nested;
    for (int i = 0; i < 20000; ++i) {
        nested += "<g>";
    }
    nested += "<rect width=\"4\" height=\"4\"/>";
    for (int i = 0; i < 20000; ++i) {
        nested += "</g>";
    }
    write(QStringLiteral("deep.svg"), svg("width=\"64\" height=\"64\"", nested));
    add("SVG nested 20000 levels deep", base + QStringLiteral("deep.svg"));

    write(QStringLiteral("image-fifo.svg"),
          svg("width=\"64\" height=\"64\"", "<image width=\"64\" height=\"64\" xlink:href=\"" + QFile::encodeName(base) + "fifo.png\"/>"));
    add("SVG drawing the FIFO as an image", base + QStringLiteral("image-fifo.svg"));

    write(QStringLiteral("stylesheet-fifo.svg"),
          "<?xml-stylesheet type=\"text/css\" href=\"" + QFile::encodeName(base) + "fifo.png\"?>\n"
              + svg("width=\"64\" height=\"64\"", "<rect width=\"8\" height=\"8\"/>"));
    add("SVG whose style sheet is the FIFO", base + QStringLiteral("stylesheet-fifo.svg"));

    write(QStringLiteral("image-huge.svg"),
          svg("width=\"64\" height=\"64\"", "<image width=\"64\" height=\"64\" xlink:href=\"data:image/png;base64," + huge.toBase64() + "\"/>"));
    add("SVG embedding a 30000x30000 PNG", base + QStringLiteral("image-huge.svg"));

    // 200 MB of blanks in about 200 KB of gzip: decompression must stop long before the end.
    write(QStringLiteral("gzip-bomb.svgz"), deflateRepeated(QByteArray(1024 * 1024, ' '), 200, true));
    add("SVGZ expanding to 200 MB", base + QStringLiteral("gzip-bomb.svgz"));

    write(QStringLiteral("text.png"), "This is not an image.\n");
    add("text file named .png", base + QStringLiteral("text.png"));

    write(QStringLiteral("empty.png"), QByteArray());
    add("empty file", base + QStringLiteral("empty.png"));

    QFile sparse(base + QStringLiteral("oversized.png"));
    if (!sparse.open(QIODevice::WriteOnly) || !sparse.write(huge) || !sparse.resize(200LL * 1024 * 1024)) {
        problem = QStringLiteral("cannot make the sparse file");
    }
    add("200 MB file", base + QStringLiteral("oversized.png"));

    add("missing file", base + QStringLiteral("missing.png"));
}

bool HostileImageFiles::isValid() const
{
    return problem.isEmpty();
}

QString HostileImageFiles::error() const
{
    return problem;
}

QVector<HostileImageFiles::Case> HostileImageFiles::cases() const
{
    return made;
}

QByteArray HostileImageFiles::hugePng()
{
    return zeroPng(30000, 30000);
}

QByteArray HostileImageFiles::zeroPng(int width, int height)
{
    QByteArray header(13, '\0');
    qToBigEndian<quint32>(quint32(width), header.data());
    qToBigEndian<quint32>(quint32(height), header.data() + 4);
    header[8] = 1; // bit depth
    header[9] = 0; // greyscale
    const QByteArray row(1 + (width + 7) / 8, '\0'); // filter byte, then the pixels
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + pngChunk("IHDR", header) + pngChunk("IDAT", deflateRepeated(row, height, false))
        + pngChunk("IEND", QByteArray());
}

QByteArray HostileImageFiles::gzip(const QByteArray &data)
{
    return deflateRepeated(data, 1, true);
}

QByteArray HostileImageFiles::icoWithPngs(const QVector<QByteArray> &pngs)
{
    QByteArray ico(6, '\0');
    qToLittleEndian<quint16>(1, ico.data() + 2);
    qToLittleEndian<quint16>(quint16(pngs.size()), ico.data() + 4);
    quint32 offset = quint32(6 + 16 * pngs.size());
    for (const QByteArray &png : pngs) {
        QByteArray entry(16, '\0');
        const quint32 width = qFromBigEndian<quint32>(png.constData() + 16);
        const quint32 height = qFromBigEndian<quint32>(png.constData() + 20);
        entry[0] = char(width >= 256 ? 0 : width);
        entry[1] = char(height >= 256 ? 0 : height);
        qToLittleEndian<quint16>(1, entry.data() + 4);
        qToLittleEndian<quint16>(32, entry.data() + 6);
        qToLittleEndian<quint32>(quint32(png.size()), entry.data() + 8);
        qToLittleEndian<quint32>(offset, entry.data() + 12);
        ico += entry;
        offset += quint32(png.size());
    }
    for (const QByteArray &png : pngs) {
        ico += png;
    }
    return ico;
}

bool HostileImageFiles::write(const QString &name, const QByteArray &contents)
{
    QFile file(dir.filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(contents) != contents.size()) {
        problem = QStringLiteral("cannot write ") + name;
        return false;
    }
    return true;
}

void HostileImageFiles::add(const QByteArray &name, const QString &path, bool drawsAtBoundedSize)
{
    made.append({name, path, drawsAtBoundedSize});
}
