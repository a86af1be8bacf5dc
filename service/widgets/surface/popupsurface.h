// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "osdconfig.h"

#include <QObject>
#include <QPointer>

class QPoint;
class QScreen;
class QWidget;

/**
 * The window-system side of a pop-up window: where it sits, how it stays above other windows,
 * which screen it follows and whether translucent windows are drawn by a compositor.
 *
 * One side is chosen for the whole process from the platform Qt runs on:
 * - X11: the window is moved, raised again while shown whenever another window may have come
 *   over it, and the compositing manager is tracked.
 * - Wayland with layer-shell: the window is a surface of the overlay layer on the followed
 *   output, placed by anchors and margins, never given the keyboard, with an empty input
 *   region so that clicks reach the window below. The compositor always composites.
 * - Wayland without layer-shell: no window can be placed, so none is ever mapped; the widget
 *   still goes through its shows and hides.
 *
 * The widget calls moveTo() with its top-left corner in the screen coordinates it would use
 * under X11, shown() right after it was shown and hidden() right after it was hidden.
 */
class Q_DECL_EXPORT PopupSurface : public QObject
{
    Q_OBJECT
public:
    ~PopupSurface() override;

    /// The followed screen; null while none is followed.
    QScreen *screen() const;
    /// Follows @p screen and, as long as any is followed, the primary screen; null: none.
    void setScreen(QScreen *screen);
    /// Follows, for a window about to be shown, the screen that @p choice names: the primary
    /// screen, whichever it becomes while the window is shown, or the screen chosen now, kept
    /// while the window is shown. Nothing changes while a screen is followed already.
    void followChosenScreen(OsdConfig::ScreenChoice choice);
    /// Follows @p screen, and only it, while the window is shown.
    void followScreen(QScreen *screen);

    /// The window system chooses the output of the window shown now, and screen() is the one
    /// the window was last seen on.
    bool isPlacedBySystem() const;

    /// Places the window's top-left corner at @p position.
    virtual void moveTo(const QPoint &position) = 0;
    virtual bool isCompositing() const = 0;
    /// Whether the window system cuts a window to its mask; where it does not, a mask only
    /// decides where the window takes input.
    virtual bool masksShape() const = 0;
    virtual void shown() = 0;
    virtual void hidden() = 0;

Q_SIGNALS:
    /// Another screen is followed; the window should be placed again.
    void screenChanged();
    /// The followed screen's geometry, available area or resolution changed.
    void screenMetricsChanged();
    void compositingChanged(bool active);

protected:
    explicit PopupSurface(QWidget *window);
    /// The screen of the active window or of the pointer for @p choice (never Primary); null:
    /// the window system places the window itself, on the output it finds best.
    virtual QScreen *chosenScreen(OsdConfig::ScreenChoice choice) const;
    virtual void followedScreenChanged();

    QWidget *const window;

private:
    void follow(QScreen *screen, bool primary);
    void onWindowScreenChanged(QScreen *screen);
    /// A chosen screen that goes away while the window is shown leaves it to the primary one.
    void onScreenRemoved(QScreen *removed);

    QPointer<QScreen> followed;
    bool followsPrimary = false;
    bool placedBySystem = false;
};
