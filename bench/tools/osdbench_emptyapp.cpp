// SPDX-License-Identifier: GPL-2.0-or-later
// The floor for the daemon's start-up: a Qt widgets application that does nothing but take a
// name on the session bus and run its event loop, as osd-service does before its own work.
//   osdbench_emptyapp [NAME]     (default org.kde.osdBenchEmpty)

#include <QApplication>
#include <QDBusConnection>
#include <QDBusError>

#include <cstdio>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QString name = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("org.kde.osdBenchEmpty");
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerService(name)) {
        std::fprintf(stderr, "osdbench_emptyapp: cannot own %s: %s\n", qPrintable(name), qPrintable(bus.lastError().message()));
        return 1;
    }
    return app.exec();
}
