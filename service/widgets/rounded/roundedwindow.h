// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QWidget>

class RoundedWindowPrivate;

/**
 * Base of the rounded pop-up window: a widget that, while mask updating is switched on, keeps a
 * window mask with rounded corners in step with its size and with being shown. The mask is what
 * rounds the window where no compositing manager can draw translucent corners.
 */
class RoundedWindow : public QWidget
{
    Q_OBJECT
public:
    explicit RoundedWindow(QWidget *parent = nullptr);
    ~RoundedWindow() override;

    int borderRadiusHorizontal() const;
    int borderRadiusVertical() const;
    void setBorderRadiusHorizontal(int radius);
    void setBorderRadiusVertical(int radius);

    bool isUpdatingRoundedMask() const;
    /// Switching on computes the mask at once; switching off removes it at once.
    void setUpdatingRoundedMask(bool on);
    void updateRoundedMask();

public Q_SLOTS:
    void setVisible(bool visible) override;

protected:
    void resizeEvent(QResizeEvent *e) override;

private:
    void init();

    RoundedWindowPrivate *d;
};
