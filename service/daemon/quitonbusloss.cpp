// SPDX-License-Identifier: GPL-2.0-or-later
#include "quitonbusloss.h"

#include <QCoreApplication>

#include <cstdlib>

QuitOnBusLoss::QuitOnBusLoss(QDBusConnection bus, QObject *parent)
    : QObject(parent)
{
    bus.connect(QString(),
                QStringLiteral("/org/freedesktop/DBus/Local"),
                QStringLiteral("org.freedesktop.DBus.Local"),
                QStringLiteral("Disconnected"),
                this,
                SLOT(onDisconnected()));
}

void QuitOnBusLoss::onDisconnected()
{
    qCritical("Lost the connection to the D-Bus session bus; osd-service exits.");
    QCoreApplication::exit(EXIT_FAILURE);
}
