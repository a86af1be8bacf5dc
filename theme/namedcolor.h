// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QColor>
#include <QString>

/// The colour that @p name names ("#rrggbb", an SVG colour name...), invalid for a name that is
/// none. The name is checked before it is read: reading an unknown name makes Qt 5 print a
/// warning, and names come from theme files and from callers on the bus.
inline QColor namedColor(const QString &name)
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 4, 0)
    return QColor::isValidColorName(name) ? QColor::fromString(name) : QColor();
#else
    return QColor::isValidColor(name) ? QColor(name) : QColor();
#endif
}
