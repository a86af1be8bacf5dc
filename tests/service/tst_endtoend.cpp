// SPDX-License-Identifier: GPL-2.0-or-later
// From the command line to the screen: osd-notify calls the built daemon, which maps a real
// window on the X display, announces it on the bus and plays one sound.

#include "daemonprobe.h"
#include "daemonprocess.h"

#include <QFile>
#include <QTest>

class EndToEndTest : public QObject
{
    Q_OBJECT

private:
    static int runNotify(const QStringList &args)
    {
        QProcess notify;
        notify.start(QStringLiteral(OSD_NOTIFY_BINARY), args);
        if (!notify.waitForFinished(10000)) {
            return -1;
        }
        return notify.exitCode();
    }

    static int soundsPlayed(const DaemonProcess &daemon)
    {
        QFile log(daemon.soundLogFile());
        if (!log.open(QIODevice::ReadOnly)) {
            return 0;
        }
        return log.readAll().count('\n');
    }

private Q_SLOTS:
    void popUpAppearsAnnouncedWithOneSound_data()
    {
        QTest::addColumn<QByteArray>("config");
        QTest::addColumn<QStringList>("first");
        QTest::addColumn<QStringList>("second");
        QTest::addColumn<QString>("member");
        QTest::addColumn<QVariantList>("arguments");
        QTest::newRow("rounded volume") << QByteArray() << QStringList{QStringLiteral("--volumeChanged"), QStringLiteral("150")}
                                        << QStringList{QStringLiteral("--mediaPlayerVolumeChanged"),
                                                       QStringLiteral("-5"),
                                                       QStringLiteral("VLC"),
                                                       QStringLiteral("vlc")}
                                        << QStringLiteral("osdProgress") << QVariantList{QStringLiteral("mono-play-circle"), 0, QStringLiteral("VLC")};
        QTest::newRow("standard text") << QByteArray("[OSD]\nUseStandartMode=true\n")
                                       << QStringList{QStringLiteral("--wifiEnabledChanged"), QStringLiteral("true")}
                                       << QStringList{QStringLiteral("--showText"), QString(), QStringLiteral("Hello")} << QStringLiteral("osdText")
                                       << QVariantList{QString(), QStringLiteral("Hello")};
    }

    void popUpAppearsAnnouncedWithOneSound()
    {
        QFETCH(QByteArray, config);
        QFETCH(QStringList, first);
        QFETCH(QStringList, second);
        QFETCH(QString, member);
        QFETCH(QVariantList, arguments);

        DaemonProcess daemon;
        daemon.writeConfig(lastingPopUps(config));
        QVERIFY(daemon.start());
        SignalRecorder recorder;
        QVERIFY(visibleWindows(daemon.pid()).isEmpty());

        QCOMPARE(runNotify(first), 0);
        QTRY_COMPARE_WITH_TIMEOUT(visibleWindows(daemon.pid()).size(), 1, 5000);
        QCOMPARE(runNotify(second), 0);
        QTRY_COMPARE_WITH_TIMEOUT(recorder.received.size(), 2, 5000);
        QCOMPARE(recorder.received.last().member, member);
        QCOMPARE(recorder.received.last().arguments, arguments);
        QTRY_COMPARE_WITH_TIMEOUT(soundsPlayed(daemon), 1, 5000);

        // Gone after its display time, here 1 ms, and a later call plays the sound again.
        QCOMPARE(osdCall(QStringLiteral("showTextWithFont"), {QString(), QStringLiteral("Bye"), QString(), 0, 1, QString(), QString()}, 5000).type(),
                 QDBusMessage::ReplyMessage);
        QTRY_VERIFY_WITH_TIMEOUT(visibleWindows(daemon.pid()).isEmpty(), 10000);
        QCOMPARE(runNotify(first), 0);
        QTRY_COMPARE_WITH_TIMEOUT(soundsPlayed(daemon), 2, 5000);
        QCOMPARE(daemon.process().state(), QProcess::Running);
    }

    void disabledPopUpNeverMapsAWindow()
    {
        DaemonProcess daemon;
        daemon.writeConfig("[OSD]\nEnabled=false\n");
        QVERIFY(daemon.start());
        SignalRecorder recorder;
        QCOMPARE(runNotify({QStringLiteral("--volumeChanged"), QStringLiteral("40")}), 0);
        QCOMPARE(runNotify({QStringLiteral("--showText"), QString(), QStringLiteral("x")}), 0);
        QTest::qWait(300);
        QVERIFY(visibleWindows(daemon.pid()).isEmpty());
        QVERIFY(recorder.received.isEmpty());
        QCOMPARE(soundsPlayed(daemon), 0);
    }

    // Calls at any rate leave the daemon answering and the pop-up hidden once the last time ran.
    void burstOfCallsThroughWaitMode()
    {
        DaemonProcess daemon;
        QVERIFY(daemon.start());
        QByteArray input;
        for (int i = 0; i < 300; ++i) {
            input += QByteArray::number(i % 120 - 10) + '\n';
        }
        QProcess notify;
        notify.start(QStringLiteral(OSD_NOTIFY_BINARY), {QStringLiteral("--volumeChanged")});
        notify.write(input);
        notify.closeWriteChannel();
        QVERIFY(notify.waitForFinished(60000));
        QCOMPARE(notify.exitCode(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(visibleWindows(daemon.pid()).size(), 1, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(visibleWindows(daemon.pid()).isEmpty(), 10000);
        QCOMPARE(soundsPlayed(daemon), 1);
    }
};

QTEST_GUILESS_MAIN(EndToEndTest)
#include "tst_endtoend.moc"
