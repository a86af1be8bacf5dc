// SPDX-License-Identifier: GPL-2.0-or-later
#include "screenmatch.h"

#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <QString>
#include <QStringList>

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

// Laptop panels are connected as embedded DisplayPort, LVDS or DSI, whatever the driver's
// numbering ("eDP-1" on Wayland and modesetting, "eDP1" or "LVDS1" on older X drivers).
static bool isBuiltInPanel(const QString &name)
{
    for (const char *kind : {"eDP", "LVDS", "DSI"}) {
        if (name.startsWith(QLatin1String(kind), Qt::CaseInsensitive)) {
            return true;
        }
    }
    return false;
}

int builtInPanelIndex(const QStringList &outputNames)
{
    int panel = -1;
    for (int i = 0; i < outputNames.size(); ++i) {
        if (isBuiltInPanel(outputNames.at(i))) {
            if (panel >= 0) {
                return -1;
            }
            panel = i;
        }
    }
    return panel;
}

QScreen *screenOfDisplay(const QString &id, const QRect &rect)
{
    const auto screens = QGuiApplication::screens();
    if (!id.isEmpty()) {
        for (QScreen *screen : screens) {
            if (screen->name() == id) {
                return screen;
            }
        }
    }
    if (QScreen *screen = screenWithGeometry(rect)) {
        return screen;
    }
    if (id != QLatin1String("display")) {
        return nullptr;
    }
    QStringList names;
    for (const QScreen *screen : screens) {
        names.append(screen->name());
    }
    const int panel = builtInPanelIndex(names);
    return panel < 0 ? nullptr : screens.at(panel);
}
