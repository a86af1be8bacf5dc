// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

class PopupSurface;
class QWidget;

/**
 * The back end of PopupSurface for the platform the process runs on: an X11 window, a
 * layer-shell surface, or one never mapped where a Wayland compositor offers no way to place
 * a pop-up. The surface base class knows none of them.
 */
namespace SurfaceChooser
{
/// The window-system choices Qt reads only once, made before the application object exists.
void prepareApplication();
/// The surface of the process's platform for @p window, owned by the window.
PopupSurface *create(QWidget *window);
}
