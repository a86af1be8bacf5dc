// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QColor>
#include <QImage>
#include <QRect>
#include <QStringList>

/// What the primary screen shows now: the whole screen, or @p area in root window coordinates.
QImage grabScreen(const QRect &area = QRect());
/// The colour shown at @p global.
QColor screenPixel(const QPoint &global);
/// The contrast to @p background that sixteen pixels of @p image reach: the contrast of an icon's
/// lines and fills, whatever the blended pixels at their edges, but not of a stray pixel.
double inkContrast(const QImage &image, const QColor &background);
/// Whether two colours differ by at most @p tolerance in each channel (rounding, blending).
bool nearColor(const QColor &a, const QColor &b, int tolerance = 2);
/// Saves @p image as "<name>.png" in $OSD_SCREENSHOT_DIR, or the temporary folder when that is
/// not set, so that a pop-up can be judged by eye; returns the file's path.
QString saveScreenshot(const QImage &image, const QString &name);

/// Announces the work area on the root window as a window manager with a panel would; Qt's
/// available geometry follows it. An empty rectangle removes it.
void setWorkArea(const QRect &area);
/// The window that has the keyboard focus on the test's display.
unsigned long inputFocus();
/// Raises top-level window @p window above its siblings, as its own program would.
void raiseWindow(unsigned long window);
/// Whether top-level window @p upper is stacked above top-level window @p lower.
bool stackedAbove(unsigned long upper, unsigned long lower);

/// Whether the keyboard's indicator @p name ("Caps Lock", "Num Lock", "Scroll Lock") is lit on
/// the test's display.
bool indicatorOn(const char *name);
/// Presses and releases each of @p keys (keysym names such as "Caps_Lock") in turn without a
/// pause, through the X server's test extension as xdotool does; false if that failed.
bool typeKeys(const QStringList &keys);

/// Moves the mouse pointer to @p position on X screen @p xScreen of the test's display.
void movePointer(int xScreen, const QPoint &position);

/**
 * A window of the test's own on X screen @p xScreen, made the active one: the window with the
 * keyboard focus, as on a display without a window manager, or the one that a window manager
 * names in "_NET_ACTIVE_WINDOW" while the focus follows the pointer. Gone, with the focus given
 * back to the pointer, when the object is.
 */
class ActiveWindow
{
public:
    enum How {
        Focus,
        WindowManager,
    };
    ActiveWindow(int xScreen, How how);
    ~ActiveWindow();

private:
    unsigned long window;
    unsigned long root;
    How how;
};
