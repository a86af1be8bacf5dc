// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QColor>
#include <QModelIndex>
#include <QRect>
#include <QStringList>

#include <functional>

#include "veskcolortheme.h"

class QAbstractItemModel;
class QAbstractItemView;

/**
 * Reading the desktop theme's files: the colour theme of the pop-ups, the compositing switch,
 * the files whose change is a theme change, and the integrity level that forces the bright
 * theme. Nothing is cached: every call reads the files as they are at that moment, and every
 * problem silently gives a fixed fallback. GUI thread only.
 */
namespace VeskUtils
{
/// The complete colour theme of the current desktop theme. Also sets StyleHelper's base colour.
VeskColorTheme genColorTheme();
/// The background colour that the theme files name; always valid.
QColor backgroundColorFromTheme();
/// Whether the theme asks for translucent, composited windows.
bool useComposite();
/// The palette file, the theme settings file and, when the latter is readable, the taskbar image.
QStringList themePaths();
/// Canonical home of the user named by SUDO_USER; a null string when there is none to use.
QString sudoUserHomeDir();
/// The integrity level that "qmx-id -i" prints; 0 on any failure.
unsigned int ilevel();
/// A process at the maximal integrity level with a non-zero level.
bool isRedLevel();

/// @p value raised to @p minimum when below it, otherwise at most @p maximum.
int fixSize(int value, int minimum, int maximum);

using IndexVisitor = std::function<void(const QModelIndex &index, int depth)>;
/// Calls @p visitor with every index of @p model, parents before their children; top rows have depth 0.
void iterate(const QAbstractItemModel *model, const IndexVisitor &visitor);
/// The same for the model of @p view, starting below the view's root index.
void iterate(const QAbstractItemView *view, const IndexVisitor &visitor);
/// Writes the model of @p view to the debug log, one line per index.
void dumpData(QAbstractItemView *view);

/**
 * Where the system tray is: the geometry, in screen coordinates, of the window that owns the
 * X11 selection "_NET_SYSTEM_TRAY_S<screen>". @p fallback when there is no tray or no X11.
 */
QRect trayIconPosition(const QRect &fallback);

/// Every readable directory below @p dir, recursively, sorted; symbolic links are not followed.
QStringList subdirs(const QString &dir);
}
