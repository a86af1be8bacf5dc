// SPDX-License-Identifier: GPL-2.0-or-later
#include "screenmatch.h"

#include <QGuiApplication>
#include <QRect>
#include <QScreen>

QScreen *screenWithGeometry(const QRect &rect)
{
    if (rect.width() <= 0 || rect.height() <= 0) {
        return nullptr;
    }
    const auto screens = QGuiApplication::screens();
    for (QScreen *screen : screens) {
        const QRect geometry = screen->geometry();
        // Qt keeps a scaled screen's position in device pixels and divides only its size.
        if (geometry == rect || QRect(geometry.topLeft(), geometry.size() * screen->devicePixelRatio()) == rect) {
            return screen;
        }
    }
    return nullptr;
}
