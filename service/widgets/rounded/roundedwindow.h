// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "popupwidget.h"

#include <memory>

class RoundedWindowPrivate;

/**
 * Base of the rounded pop-up window: a pop-up that, while mask updating is switched on, keeps a
 * window mask with rounded corners in step with its size and with being shown. The mask is what
 * rounds the window where no compositing manager can draw translucent corners.
 */
class RoundedWindow : public PopupWidget
{
    Q_OBJECT
public:
    /// @p config and @p owner as for PopupWidget.
    explicit RoundedWindow(OsdConfig *config = nullptr, QObject *owner = nullptr);
    ~RoundedWindow() override;

    int borderRadiusHorizontal() const;
    int borderRadiusVertical() const;
    void setBorderRadiusHorizontal(int radius);
    void setBorderRadiusVertical(int radius);

    bool isUpdatingRoundedMask() const;
    /// Switching on computes the mask at once; switching off removes it at once.
    void setUpdatingRoundedMask(bool on);
    void updateRoundedMask();

protected:
    void resizeEvent(QResizeEvent *e) override;
    void onShown() override;

private:
    void init();
    void shapeAtDevicePixels();

    std::unique_ptr<RoundedWindowPrivate> const d;
};
