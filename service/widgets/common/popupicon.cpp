// SPDX-License-Identifier: GPL-2.0-or-later
#include "popupicon.h"

#include "boundedsvgiconengine.h"
#include "iconthemecaches.h"
#include "imagefileloader.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QUrl>

// The built-in icon of that name, or a null icon. The set is compiled in and never changes:
// each icon is built once per process, and the same icon keeps its rendered pixmaps. Only names
// found in the built-in set are kept, so it holds at most that set. The drawings are SVG
// documents without a file suffix, for which Qt would load every image-format plugin to learn
// their type; they are drawn by the SVG icon engine of the image files instead, which needs no
// plugin at all.
static QIcon builtInIcon(const QString &name)
{
    static auto *const icons = new QHash<QString, QIcon>;
    const auto found = icons->constFind(name);
    if (found != icons->cend()) {
        return *found;
    }
    QFile resource(QStringLiteral(":/icons/%1").arg(name));
    if (!resource.open(QIODevice::ReadOnly)) {
        return QIcon();
    }
    const QIcon icon = BoundedSvgIconEngine::icon(resource.readAll());
    if (!icon.isNull()) {
        icons->insert(name, icon);
    }
    return icon;
}

QIcon PopupIcon::namedIcon(const QString &name)
{
    // A window without an icon yet asks for the empty name, which no theme holds; Qt would
    // read every theme's index to find that out.
    if (name.isEmpty()) {
        return QIcon();
    }
    const QIcon builtIn = builtInIcon(name);
    // The built-in names are in hardly any theme, and telling that from the themes' caches
    // spares the first pop-up reading the index of every theme.
    if (!builtIn.isNull() && IconThemeCaches::provesNull(name)) {
        return builtIn;
    }
    const QIcon themeIcon = QIcon::fromTheme(name);
    if (!themeIcon.isNull()) {
        return themeIcon;
    }
    // A theme without the icon (Breeze 6 has the Bluetooth "inactive" one only in a faint
    // symbolic form) gets the built-in drawing of the same meaning.
    return builtIn.isNull() ? builtInIcon(QLatin1String("mono-") + name) : builtIn;
}

QPixmap PopupIcon::pixmapAt(const QIcon &icon, const QSize &size, qreal ratio)
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    return icon.pixmap(size, ratio, QIcon::Normal, QIcon::Off);
#else
    if (qFuzzyCompare(ratio, 1.0)) {
        return icon.pixmap(size, QIcon::Normal, QIcon::Off);
    }
    QPixmap pixmap = icon.pixmap((QSizeF(size) * ratio).toSize(), QIcon::Normal, QIcon::Off);
    pixmap.setDevicePixelRatio(ratio);
    return pixmap;
#endif
}

QPixmap PopupIcon::imageAt(const QPixmap &image, const QSize &size, qreal ratio)
{
    const QSize device = (QSizeF(size) * ratio).toSize();
    if (image.isNull() || (device == image.size() && qFuzzyCompare(image.devicePixelRatio(), ratio))) {
        return image;
    }
    QPixmap scaled = image.scaled(device, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    scaled.setDevicePixelRatio(ratio);
    return scaled;
}

bool PopupIcon::isFileReference(const QString &name)
{
    return name.startsWith(QLatin1String("file://")) || name.contains(QLatin1Char('/'));
}

void PopupIcon::load(const QString &name, bool customImageMode, const QSize &imageLimit, NamedIconLookup lookup)
{
    if (!isFileReference(name)) {
        if (loaded && name == this->name) {
            return;
        }
        QIcon icon;
        if (hasPrevious && name == previousName) {
            icon = previousIcon;
        } else if (!name.isEmpty()) {
            icon = lookup(name);
        }
        hasPrevious = loaded && !isFileReference(this->name);
        if (hasPrevious) {
            previousName = this->name;
            previousIcon = iconValue;
        }
        loaded = true;
        this->name = name;
        fileModified = QDateTime();
        fileSize = -1;
        iconValue = icon;
        imageValue = QPixmap();
        kindValue = iconValue.isNull() ? Nothing : Icon;
        return;
    }

    QString path = name;
    bool local = true;
    if (name.startsWith(QLatin1String("file://"))) {
        const QUrl url(name, QUrl::TolerantMode);
        local = url.isLocalFile();
        if (local) {
            path = url.toLocalFile();
        }
    }
    const QFileInfo file(path);
    const bool exists = local && file.exists();
    const QDateTime modified = exists ? file.lastModified() : QDateTime();
    const qint64 size = exists ? file.size() : -1;
    if (loaded && name == this->name && customImageMode == this->customImageMode && imageLimit == this->imageLimit && modified == fileModified
        && size == fileSize) {
        return;
    }
    loaded = true;
    this->name = name;
    this->customImageMode = customImageMode;
    this->imageLimit = imageLimit;
    fileModified = modified;
    fileSize = size;
    iconValue = QIcon();
    imageValue = QPixmap();
    kindValue = Nothing;
    if (!exists) {
        return;
    }
    if (customImageMode) {
        imageValue = ImageFileLoader::loadPixmap(path, imageLimit);
        if (!imageValue.isNull()) {
            kindValue = Image;
            return;
        }
    }
    iconValue = ImageFileLoader::loadIcon(path);
    kindValue = iconValue.isNull() ? Nothing : Icon;
}

void PopupIcon::clear()
{
    loaded = false;
    hasPrevious = false;
    previousIcon = QIcon();
}

PopupIcon::Kind PopupIcon::kind() const
{
    return kindValue;
}

const QIcon &PopupIcon::icon() const
{
    return iconValue;
}

const QPixmap &PopupIcon::image() const
{
    return imageValue;
}
