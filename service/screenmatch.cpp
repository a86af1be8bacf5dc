// SPDX-License-Identifier: GPL-2.0-or-later
#include "screenmatch.h"

#include <QGuiApplication>
#include <QRect>
#include <QScreen>

QScreen *screenWithGeometry(const QRect &rect)
{
    // Computed wide: a caller's extreme numbers must not overflow (QRect::width() would).
    if (qint64(rect.right()) - rect.left() < 0 || qint64(rect.bottom()) - rect.top() < 0) {
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
