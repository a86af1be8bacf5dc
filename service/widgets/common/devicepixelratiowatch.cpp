// SPDX-License-Identifier: GPL-2.0-or-later
#include "devicepixelratiowatch.h"

#include <QEvent>
#include <QWidget>

DevicePixelRatioWatch::DevicePixelRatioWatch(QWidget *widget, std::function<void()> changed)
    : QObject(widget)
    , widget(widget)
    , changed(std::move(changed))
{
    widget->installEventFilter(this);
}

qreal DevicePixelRatioWatch::ratio()
{
    drawnAt = widget->devicePixelRatioF();
    return drawnAt;
}

bool DevicePixelRatioWatch::eventFilter(QObject *watched, QEvent *event)
{
    // Made anew before the paint, so that this paint already shows the new picture; a picture
    // never made (ratio 0) is left to its owner.
    if (watched == widget && event->type() == QEvent::Paint && drawnAt > 0 && !qFuzzyCompare(widget->devicePixelRatioF(), drawnAt)) {
        changed();
    }
    return false;
}
