// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QObject>

#include <functional>

class QWidget;

/**
 * Tells when a widget is about to be painted at another device pixel ratio than its picture
 * was last made for, as when its window moves between a screen of scale 1 and one of scale 2,
 * or an output's scale changes while the window is shown.
 *
 * Qt 5 sends no event of its own for a new ratio, and a screen change does not always come with
 * one (a Wayland output changes its scale in place): the ratio is compared before each paint,
 * which costs a comparison.
 */
class DevicePixelRatioWatch : public QObject
{
public:
    DevicePixelRatioWatch(QWidget *widget, std::function<void()> changed);

    /// The widget's ratio now, remembered as the one its picture is made for.
    qreal ratio();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *const widget;
    const std::function<void()> changed;
    qreal drawnAt = 0;
};
