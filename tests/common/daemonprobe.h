// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "deadlines.h"
#include "memory.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QObject>
#include <QProcess>
#include <QRect>
#include <QStringList>
#include <QVariantList>

/// The message that calls @p method with @p args on the daemon's interface, for any connection.
QDBusMessage osdMethodCall(const QString &method, const QVariantList &args = QVariantList());
/// A call of @p method on the daemon's interface, waiting at most @p timeoutMs for the reply.
QDBusMessage osdCall(const QString &method, const QVariantList &args, int timeoutMs);

/// The daemon's windows that are mapped on @p display (the test's own when empty).
QStringList visibleWindows(qint64 pid, const QByteArray &display = QByteArray());
/// Where those windows are, in root window coordinates.
QVector<QRect> visibleWindowGeometries(qint64 pid, const QByteArray &display = QByteArray());
/// The size of the first screen of @p display; invalid when the display cannot be opened.
QSize screenSize(const QByteArray &display = QByteArray());

/**
 * A nested Xephyr display of its own. The server picks a free display number and reports it
 * (-displayfd) once it accepts connections; start() waits for that, however long a loaded
 * machine takes, within a deadline scaled by slowdown(). The destructor stops the server.
 */
class NestedXServer
{
public:
    explicit NestedXServer(const QSize &size);
    ~NestedXServer();

    /// False, with error() saying why, when the server did not come up.
    bool start();
    QByteArray display() const;
    QString error() const;

private:
    QSize size;
    QProcess process;
    QByteArray name;
    QString problem;
};

/// Records the daemon's two signals as they arrive on the bus (on @p bus when given), in the
/// forms that listeners from before Plasma 6 connect to: osdProgress(s,i,s) and osdText(s,s).
/// With @p plasma6Form, Plasma 6's osdProgress(s,i,i,s) is recorded as well.
class SignalRecorder : public QObject
{
    Q_OBJECT
public:
    SignalRecorder();
    explicit SignalRecorder(QDBusConnection bus, bool plasma6Form = false);

    struct Signal {
        QString member;
        QVariantList arguments;
    };
    QVector<Signal> received;

    /// Waits until at least @p count signals arrived; false if they did not within @p timeoutMs.
    bool waitFor(int count, int timeoutMs);

public Q_SLOTS:
    void record(const QDBusMessage &message);
};

/// The call without waiting; its reply may take at most @p timeoutMs.
QDBusPendingCall osdCallAsync(const QString &method, const QVariantList &args, int timeoutMs = 120000);

/// Waits for every call; false if one failed or got no reply (each within its own timeout).
bool waitForAll(const QVector<QDBusPendingCall> &calls);
