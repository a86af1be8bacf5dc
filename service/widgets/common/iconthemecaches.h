// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

class QString;

/**
 * Tells from the icon themes' caches that Qt's icon loader finds no icon of a name.
 *
 * Asking a theme icon whether it is null makes Qt read the index file of every theme the name
 * falls through: for a name that no theme has, all of them, and hicolor's index of some 650
 * folders alone costs more than the rest of the first pop-up. The cache that
 * gtk-update-icon-cache keeps beside each theme (icon-theme.cache) answers the same question
 * with one lookup in a hash table, and Qt itself trusts it. The answer is given only where it is
 * certain, so that the icon shown never differs from Qt's: the icon is Qt's own loader's (a
 * platform theme's loader, as under Plasma, is never second-guessed), every theme the lookup may
 * reach has a cache as fresh as Qt demands in every folder, and neither the name nor a shorter
 * name Qt falls back to (the name cut at its last dash, again and again) lies in a cache or in a
 * folder that Qt searches outside the themes.
 */
namespace IconThemeCaches
{
/// True when QIcon::fromTheme(@p name) is certain to be null; false when it may hold an icon,
/// and then only Qt can tell. Reads no theme's index where the caches tell.
bool provesNull(const QString &name);
}
