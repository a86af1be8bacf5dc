// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QFileSystemWatcher>
#include <QHash>
#include <QObject>
#include <QTimer>

/**
 * Tells when a settings file was changed: written in place, replaced by another file renamed
 * over it (as most editors and KConfig save), created or removed.
 *
 * A watch on a file alone loses it when the file is replaced, and a watch on its folder alone
 * misses writes in place, so both are watched. A file counts as changed only when its identity,
 * size or times differ from the last look: other files of the same folder coming and going do
 * not count. Events that come in a burst, as one save makes several, are answered once.
 */
class SettingsFileWatcher : public QObject
{
    Q_OBJECT
public:
    explicit SettingsFileWatcher(QObject *parent = nullptr);
    ~SettingsFileWatcher() override;

    void addFile(const QString &path);

Q_SIGNALS:
    void fileChanged(const QString &path);

private:
    struct Stamp {
        bool exists = false;
        quint64 device = 0;
        quint64 inode = 0;
        qint64 size = 0;
        qint64 modifiedNs = 0;
        qint64 changedNs = 0;
        bool operator==(const Stamp &other) const;
    };
    static Stamp stampOf(const QString &path);
    void watch(const QString &path);
    void look();

    QFileSystemWatcher watcher;
    QTimer settle;
    QHash<QString, Stamp> stamps;
};
