// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QByteArray>
#include <QTest>

// The two pop-up styles in the rows of a `_data` table whose first column tells the style.
namespace Styles
{
/// The settings that choose each style.
inline const QByteArray roundedSettings("[OSD]\n");
inline const QByteArray standardSettings("[OSD]\nUseStandartMode=true\n");

/// For each style in turn calls @p addRows with that style's value, @p rounded or
/// @p standard, and the start of its rows' names, "rounded: " or "standard: ".
template<typename Style, typename AddRows>
void addRows(const Style &rounded, const Style &standard, AddRows addRows)
{
    addRows(rounded, "rounded: ");
    addRows(standard, "standard: ");
}

/// One row for each style, named "rounded" or "standard", with its value alone.
template<typename Style>
void addRows(const Style &rounded, const Style &standard)
{
    QTest::newRow("rounded") << rounded;
    QTest::newRow("standard") << standard;
}
}
