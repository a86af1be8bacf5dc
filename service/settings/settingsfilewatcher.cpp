// SPDX-License-Identifier: GPL-2.0-or-later
#include "settingsfilewatcher.h"

#include <QFileInfo>

#include <sys/stat.h>

// A save is several system calls (truncate, write, rename): the file is looked at once they
// are likely all done, so that a half-written file is rarely read.
static const int settleMs = 50;

bool SettingsFileWatcher::Stamp::operator==(const Stamp &other) const
{
    return exists == other.exists && device == other.device && inode == other.inode && size == other.size && modifiedNs == other.modifiedNs
        && changedNs == other.changedNs;
}

SettingsFileWatcher::SettingsFileWatcher(QObject *parent)
    : QObject(parent)
{
    settle.setSingleShot(true);
    settle.setInterval(settleMs);
    connect(&settle, &QTimer::timeout, this, &SettingsFileWatcher::look);
    connect(&watcher, &QFileSystemWatcher::fileChanged, &settle, qOverload<>(&QTimer::start));
    connect(&watcher, &QFileSystemWatcher::directoryChanged, &settle, qOverload<>(&QTimer::start));
}

SettingsFileWatcher::~SettingsFileWatcher() = default;

void SettingsFileWatcher::addFile(const QString &path)
{
    if (stamps.contains(path)) {
        return;
    }
    stamps.insert(path, stampOf(path));
    watch(path);
}

SettingsFileWatcher::Stamp SettingsFileWatcher::stampOf(const QString &path)
{
    struct stat status;
    Stamp stamp;
    if (::stat(QFile::encodeName(path).constData(), &status) != 0) {
        return stamp;
    }
    stamp.exists = true;
    stamp.device = status.st_dev;
    stamp.inode = status.st_ino;
    stamp.size = status.st_size;
    stamp.modifiedNs = qint64(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec;
    stamp.changedNs = qint64(status.st_ctim.tv_sec) * 1000000000 + status.st_ctim.tv_nsec;
    return stamp;
}

// The folder is watched for the file's coming and going, the file, while it exists, for
// writes in place. A replaced file's watch ends with the old file, so it is taken up again.
void SettingsFileWatcher::watch(const QString &path)
{
    const QString folder = QFileInfo(path).absolutePath();
    if (!watcher.directories().contains(folder) && QFileInfo(folder).isDir()) {
        watcher.addPath(folder);
    }
    if (!watcher.files().contains(path) && QFileInfo::exists(path)) {
        watcher.addPath(path);
    }
}

void SettingsFileWatcher::look()
{
    for (auto it = stamps.begin(); it != stamps.end(); ++it) {
        watch(it.key());
        const Stamp now = stampOf(it.key());
        if (now == it.value()) {
            continue;
        }
        it.value() = now;
        Q_EMIT fileChanged(it.key());
    }
}
