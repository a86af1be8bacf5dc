// SPDX-License-Identifier: GPL-2.0-or-later
// Calls far larger than any pop-up needs still leave the daemon reading the bus: the bus lets
// a single message grow to 128 MiB, and Qt stops reading a connection for good once libdbus
// holds more than its receive limit.

#include "daemonprocess.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QTest>

static QDBusMessage call(const QString &method, const QVariantList &args, int timeoutMs)
{
    QDBusMessage message = QDBusMessage::createMethodCall(QStringLiteral("org.kde.osdService"), QStringLiteral("/org/kde/osdService"),
                                                          QStringLiteral("org.kde.osdService"), method);
    message.setArguments(args);
    return QDBusConnection::sessionBus().call(message, QDBus::Block, timeoutMs);
}

class LargeMessageTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void daemonKeepsAnsweringAfterAHugeCall_data()
    {
        QTest::addColumn<int>("mebibytes");
        QTest::addColumn<QString>("method");
        // A wrong signature is refused before any drawing, so only the transport is tested.
        QTest::newRow("100 MiB, refused signature") << 100 << QStringLiteral("volumeChanged");
        QTest::newRow("100 MiB, unknown method") << 100 << QStringLiteral("noSuchMethod");
    }

    void daemonKeepsAnsweringAfterAHugeCall()
    {
        QFETCH(int, mebibytes);
        QFETCH(QString, method);
        DaemonProcess daemon;
        QVERIFY(daemon.start());

        const QString huge(mebibytes << 20, QLatin1Char('x'));
        const QDBusMessage refused = call(method, {huge}, 120000);
        QCOMPARE(refused.type(), QDBusMessage::ErrorMessage);
        QVERIFY2(refused.errorName() != QLatin1String("org.freedesktop.DBus.Error.NoReply"), qPrintable(refused.errorMessage()));

        for (int i = 0; i < 3; ++i) {
            const QDBusMessage reply = call(QStringLiteral("volumeChanged"), {40 + i}, 5000);
            QVERIFY2(reply.type() == QDBusMessage::ReplyMessage, qPrintable(reply.errorMessage()));
        }
        QCOMPARE(daemon.process().state(), QProcess::Running);
    }
};

QTEST_GUILESS_MAIN(LargeMessageTest)
#include "tst_largemessage.moc"
