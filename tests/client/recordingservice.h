// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QDBusVirtualObject>
#include <QStringList>

/**
 * A stand-in for the daemon that answers every call on "/org/kde/osdService" with an empty
 * reply and records it, whatever its member and arguments: a call with wrong types is
 * recorded as such instead of being refused, so a test sees exactly what the client sent.
 *
 * Calls reach handleMessage() on the thread of this object, so the test must run the event
 * loop while a client talks to it.
 */
class RecordingService : public QDBusVirtualObject
{
    Q_OBJECT
public:
    /// Registers the object and claims "org.kde.osdService" on the session bus.
    bool start();
    /// Gives up the bus name and the object again.
    void stop();

    /// Each call as text: the member, the signature in parentheses, then each argument after a
    /// blank: strings quoted, numbers and booleans bare. For example
    /// showProgressBar(si) "icon" 40
    QStringList calls() const;
    void clear();

    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override;
    QString introspect(const QString &path) const override;

private:
    QStringList recorded;
};
