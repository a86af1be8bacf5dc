// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QString>
#include <QTemporaryDir>
#include <QVector>

/**
 * Image paths that a hostile or careless caller on the bus could name, made at run time in a
 * temporary folder: special files, files that declare gigabytes of pixels, SVG documents that
 * take minutes to draw or open other files. Shared by the tests of the loader and of both
 * pop-up windows.
 */
class HostileImageFiles
{
public:
    struct Case {
        QByteArray name;
        QString path;
        /// An SVG document that only declares a huge size: it draws fine at a bounded size.
        bool drawsAtBoundedSize = false;
    };

    HostileImageFiles();

    /// False when a file could not be made; see error().
    bool isValid() const;
    QString error() const;
    QVector<Case> cases() const;

    /// A 30000 x 30000 one-bit PNG of about a hundred kilobytes.
    static QByteArray hugePng();
    /// A PNG declaring @p width x @p height, one bit per pixel, all zero; written in pieces so
    /// that making it costs no memory.
    static QByteArray zeroPng(int width, int height);
    /// @p data in a gzip wrapper, as in an .svgz file.
    static QByteArray gzip(const QByteArray &data);
    /// A Windows icon file holding the given PNG images.
    static QByteArray icoWithPngs(const QVector<QByteArray> &pngs);

private:
    bool write(const QString &name, const QByteArray &contents);
    void add(const QByteArray &name, const QString &path, bool drawsAtBoundedSize = false);

    QTemporaryDir dir;
    QVector<Case> made;
    QString problem;
};
