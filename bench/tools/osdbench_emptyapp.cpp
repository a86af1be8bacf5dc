// SPDX-License-Identifier: GPL-2.0-or-later
// The floor for the daemon's start-up: a Qt widgets application that does nothing but take a
// name on the session bus and run its event loop, as osd-service does before its own work.
// With --label it also shows one line of text in a frameless window for half a second: the
// memory any Qt program keeps once it has drawn text, which the bare floor never does.
//   osdbench_emptyapp [NAME [--label]]     (default org.kde.osdBenchEmpty)

#include <QApplication>
#include <QDBusConnection>
#include <QDBusError>
#include <QLabel>
#include <QTimer>

#include <cstdio>

int main(int argc, char **argv)
{
    const bool showLabel = argc > 2 && qstrcmp(argv[2], "--label") == 0;
    if (showLabel) {
        // Painted by the raster engine only, as the daemon's pop-ups are: a first window would
        // load an OpenGL integration otherwise, on X11 and on Wayland.
        qputenv("QT_XCB_GL_INTEGRATION", "none");
        qputenv("QT_WAYLAND_DISABLE_WINDOWDECORATION", "1");
        QCoreApplication::setAttribute(Qt::AA_ForceRasterWidgets);
    }
    QApplication app(argc, argv);
    const QString name = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("org.kde.osdBenchEmpty");
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerService(name)) {
        std::fprintf(stderr, "osdbench_emptyapp: cannot own %s: %s\n", qPrintable(name), qPrintable(bus.lastError().message()));
        return 1;
    }
    QLabel label(QStringLiteral("Volume 50 %"));
    if (showLabel) {
        label.setWindowFlags(Qt::ToolTip | Qt::FramelessWindowHint);
        label.show();
        QTimer::singleShot(500, &label, &QLabel::hide);
    }
    return app.exec();
}
