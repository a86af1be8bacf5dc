// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "popupsurface.h"

#include <QElapsedTimer>

class QTimer;
class X11Compositing;
class X11StackWatcher;

/**
 * A pop-up window on X11 (or on Wayland through Qt's own shell): moved by the widget, raised
 * again while shown whenever another window may have come over it, at most ten times a second,
 * drawn translucent while a compositing manager runs.
 */
class X11PopupSurface : public PopupSurface
{
public:
    explicit X11PopupSurface(QWidget *window);

    void moveTo(const QPoint &position) override;
    bool isCompositing() const override;
    bool masksShape() const override;
    void shown() override;
    void hidden() override;

protected:
    QScreen *chosenScreen(OsdConfig::ScreenChoice choice) const override;
    void followedScreenChanged() override;

private:
    void raise();
    void raiseSoon();

    /// A raise wanted too soon after the last one, at the end of the hold-off.
    QTimer *const raiseLater;
    X11StackWatcher *const stackWatcher;
    X11Compositing *const compositing;
    QElapsedTimer lastRaise;
    bool showing = false;
};
