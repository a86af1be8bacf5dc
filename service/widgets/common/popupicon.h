// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QDateTime>
#include <QIcon>
#include <QPixmap>
#include <QSize>
#include <QString>

/**
 * The picture that a pop-up's icon name stands for, loaded once for each change.
 *
 * A name is an icon of the icon theme (or of the program's own set), or it names an image
 * file: an absolute path, any name with a slash, or a "file://" URL. A file is read only
 * through ImageFileLoader, since any program on the bus names it; a file it refuses, a file
 * that does not exist and a URL of another host show nothing. In custom image mode a file is
 * shown as an image of its own size, up to a limit, instead of as an icon.
 *
 * load() keeps what it loaded and loads again only when the name, the mode, the limit or the
 * file (its size or modification time) changed, so that a service that asks for the same icon
 * with every value never reads the file again.
 */
class PopupIcon
{
public:
    enum Kind {
        Nothing,
        Icon,
        Image,
    };

    using NamedIconLookup = QIcon (*)(const QString &name);

    static bool isFileReference(const QString &name);
    /// The icon theme's icon of that name, else the program's own icon of that name, else a
    /// null icon: theme icons win, and a theme without one still shows the program's drawing.
    static QIcon namedIcon(const QString &name);
    /// @p icon for @p size logical pixels on a device of @p ratio device pixels to one: drawn
    /// anew from its source at that resolution (an SVG at every ratio, a theme's pictures at
    /// their largest fitting size), never a picture of a smaller ratio stretched.
    static QPixmap pixmapAt(const QIcon &icon, const QSize &size, qreal ratio);
    /// @p image, of @p size logical pixels, for a device of @p ratio: scaled once, smoothly.
    static QPixmap imageAt(const QPixmap &image, const QSize &size, qreal ratio);

    /// Makes what @p name shows current: a named icon through @p lookup, a file as an icon,
    /// or in @p customImageMode as an image no larger than @p imageLimit (if valid). The named
    /// icon current before is kept and not looked up again when its name comes back next.
    void load(const QString &name, bool customImageMode, const QSize &imageLimit, NamedIconLookup lookup);
    /// Forgets what was loaded, as after a change of the icon theme.
    void clear();

    Kind kind() const;
    /// The icon, for Kind Icon.
    const QIcon &icon() const;
    /// The image, for Kind Image.
    const QPixmap &image() const;

private:
    bool loaded = false;
    QString name;
    bool customImageMode = false;
    QSize imageLimit;
    QDateTime fileModified;
    qint64 fileSize = -1;

    Kind kindValue = Nothing;
    QIcon iconValue;
    QPixmap imageValue;

    // The named icon shown before the current one, kept: a volume key switches between two
    // (muted and a level), and every lookup of a name asks the file system for loose files.
    bool hasPrevious = false;
    QString previousName;
    QIcon previousIcon;
};
