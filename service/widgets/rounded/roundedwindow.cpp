// SPDX-License-Identifier: GPL-2.0-or-later
#include "roundedwindow.h"

#include "osdutils.h"
#include "popupsurface.h"

#include <QWindow>
#include <qpa/qplatformwindow.h>

// The last mask worked out for one kind of pixel: each show of a visible pop-up asks for it
// again, mostly for the same size.
class RoundedMaskCache
{
public:
    const QRegion &mask(const QSize &size, int radiusHorizontal, int radiusVertical)
    {
        if (size != maskSize || radiusHorizontal != maskRadiusHorizontal || radiusVertical != maskRadiusVertical) {
            region = OsdUtils::roundedRect(QRect(QPoint(), size), radiusHorizontal, radiusVertical);
            maskSize = size;
            maskRadiusHorizontal = radiusHorizontal;
            maskRadiusVertical = radiusVertical;
        }
        return region;
    }

private:
    QRegion region;
    QSize maskSize;
    int maskRadiusHorizontal = -1;
    int maskRadiusVertical = -1;
};

class RoundedWindowPrivate
{
public:
    int borderRadiusHorizontal = 12;
    int borderRadiusVertical = 12;
    bool updatingRoundedMask = false;
    RoundedMaskCache logicalMask;
    RoundedMaskCache deviceMask;
};

RoundedWindow::RoundedWindow(OsdConfig *config, QObject *owner)
    : PopupWidget(config, owner)
    , d(std::make_unique<RoundedWindowPrivate>())
{
    init();
}

RoundedWindow::~RoundedWindow() = default;

void RoundedWindow::init()
{
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
        setMask(d->logicalMask.mask(size(), d->borderRadiusHorizontal, d->borderRadiusVertical));
        shapeAtDevicePixels();
    } else {
        clearMask();
    }
}

// Qt hands the window system the mask in whole logical pixels, each of them s device pixels
// across at scale s: the corners would step in blocks of two at scale 2. Where the window system
// cuts the window to its mask, the native window gets the same shape worked out at its own
// pixels instead.
void RoundedWindow::shapeAtDevicePixels()
{
    QWindow *handle = windowHandle();
    if (!handle || !handle->handle() || handle->devicePixelRatio() == 1 || !surface() || !surface()->masksShape()) {
        return;
    }
    const qreal ratio = handle->devicePixelRatio();
    QPlatformWindow *native = handle->handle();
    native->setMask(d->deviceMask.mask(native->geometry().size(), qRound(d->borderRadiusHorizontal * ratio), qRound(d->borderRadiusVertical * ratio)));
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
