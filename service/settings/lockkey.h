// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QFlags>
#include <QMetaType>

/// The keyboard's lock keys, whose changes the daemon shows by itself.
enum class LockKey {
    Caps = 0x1,
    Num = 0x2,
    Scroll = 0x4,
};
Q_DECLARE_FLAGS(LockKeys, LockKey)
Q_DECLARE_OPERATORS_FOR_FLAGS(LockKeys)
Q_DECLARE_METATYPE(LockKey)
Q_DECLARE_METATYPE(LockKeys)
