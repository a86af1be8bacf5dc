// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "popupsurface.h"

class QTimer;
class X11Compositing;

/**
 * A pop-up window on X11 (or on Wayland through Qt's own shell): moved by the widget,
 * re-raised ten times a second while shown, drawn translucent while a compositing manager runs.
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

    QTimer *const raiseTimer;
    X11Compositing *const compositing;
};
