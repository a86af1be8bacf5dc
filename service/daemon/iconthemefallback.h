// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QString>

/**
 * Gives Qt an icon theme when the session gives it none that is installed.
 *
 * Without a desktop platform theme (a bare X session, i3, sway) Qt knows no theme but the
 * hicolor base, which has none of the icons callers and the standard style name, and those
 * pop-ups would show their text only. Breeze is chosen where it is installed, otherwise
 * hicolor. A session whose own theme is installed keeps it.
 *
 * Call it once the application object exists; returns the theme in use afterwards.
 */
QString ensureUsableIconTheme();
