// SPDX-License-Identifier: GPL-2.0-or-later
#include "popupicon.h"

#include "imagefileloader.h"

#include <QFileInfo>
#include <QUrl>

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
        loaded = true;
        this->name = name;
        fileModified = QDateTime();
        fileSize = -1;
        iconValue = name.isEmpty() ? QIcon() : lookup(name);
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
