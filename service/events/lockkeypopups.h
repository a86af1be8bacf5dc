// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "lockkey.h"

#include <QString>

/**
 * What the pop-up of a lock key shows: the key and its new state, in words and as an icon.
 *
 * The rounded style uses its built-in icons. The standard style uses the icon theme's names
 * ("input-caps-on", "input-caps-off", ...) where the theme has both states of the key, and the
 * names of the built-in drawings otherwise (Breeze draws only the states that are on); the
 * pop-up draws those as theme icons.
 */
namespace LockKeyPopUps
{
struct Content {
    QString icon;
    QString text;
};

/// The pop-up for @p key switched @p on or off.
Content content(LockKey key, bool on, bool rounded);
}
