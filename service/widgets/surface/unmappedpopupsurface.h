// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "popupsurface.h"

/**
 * A pop-up window on a compositor where none can be placed: it is never mapped, since a
 * toplevel window would land wherever the compositor puts windows and could take the keyboard
 * focus. The widget still goes through its shows and hides.
 */
class UnmappedPopupSurface : public PopupSurface
{
public:
    explicit UnmappedPopupSurface(QWidget *window);

    void moveTo(const QPoint &position) override;
    bool isCompositing() const override;
    bool masksShape() const override;
    void shown() override;
    void hidden() override;
};
