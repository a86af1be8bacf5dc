// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QString>
#include <QStringList>

/**
 * What the pop-ups of the power settings show: the power profile that was switched to, and
 * whether sleep and screen locking are blocked.
 *
 * The rounded style uses its built-in icons. The standard style uses the icon theme's names,
 * and the name of the built-in drawing where the theme has none (older themes have no power
 * profile icons); the pop-up draws it as a theme icon, in the text colour where the theme's
 * background needs it.
 */
namespace PowerPopUps
{
struct Content {
    QString icon;
    QString text;
};

/// The pop-up for power profile @p profile ("power-saver", "balanced", "performance"); a
/// profile of another name shows that name with a generic icon. Empty for a name of blanks.
Content profile(const QString &profile, bool rounded);

/// The pop-up for sleep and screen locking blocked (@p inhibited) or allowed again.
Content inhibition(bool inhibited, bool rounded);

/// Every icon that the two functions above choose in one style.
QStringList iconNames(bool rounded);
}
