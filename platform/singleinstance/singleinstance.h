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
 */
class SingleInstance
{
public:
    /// @p key names the program; it becomes the lock file's name.
    explicit SingleInstance(const QString &key);
    ~SingleInstance();

    SingleInstance(const SingleInstance &) = delete;
    SingleInstance &operator=(const SingleInstance &) = delete;

    /// True when another live process holds the lock; false when this object holds it.
    bool isRunning() const;

    /// Where the lock file lives.
    QString lockFilePath() const;

private:
    std::unique_ptr<SingleInstancePrivate> const d;
};
