// SPDX-License-Identifier: GPL-2.0-or-later
#include "roundedwindow.h"

#include "osdutils.h"

class RoundedWindowPrivate
{
public:
    int borderRadiusHorizontal = 12;
    int borderRadiusVertical = 12;
    bool updatingRoundedMask = false;

    // The last mask worked out: each show of a visible pop-up asks for it again, mostly for
    // the same size.
    QRegion mask;
    QSize maskSize;
    int maskRadiusHorizontal = -1;
    int maskRadiusVertical = -1;

    const QRegion &roundedMask(const QRect &rect)
    {
        if (rect.size() != maskSize || borderRadiusHorizontal != maskRadiusHorizontal || borderRadiusVertical != maskRadiusVertical) {
            mask = OsdUtils::roundedRect(rect, borderRadiusHorizontal, borderRadiusVertical);
            maskSize = rect.size();
            maskRadiusHorizontal = borderRadiusHorizontal;
            maskRadiusVertical = borderRadiusVertical;
        }
        return mask;
    }
};

RoundedWindow::RoundedWindow(OsdConfig *config, QObject *owner)
    : PopupWidget(config, owner)
{
    init();
}

RoundedWindow::~RoundedWindow() = default;

void RoundedWindow::init()
{
    d = std::make_unique<RoundedWindowPrivate>();
    updateRoundedMask();
}

int RoundedWindow::borderRadiusHorizontal() const
{
    return d->borderRadiusHorizontal;
}

int RoundedWindow::borderRadiusVertical() const
{
    return d->borderRadiusVertical;
}

void RoundedWindow::setBorderRadiusHorizontal(int radius)
{
    if (d->borderRadiusHorizontal == radius) {
        return;
    }
    d->borderRadiusHorizontal = radius;
    updateRoundedMask();
}

void RoundedWindow::setBorderRadiusVertical(int radius)
{
    if (d->borderRadiusVertical == radius) {
        return;
    }
    d->borderRadiusVertical = radius;
    updateRoundedMask();
}

bool RoundedWindow::isUpdatingRoundedMask() const
{
    return d->updatingRoundedMask;
}

void RoundedWindow::setUpdatingRoundedMask(bool on)
{
    if (d->updatingRoundedMask == on) {
        return;
    }
    d->updatingRoundedMask = on;
    if (on) {
        updateRoundedMask();
    } else {
        clearMask();
    }
}

void RoundedWindow::updateRoundedMask()
{
    if (!d->updatingRoundedMask) {
        return;
    }
    if (d->borderRadiusHorizontal > 0 && d->borderRadiusVertical > 0) {
        setMask(d->roundedMask(rect()));
    } else {
        clearMask();
    }
}

void RoundedWindow::onShown()
{
    // The size may have changed while hidden without a resize event reaching us yet.
    updateRoundedMask();
}

void RoundedWindow::resizeEvent(QResizeEvent *e)
{
    PopupWidget::resizeEvent(e);
    updateRoundedMask();
}
