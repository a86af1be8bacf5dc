// SPDX-License-Identifier: GPL-2.0-or-later
// The floor for the daemon's throughput: a Qt widgets application that owns org.kde.osdService
// and answers volumeChanged(int) by emitting osdProgress in the two forms the daemon sends for
// each volume change (Plasma 5's listeners take (s,i,s), Plasma 6's (s,i,i,s)), and does nothing
// else. What a call costs here is what Qt D-Bus costs (receiving, the hop to the main thread and
// back, the reply and the signals); the daemon's time beyond it is its own.
//   osdbench_emptyservice

#include <QApplication>
#include <QDBusConnection>
#include <QDBusError>
#include <QObject>

#include <cstdio>

class EmptyOsdService : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.osdService")

public Q_SLOTS:
    Q_SCRIPTABLE void volumeChanged(int value)
    {
        Q_EMIT osdProgress(QStringLiteral("audio-volume-medium"), value, QString());
        Q_EMIT osdProgress(QStringLiteral("audio-volume-medium"), value, 100, QString());
    }

Q_SIGNALS:
    Q_SCRIPTABLE void osdProgress(const QString &icon, int percent, const QString &additionalText);
    Q_SCRIPTABLE void osdProgress(const QString &icon, int percent, int maximum, const QString &additionalText);
};

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    EmptyOsdService service;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerObject(QStringLiteral("/org/kde/osdService"), &service, QDBusConnection::ExportScriptableSlots | QDBusConnection::ExportScriptableSignals)
        || !bus.registerService(QStringLiteral("org.kde.osdService"))) {
        std::fprintf(stderr, "osdbench_emptyservice: cannot serve org.kde.osdService: %s\n", qPrintable(bus.lastError().message()));
        return 1;
    }
    return app.exec();
}

#include "osdbench_emptyservice.moc"
