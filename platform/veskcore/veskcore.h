// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>

// Stand-in for the desktop's libveskcore: where the desktop keeps a user's settings and themes.
// Paths are UTF-8 and never end in a slash, so callers append "/" and a name.

/// The desktop's directories. The numbers are the desktop's own; only these are provided here.
enum VeskDir {
    VeskSettingsDir = 2, ///< $HOME/.vesk
    VeskThemeDir = 3, ///< $HOME/.vesk/theme: the user's current theme
    VeskThemesRootDir = 27, ///< the installed themes, first "vesk/themes" in the XDG data dirs
};

/// Which session a configuration file belongs to.
enum WhatVeskSession {
    VeskCurrentSession = 0,
};

/**
 * The path of @p dir, worked out from the environment at the time of the call. The reference
 * stays valid until the next call for the same directory on the same thread. An unknown value
 * gives an empty path.
 */
const std::string &GetVeskDir(VeskDir dir);

/**
 * What the desktop appends to the names of per-session configuration files; empty for the
 * ordinary session. A session manager that runs other sessions names their suffix in the
 * environment variable VESK_SESSION_CONFIG_SUFFIX.
 */
std::string veskSessionConfigSuffix(WhatVeskSession session);
