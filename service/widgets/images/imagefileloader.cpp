// SPDX-License-Identifier: GPL-2.0-or-later
#include "imagefileloader.h"

#include "boundedsvgiconengine.h"
#include "gzipinflater.h"
#include "icodirectorycheck.h"
#include "imagelimits.h"
#include "imageloading_debug.h"
#include "svgsafetycheck.h"

#include <QBuffer>
#include <QCache>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPixmapCache>
#include <QVector>

#include <algorithm>
#include <memory>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
// Upper bound on the images read from one multi-image file (icon sets, animations), on top of
// the pixel budget, so that a file of countless tiny frames ends too.
constexpr int maxIconImages = 256;

// Images up to this many pixels (4096 x 4096) are decoded whole before scaling.
constexpr qint64 exactScalingPixels = 16LL * 1024 * 1024;

bool isResourcePath(const QString &path)
{
    return path.startsWith(QLatin1Char(':'));
}

// Opens @p path for reading without ever blocking: O_NONBLOCK keeps open() on a FIFO from
// waiting for a writer, and the descriptor is checked to be a regular file of bounded size
// before anything is read from it. @p identity names the file's present contents as far as
// the file system tells (a rewritten or replaced file gets a new one), for the caches.
bool openBounded(const QString &path, QFile &file, QByteArray &identity)
{
    if (path.isEmpty() || path.contains(QChar(0))) {
        return false;
    }
    if (isResourcePath(path)) {
        file.setFileName(path);
        identity = path.toUtf8();
        return file.open(QIODevice::ReadOnly) && file.size() <= ImageLimits::maxFileBytes;
    }
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        qCDebug(OSD_IMAGE) << "cannot open" << path;
        return false;
    }
    struct stat status;
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || status.st_size > ImageLimits::maxFileBytes) {
        qCDebug(OSD_IMAGE) << "not a regular file of bounded size:" << path;
        ::close(fd);
        return false;
    }
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
    identity = QByteArray::number(quint64(status.st_dev)) + ':' + QByteArray::number(quint64(status.st_ino)) + ':' + QByteArray::number(qint64(status.st_size))
        + ':' + QByteArray::number(qint64(status.st_mtim.tv_sec)) + '.' + QByteArray::number(qint64(status.st_mtim.tv_nsec)) + ':'
        + QByteArray::number(qint64(status.st_ctim.tv_sec)) + '.' + QByteArray::number(qint64(status.st_ctim.tv_nsec)) + ':' + QFile::encodeName(path);
    return true;
}

// The pop-ups ask for the same file again on every relayout; decoding, checking and drawing
// it once is enough while it stays the same.
QCache<QByteArray, QIcon> &iconCache()
{
    static QCache<QByteArray, QIcon> cache(16);
    return cache;
}

QByteArray suffixOf(const QString &path)
{
    return QFileInfo(path).suffix().toLower().toLatin1();
}

// A reader that can read the file, or none. QImageReader on a file name first tries the
// handler its suffix names and falls back to the content; a file opened by descriptor has no
// name, and a format given explicitly is trusted without looking, so both steps are done here.
std::unique_ptr<QImageReader> readerFor(QFile &file, const QString &path)
{
    const QByteArray suffix = suffixOf(path);
    if (!suffix.isEmpty()) {
        auto bySuffix = std::make_unique<QImageReader>(&file, suffix);
        if (bySuffix->canRead()) {
            return bySuffix;
        }
        file.seek(0);
    }
    auto byContent = std::make_unique<QImageReader>(&file);
    if (byContent->canRead()) {
        return byContent;
    }
    qCDebug(OSD_IMAGE) << "not an image:" << path;
    return nullptr;
}

bool isSvgFormat(const QByteArray &format)
{
    return format == "svg" || format == "svgz";
}

// Formats whose declared size the decoder may exceed get their own check first.
bool containerFits(QImageReader &reader)
{
    const QByteArray format = reader.format();
    if (format != "ico" && format != "cur") {
        return true;
    }
    if (!IcoDirectoryCheck::embeddedImagesFit(reader.device())) {
        qCDebug(OSD_IMAGE) << "icon file holds an image out of bounds";
        return false;
    }
    return true;
}

// QIcon chooses its SVG engine by these file name endings.
bool hasSvgName(const QString &path)
{
    const QString name = path.toLower();
    return name.endsWith(QLatin1String(".svg")) || name.endsWith(QLatin1String(".svgz")) || name.endsWith(QLatin1String(".svg.gz"));
}

// The whole document, decompressed and checked, or a null array.
QByteArray readSafeSvg(QFile &file, const QString &path)
{
    if (file.size() > ImageLimits::maxSvgBytes || !file.seek(0)) {
        return QByteArray();
    }
    QByteArray document = file.read(ImageLimits::maxSvgBytes);
    if (GzipInflater::isGzip(document)) {
        document = GzipInflater::inflate(document, ImageLimits::maxSvgBytes);
    }
    if (document.isEmpty() || !SvgSafetyCheck::isSafe(document)) {
        qCDebug(OSD_IMAGE) << "SVG document refused:" << path;
        return QByteArray();
    }
    return document;
}

// Draws a checked document at its default size, or directly at the size that fits @p bound.
QPixmap renderSvg(QByteArray document, const QSize &bound)
{
    QBuffer buffer(&document);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "svg");
    const QSize declared = reader.size();
    const QSize target = ImageLimits::fittedInto(declared, bound);
    if (!ImageLimits::isDecodable(target)) {
        qCDebug(OSD_IMAGE) << "SVG size out of bounds:" << declared;
        return QPixmap();
    }
    if (target != declared) {
        reader.setScaledSize(target);
    }
    return QPixmap::fromImage(reader.read());
}

QPixmap decodeRaster(QImageReader &reader, const QSize &bound)
{
    const QSize declared = reader.size();
    if (!ImageLimits::isDecodable(declared) || !containerFits(reader)) {
        qCDebug(OSD_IMAGE) << "image size unknown or out of bounds:" << declared;
        return QPixmap();
    }
    const QSize target = ImageLimits::fittedInto(declared, bound);
    // Decoders scale in their own ways (JPEG by its transform blocks), so ordinary images are
    // decoded whole and scaled as QPixmap::scaled does; only large ones are decoded scaled.
    if (target != declared && qint64(declared.width()) * declared.height() > exactScalingPixels) {
        reader.setScaledSize(target);
    }
    QPixmap pixmap = QPixmap::fromImage(reader.read());
    if (!pixmap.isNull() && pixmap.size() != target) {
        pixmap = pixmap.scaled(target, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
    return pixmap;
}

int origIcoDepth(const QImage &image)
{
    const QString depth = image.text(QStringLiteral("_q_icoOrigDepth"));
    return depth.isEmpty() ? 32 : depth.toInt();
}

// QIcon(path) keeps every image of the file and, among images of one size, shows the last
// one read, except in Windows icon files, where it keeps the first one of the highest
// original colour depth in its place. Keeping only those images gives the same icon.
QIcon readIconImages(QImageReader &reader)
{
    const bool icoFile = reader.format() == "ico";
    if (!containerFits(reader)) {
        return QIcon();
    }
    QVector<QImage> kept;
    qint64 pixelsLeft = ImageLimits::maxPixels;
    for (int count = 0; count < maxIconImages; ++count) {
        const QSize declared = reader.size();
        if (!ImageLimits::isDecodable(declared)) {
            break;
        }
        pixelsLeft -= qint64(declared.width()) * declared.height();
        QImage image;
        if (pixelsLeft < 0 || !reader.read(&image)) {
            break;
        }
        const bool more = reader.jumpToNextImage();
        const auto same = std::find_if(kept.begin(), kept.end(), [&image](const QImage &k) {
            return k.size() == image.size();
        });
        if (same == kept.end()) {
            kept.append(image);
        } else if (!icoFile) {
            kept.erase(same);
            kept.append(image);
        } else if (origIcoDepth(image) > origIcoDepth(*same)) {
            *same = image;
        }
        if (!more) {
            break;
        }
    }
    QIcon icon;
    for (const QImage &image : std::as_const(kept)) {
        icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}

QIcon readIcon(QFile &file, const QString &path)
{
    if (hasSvgName(path)) {
        const QByteArray document = readSafeSvg(file, path);
        return document.isNull() ? QIcon() : BoundedSvgIconEngine::icon(document);
    }
    const std::unique_ptr<QImageReader> reader = readerFor(file, path);
    if (!reader) {
        return QIcon();
    }
    if (isSvgFormat(reader->format())) {
        const QByteArray document = readSafeSvg(file, path);
        if (document.isNull()) {
            return QIcon();
        }
        // QIcon recognises an SVG document without a suffix by its content; under any other
        // name it reads it as one image at its default size.
        if (suffixOf(path).isEmpty()) {
            return BoundedSvgIconEngine::icon(document);
        }
        return QIcon(renderSvg(document, QSize()));
    }
    return readIconImages(*reader);
}
}

QPixmap ImageFileLoader::loadPixmap(const QString &path, const QSize &bound)
{
    QFile file;
    QByteArray identity;
    if (!openBounded(path, file, identity)) {
        return QPixmap();
    }
    const QString cacheKey = QStringLiteral("osd-image:%1:%2x%3").arg(QString::fromUtf8(identity)).arg(bound.width()).arg(bound.height());
    QPixmap pixmap;
    if (QPixmapCache::find(cacheKey, &pixmap)) {
        return pixmap;
    }
    const std::unique_ptr<QImageReader> reader = readerFor(file, path);
    if (!reader) {
        return QPixmap();
    }
    if (isSvgFormat(reader->format())) {
        const QByteArray document = readSafeSvg(file, path);
        pixmap = document.isNull() ? QPixmap() : renderSvg(document, bound);
    } else {
        pixmap = decodeRaster(*reader, bound);
    }
    if (!pixmap.isNull()) {
        QPixmapCache::insert(cacheKey, pixmap);
    }
    return pixmap;
}

QIcon ImageFileLoader::loadIcon(const QString &path)
{
    QFile file;
    QByteArray identity;
    if (!openBounded(path, file, identity)) {
        return QIcon();
    }
    if (const QIcon *cached = iconCache().object(identity)) {
        return *cached;
    }
    const QIcon icon = readIcon(file, path);
    if (!icon.isNull()) {
        iconCache().insert(identity, new QIcon(icon));
    }
    return icon;
}
