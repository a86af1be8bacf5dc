// SPDX-License-Identifier: GPL-2.0-or-later
#include "veskcore.h"

#include <QDir>
#include <QStandardPaths>

namespace
{
QString themesRoot()
{
    const QString subdir = QStringLiteral("vesk/themes");
    const QString found = QStandardPaths::locate(QStandardPaths::GenericDataLocation, subdir, QStandardPaths::LocateDirectory);
    if (!found.isEmpty()) {
        return QDir::cleanPath(found);
    }
    // Where the user's own themes would go: a path that simply holds no theme yet.
    return QDir::cleanPath(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QLatin1Char('/') + subdir);
}
}

const std::string &GetVeskDir(VeskDir dir)
{
    // One slot per directory, so that asking for one does not change a path handed out for another.
    thread_local std::string settings;
    thread_local std::string theme;
    thread_local std::string root;
    thread_local std::string unknown;

    switch (dir) {
    case VeskSettingsDir:
        settings = QDir::cleanPath(QDir::homePath() + QStringLiteral("/.vesk")).toStdString();
        return settings;
    case VeskThemeDir:
        theme = QDir::cleanPath(QDir::homePath() + QStringLiteral("/.vesk/theme")).toStdString();
        return theme;
    case VeskThemesRootDir:
        root = themesRoot().toStdString();
        return root;
    }
    unknown.clear();
    return unknown;
}

std::string veskSessionConfigSuffix(WhatVeskSession session)
{
    if (session != VeskCurrentSession) {
        return std::string();
    }
    return qgetenv("VESK_SESSION_CONFIG_SUFFIX").toStdString();
}
