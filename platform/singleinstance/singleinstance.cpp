// SPDX-License-Identifier: GPL-2.0-or-later
#include "singleinstance.h"

#include <QDir>
#include <QLockFile>
#include <QStandardPaths>

class SingleInstancePrivate
{
public:
    explicit SingleInstancePrivate(const QString &path)
        : path(path)
        , lock(path)
    {
    }

    QString path;
    QLockFile lock;
    bool owned = false;
};

static QString lockPathFor(const QString &key)
{
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty()) {
        dir = QDir::tempPath();
    }
    QDir().mkpath(dir);
    return dir + QLatin1Char('/') + key + QLatin1String(".lock");
}

SingleInstance::SingleInstance(const QString &key)
    : d(new SingleInstancePrivate(lockPathFor(key)))
{
    // A stale time of 0 means the lock never goes stale by its age, only when the process that
    // wrote it is gone (or its pid now belongs to another program): a daemon may legitimately run
    // for weeks. tryLock() takes such a stale lock over by itself.
    d->lock.setStaleLockTime(0);
    d->owned = d->lock.tryLock(0);
    if (!d->owned && d->lock.error() == QLockFile::LockFailedError) {
        // A lock file that cannot be read (left empty by a holder killed while writing it, or
        // damaged) never looks stale to tryLock(). A live holder keeps an flock() on the file,
        // so removeStaleLockFile() succeeds only when nobody holds it.
        d->lock.removeStaleLockFile();
        d->owned = d->lock.tryLock(0);
    }
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::isRunning() const
{
    return !d->owned;
}

QString SingleInstance::lockFilePath() const
{
    return d->path;
}
