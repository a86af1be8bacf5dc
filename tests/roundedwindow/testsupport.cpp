// SPDX-License-Identifier: GPL-2.0-or-later
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QX11Info>

#include <zlib.h>

TestHome::TestHome()
{
    qputenv("HOME", QFile::encodeName(dir.path()));
    QDir(dir.path()).mkpath(QStringLiteral(".vesk/theme"));
}

QString TestHome::path(const QString &name) const
{
    return dir.filePath(name);
}

void TestHome::writeTheme(bool useComposite, const QString &taskbarColor) const
{
    // Rewritten in place, so that the theme watcher keeps watching the same file.
    QByteArray contents = "[Variables]\nUseComposite=" + QByteArray(useComposite ? "true" : "false") + '\n';
    if (!taskbarColor.isEmpty()) {
        contents += "TaskbarColor=" + taskbarColor.toLatin1() + '\n';
    }
    writeFile(path(QStringLiteral(".vesk/theme/current.themerc")), contents);
}

Display *x11Display()
{
    return QX11Info::display();
}

void writeFile(const QString &path, const QByteArray &contents)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        file.write(contents);
    }
}

namespace
{
QByteArray bigEndian(quint32 value)
{
    const char bytes[] = {char(value >> 24), char(value >> 16), char(value >> 8), char(value)};
    return QByteArray(bytes, sizeof bytes);
}

QByteArray pngChunk(const QByteArray &type, const QByteArray &data)
{
    const QByteArray typed = type + data;
    const uLong crc = crc32(crc32(0, nullptr, 0), reinterpret_cast<const Bytef *>(typed.constData()), typed.size());
    return bigEndian(data.size()) + typed + bigEndian(crc);
}
}

bool writeBlankPng(const QString &path, int width, int height)
{
    QByteArray header = bigEndian(width) + bigEndian(height);
    header += QByteArray("\x01\x00\x00\x00\x00", 5); // 1 bit, grey, deflate, no filter, not interlaced

    // Each row is a filter byte and width / 8 bytes of black, deflated one row at a time.
    const QByteArray row((width + 7) / 8 + 1, '\0');
    QByteArray compressed;
    z_stream stream = {};
    if (deflateInit(&stream, Z_BEST_COMPRESSION) != Z_OK) {
        return false;
    }
    char buffer[65536];
    for (int y = 0; y < height; ++y) {
        stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(row.constData()));
        stream.avail_in = row.size();
        const int flush = y == height - 1 ? Z_FINISH : Z_NO_FLUSH;
        do {
            stream.next_out = reinterpret_cast<Bytef *>(buffer);
            stream.avail_out = sizeof buffer;
            deflate(&stream, flush);
            compressed.append(buffer, int(sizeof buffer - stream.avail_out));
        } while (stream.avail_out == 0);
    }
    deflateEnd(&stream);

    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    file.write("\x89PNG\r\n\x1a\n");
    file.write(pngChunk("IHDR", header));
    file.write(pngChunk("IDAT", compressed));
    file.write(pngChunk("IEND", QByteArray()));
    return true;
}

QByteArray nestedUseSvg(int depth, int fanOut)
{
    QByteArray svg = "<svg xmlns='http://www.w3.org/2000/svg' xmlns:xlink='http://www.w3.org/1999/xlink'"
                     " width='24' height='24'><defs><rect id='l0' width='2' height='2'/>";
    for (int level = 1; level <= depth; ++level) {
        svg += "<g id='l" + QByteArray::number(level) + "'>";
        for (int i = 0; i < fanOut; ++i) {
            svg += "<use xlink:href='#l" + QByteArray::number(level - 1) + "'/>";
        }
        svg += "</g>";
    }
    return svg + "</defs><use xlink:href='#l" + QByteArray::number(depth) + "'/></svg>";
}

Deadline::Deadline(const char *what, int seconds)
    : watchdog([this, what = QByteArray(what), seconds] {
        std::unique_lock<std::mutex> lock(mutex);
        if (!condition.wait_for(lock, std::chrono::seconds(seconds), [this] {
                return done;
            })) {
            qFatal("still busy after %d s: %s", seconds, what.constData());
        }
    })
{
}

Deadline::~Deadline()
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        done = true;
    }
    condition.notify_all();
    watchdog.join();
}
