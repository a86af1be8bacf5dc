// SPDX-License-Identifier: GPL-2.0-or-later
#include "veskthemewatcher.h"

#include "veskutils.h"

#include <QFile>
#include <QFileSystemWatcher>

class VeskThemeWatcherPrivate
{
public:
    QFileSystemWatcher *watcher = nullptr;
};

VeskThemeWatcher::VeskThemeWatcher(QObject *parent)
    : QObject(parent)
    , d(std::make_unique<VeskThemeWatcherPrivate>())
{
    init();
}

VeskThemeWatcher::~VeskThemeWatcher() = default;

void VeskThemeWatcher::init()
{
    d->watcher = new QFileSystemWatcher(this);
    // Files that do not exist cannot be watched; they are simply left out.
    d->watcher->addPaths(VeskUtils::themePaths());
    connect(d->watcher, &QFileSystemWatcher::fileChanged, this, &VeskThemeWatcher::onFileChanged);
}

void VeskThemeWatcher::onFileChanged(const QString &path)
{
    // A file replaced by a new one (written elsewhere and renamed over it) loses its watch.
    if (!d->watcher->files().contains(path) && QFile::exists(path)) {
        d->watcher->addPath(path);
    }
    Q_EMIT currentThemeChanged();
}
