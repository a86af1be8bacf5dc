// SPDX-License-Identifier: GPL-2.0-or-later
#include "iconthemefallback.h"

#include "osdservice_debug.h"

#include <QFileInfo>
#include <QIcon>

#include <algorithm>

static bool isInstalled(const QString &theme)
{
    const QStringList folders = QIcon::themeSearchPaths();
    return std::any_of(folders.begin(), folders.end(), [&theme](const QString &folder) {
        return QFileInfo::exists(folder + QLatin1Char('/') + theme + QLatin1String("/index.theme"));
    });
}

QString ensureUsableIconTheme()
{
    const QString current = QIcon::themeName();
    // hicolor is every theme's last fallback, not a theme of its own: it is what Qt names when
    // the session named nothing.
    if (!current.isEmpty() && current != QLatin1String("hicolor") && isInstalled(current)) {
        return current;
    }
    for (const QString &theme : {QStringLiteral("breeze"), QStringLiteral("hicolor")}) {
        if (isInstalled(theme)) {
            qCDebug(OSD_SERVICE) << "no usable icon theme in the session (" << current << "); using" << theme;
            QIcon::setThemeName(theme);
            return theme;
        }
    }
    return current;
}
