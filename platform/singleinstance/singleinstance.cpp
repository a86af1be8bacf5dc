// SPDX-License-Identifier: GPL-2.0-or-later
#include "singleinstance.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <unistd.h>

class SingleInstancePrivate
{
public:
    explicit SingleInstancePrivate(const QString &path)
        : path(path)
        , lock(path)
    {
    }

    bool hasLiveHolder();
    QString failureReason() const;

    QString path;
    QLockFile lock;
    SingleInstance::Status status = SingleInstance::Failed;
    QString error;
};

bool SingleInstancePrivate::hasLiveHolder()
{
    qint64 pid = 0;
    QString hostName;
    QString appName;
    if (lock.getLockInfo(&pid, &hostName, &appName) && pid > 0 && (::kill(pid_t(pid), 0) == 0 || errno == EPERM)) {
        return true;
    }
    // A holder that has not yet written its record, or whose record was damaged, still keeps
    // its flock() on the file.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return false;
    }
    const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return held;
}

// QLockFile tells no more than its kind of failure: the system calls that taking the lock
// makes are repeated here for the system's own reason.
QString SingleInstancePrivate::failureReason() const
{
    const QByteArray name = QFile::encodeName(path);
    int fd = ::open(name.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd >= 0) {
        // Possible now, after all: the failure was passing.
        ::close(fd);
        ::unlink(name.constData());
        return QStringLiteral("it could not be created a moment ago, but can be now; start again");
    }
    if (errno != EEXIST) {
        return QString::fromLocal8Bit(std::strerror(errno));
    }
    // The file is there but nobody holds it: it cannot be read, or cannot be removed.
    fd = ::open(name.constData(), O_RDWR | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return QString::fromLocal8Bit(std::strerror(errno));
    }
    ::close(fd);
    const int removable = ::access(QFile::encodeName(QFileInfo(path).absolutePath()).constData(), W_OK);
    return QString::fromLocal8Bit(std::strerror(removable == 0 ? EEXIST : errno));
}

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
    bool owned = d->lock.tryLock(0);
    if (!owned && d->lock.error() == QLockFile::LockFailedError) {
        // A lock file that cannot be read (left empty by a holder killed while writing it, or
        // damaged) never looks stale to tryLock(). A live holder keeps an flock() on the file,
        // so removeStaleLockFile() succeeds only when nobody holds it.
        d->lock.removeStaleLockFile();
        owned = d->lock.tryLock(0);
    }
    if (owned) {
        d->status = Owned;
    } else if (d->lock.error() == QLockFile::LockFailedError && d->hasLiveHolder()) {
        d->status = AlreadyRunning;
    } else {
        d->status = Failed;
        d->error = d->failureReason();
    }
}

SingleInstance::~SingleInstance() = default;

SingleInstance::Status SingleInstance::status() const
{
    return d->status;
}

bool SingleInstance::isRunning() const
{
    return d->status == AlreadyRunning;
}

QString SingleInstance::errorString() const
{
    return d->error;
}

QString SingleInstance::lockFilePath() const
{
    return d->path;
}
