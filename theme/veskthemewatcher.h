// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QObject>
#include <memory>

class VeskThemeWatcherPrivate;

/**
 * Tells a pop-up that the desktop theme may have changed: emits currentThemeChanged() for every
 * change notification of the theme files that existed when the watcher was made.
 *
 * No debouncing: a theme switch that rewrites several files gives several signals. A file
 * replaced by renaming over it stays watched; one deleted for good is watched no more.
 */
class VeskThemeWatcher : public QObject
{
    Q_OBJECT
public:
    explicit VeskThemeWatcher(QObject *parent = nullptr);
    ~VeskThemeWatcher() override;

Q_SIGNALS:
    void currentThemeChanged();

private Q_SLOTS:
    void onFileChanged(const QString &path);

private:
    void init();

    std::unique_ptr<VeskThemeWatcherPrivate> const d;
};
