// SPDX-License-Identifier: GPL-2.0-or-later
#include "iconthemevariant.h"

#include "stylehelper.h"

#include <QColor>
#include <QDir>
#include <QFileInfo>
#include <QIcon>

namespace
{
const QLatin1String darkSuffix("-dark");

// The installed theme named @p name in any case, as its folder spells it; null when none is.
QString installedTheme(const QString &name)
{
    for (const QString &folder : QIcon::themeSearchPaths()) {
        const QStringList themes = QDir(folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        for (const QString &theme : themes) {
            if (theme.compare(name, Qt::CaseInsensitive) == 0 && QFileInfo::exists(folder + QLatin1Char('/') + theme + QLatin1String("/index.theme"))) {
                return theme;
            }
        }
    }
    return QString();
}
}

namespace IconThemeVariant
{
QString forColors(const QString &theme, const QColor &background, const QColor &text)
{
    const bool isDarkVariant = theme.endsWith(darkSuffix, Qt::CaseInsensitive);
    // The lighter of two colours stands out more against black.
    const bool wantsLightIcons = StyleHelper::contrastRatio(text, Qt::black) > StyleHelper::contrastRatio(background, Qt::black);
    if (wantsLightIcons == isDarkVariant || theme.isEmpty()) {
        return theme;
    }
    const QString variant = installedTheme(wantsLightIcons ? theme + darkSuffix : theme.chopped(darkSuffix.size()));
    return variant.isNull() ? theme : variant;
}
}
