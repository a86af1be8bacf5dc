// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QByteArray>

/**
 * The scale an X11 session asks for with the X resource Xft.dpi alone (192 dots per inch for
 * 200 %), made the scale of every screen when no scale factor is set: Qt 5 would only draw the
 * text larger in a window of the size of scale 1, and Qt 6 is kept from turning the font
 * resolution into a scale of its own (see SurfaceChooser::prepareApplication). A Plasma session
 * sets QT_SCREEN_SCALE_FACTORS beside Xft.dpi, which then wins, as a user's own setting does.
 */
namespace X11FontScale
{
/// Xft.dpi in @p resources, the X server's resource string; 0 when it names none.
qreal dpiFromResources(const QByteArray &resources);

/// Before the application is made, on the X server of $DISPLAY: sets QT_SCREEN_SCALE_FACTORS
/// to Xft.dpi / 96 when that is above 1 and no scale factor is set. Not for a user who chose
/// Qt's own high-DPI setting, which takes Xft.dpi itself in Qt 6.
void apply();
}
