// SPDX-License-Identifier: GPL-2.0-or-later
#include "powerpopups.h"

#include <KLazyLocalizedString>
#include <KLocalizedString>
#include <QIcon>

namespace
{
struct Profile {
    const char *name;
    const char *themeIcon;
    const char *builtInIcon;
    KLazyLocalizedString text;
};

const Profile profiles[] = {
    {"power-saver",
     "battery-profile-powersave",
     "mono-power-profile-power-saver",
     kli18nc("the power profile was switched to saving energy, keep short", "Power Saving Mode")},
    {"balanced", "speedometer", "mono-power-profile-balanced", kli18nc("the power profile was switched to balanced, keep short", "Balanced Mode")},
    {"performance",
     "battery-profile-performance",
     "mono-power-profile-performance",
     kli18nc("the power profile was switched to the highest performance, keep short", "Performance Mode")},
};

const Profile otherProfile{nullptr, "preferences-system-power-management", "mono-power-profile", {}};

QString icon(const char *themeIcon, const char *builtInIcon, bool rounded)
{
    const QString builtIn = QLatin1String(builtInIcon);
    if (rounded) {
        return builtIn;
    }
    const QString name = QLatin1String(themeIcon);
    return QIcon::hasThemeIcon(name) ? name : builtIn;
}
}

PowerPopUps::Content PowerPopUps::profile(const QString &profile, bool rounded)
{
    if (profile.trimmed().isEmpty()) {
        return {};
    }
    for (const Profile &known : profiles) {
        if (profile == QLatin1String(known.name)) {
            return {icon(known.themeIcon, known.builtInIcon, rounded), known.text.toString()};
        }
    }
    return {icon(otherProfile.themeIcon, otherProfile.builtInIcon, rounded), profile};
}

PowerPopUps::Content PowerPopUps::inhibition(bool inhibited, bool rounded)
{
    if (inhibited) {
        return {
            icon("system-suspend-inhibited", "mono-system-suspend-inhibited", rounded),
            ki18ndc("vesk_notify_osd_service", "sleep and screen locking were blocked by an application, keep short", "Automatic Sleep Blocked").toString()};
    }
    return {icon("system-suspend-uninhibited", "mono-system-suspend", rounded),
            ki18ndc("vesk_notify_osd_service", "sleep and screen locking are no longer blocked, keep short", "Automatic Sleep Allowed").toString()};
}

QStringList PowerPopUps::iconNames(bool rounded)
{
    QStringList names;
    for (const Profile &known : profiles) {
        names.append(icon(known.themeIcon, known.builtInIcon, rounded));
    }
    names.append(icon(otherProfile.themeIcon, otherProfile.builtInIcon, rounded));
    names.append(inhibition(true, rounded).icon);
    names.append(inhibition(false, rounded).icon);
    return names;
}
