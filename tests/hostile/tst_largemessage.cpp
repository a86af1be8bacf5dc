// SPDX-License-Identifier: GPL-2.0-or-later
// Calls far larger than any pop-up needs still leave the daemon reading the bus: the bus lets
// a single message grow to 128 MiB, and Qt stops reading a connection for good once libdbus
// holds more than its receive limit.

#include "daemonprobe.h"
#include "daemonprocess.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QTest>

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
        const QDBusMessage refused = osdCall(method, {huge}, 120000);
        QCOMPARE(refused.type(), QDBusMessage::ErrorMessage);
        QVERIFY2(refused.errorName() != QLatin1String("org.freedesktop.DBus.Error.NoReply"), qPrintable(refused.errorMessage()));

        for (int i = 0; i < 3; ++i) {
            const QDBusMessage reply = osdCall(QStringLiteral("volumeChanged"), {40 + i}, 5000);
            QVERIFY2(reply.type() == QDBusMessage::ReplyMessage, qPrintable(reply.errorMessage()));
        }
        QCOMPARE(daemon.process().state(), QProcess::Running);
    }

    // The daemon passes its texts on in its signals. A listener with libdbus's default receive
    // limit (63 MiB), as a panel or an assistive bridge has, stops reading its connection for
    // good once a single message reaches it: what the daemon passes on must stay far below.
    void listenersKeepReadingAfterAHugeText_data()
    {
        QTest::addColumn<QString>("method");
        QTest::newRow("showText") << QStringLiteral("showText");
        QTest::newRow("showTextWithFont") << QStringLiteral("showTextWithFont");
    }

    void listenersKeepReadingAfterAHugeText()
    {
        QFETCH(QString, method);
        DaemonProcess daemon;
        QVERIFY(daemon.start());
        QDBusConnection listener = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("listener"));
        QVERIFY(listener.isConnected());
        SignalRecorder heard(listener);

        const QString huge(100 << 20, QLatin1Char('x'));
        const QVariantList args = method == QLatin1String("showText")
            ? QVariantList{QString(), huge}
            : QVariantList{QString(), huge, QStringLiteral("Sans"), 12, 5000, QStringLiteral("center"), QStringLiteral("#202020")};
        const QDBusMessage shown = osdCall(method, args, 120000 * slowdown());
        QVERIFY2(shown.type() == QDBusMessage::ReplyMessage, qPrintable(shown.errorMessage()));
        const QDBusMessage next = osdCall(QStringLiteral("volumeChanged"), {40}, 1000 * slowdown());
        QVERIFY2(next.type() == QDBusMessage::ReplyMessage, qPrintable(next.errorMessage()));

        QVERIFY(heard.waitFor(2, 10000 * slowdown()));
        QCOMPARE(heard.received.at(0).member, QStringLiteral("osdText"));
        QVERIFY(huge.startsWith(heard.received.at(0).arguments.value(1).toString().left(1000)));
        QDBusMessage ping =
            QDBusMessage::createMethodCall(listener.baseService(), QStringLiteral("/"), QStringLiteral("org.freedesktop.DBus.Peer"), QStringLiteral("Ping"));
        const QDBusMessage pong = QDBusConnection::sessionBus().call(ping, QDBus::Block, 5000 * slowdown());
        QVERIFY2(pong.type() == QDBusMessage::ReplyMessage, qPrintable(pong.errorMessage()));
        QDBusConnection::disconnectFromBus(QStringLiteral("listener"));

        // Texts of some MiB after the huge one: memory must not pile up where the huge one was.
        for (int mebibytes : {10, 15, 12, 8, 14}) {
            const QDBusMessage reply = osdCall(QStringLiteral("showText"), {QString(), QString(mebibytes << 20, QLatin1Char('y'))}, 60000 * slowdown());
            QVERIFY2(reply.type() == QDBusMessage::ReplyMessage, qPrintable(reply.errorMessage()));
        }
#if defined(__SANITIZE_ADDRESS__)
        qInfo("resident memory not checked: AddressSanitizer keeps shadow memory and freed blocks");
#else
        QTRY_VERIFY2_WITH_TIMEOUT(residentKiB(daemon.pid()) < (100 << 10),
                                  qPrintable(QStringLiteral("resident memory %1 KiB").arg(residentKiB(daemon.pid()))),
                                  5000);
#endif
    }
};

QTEST_GUILESS_MAIN(LargeMessageTest)
#include "tst_largemessage.moc"
