// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QString>

#include <memory>

class SingleInstancePrivate;

/**
 * Guards a per-user program against a second running copy.
 *
 * The guard holds a lock file in the user's runtime directory for as long as it lives. A lock
 * left behind by a copy that died without cleaning up (killed with SIGKILL, say) is recognised
 * as stale by the process id it records and taken over, so a crash never blocks the next start.
 * Only a live holder counts as a running copy: a lock that cannot be taken for another reason
 * (a runtime directory that cannot be written or made, say) is a failure of its own.
 */
class SingleInstance
{
public:
    enum Status {
        Owned, ///< this object holds the lock
        AlreadyRunning, ///< another live process holds it
        Failed, ///< nobody holds it, and it cannot be taken (see errorString())
    };

    /// @p key names the program; it becomes the lock file's name.
    explicit SingleInstance(const QString &key);
    ~SingleInstance();

    SingleInstance(const SingleInstance &) = delete;
    SingleInstance &operator=(const SingleInstance &) = delete;

    Status status() const;

    /// True when another live process holds the lock.
    bool isRunning() const;

    /// The system's reason why the lock could not be taken, when the status is Failed.
    QString errorString() const;

    /// Where the lock file lives.
    QString lockFilePath() const;

private:
    std::unique_ptr<SingleInstancePrivate> const d;
};
