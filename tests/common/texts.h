// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QString>

/// @p piece over and over, cut to exactly @p length UTF-16 units.
QString repeated(const QString &piece, int length);
