// SPDX-License-Identifier: GPL-2.0-or-later
#include "daemonprocess.h"

#include <QProcess>
#include <QTest>

// osd-notify against the real daemon: every method's call is accepted by the daemon's own
// adaptor, which refuses any call whose member or argument types do not match.
class TestOsdNotifyDaemon : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void everyMethod_data();
    void everyMethod();

private:
    DaemonProcess daemon;
};

void TestOsdNotifyDaemon::initTestCase()
{
    QVERIFY(daemon.start());
}

void TestOsdNotifyDaemon::everyMethod_data()
{
    QTest::addColumn<QStringList>("arguments");

    QTest::newRow("brightnessChanged") << QStringList{"--brightnessChanged", "70"};
    QTest::newRow("keyboardBrightnessChanged") << QStringList{"--keyboardBrightnessChanged", "30"};
    QTest::newRow("volumeChanged") << QStringList{"--volumeChanged", "40"};
    QTest::newRow("microphoneVolumeChanged") << QStringList{"--microphoneVolumeChanged", "0"};
    QTest::newRow("mediaPlayerVolumeChanged") << QStringList{"--mediaPlayerVolumeChanged", "55", "VLC", "vlc"};
    QTest::newRow("kbdLayoutChanged") << QStringList{"--kbdLayoutChanged", "us"};
    QTest::newRow("virtualDesktopChanged") << QStringList{"--virtualDesktopChanged", "Desktop 2"};
    QTest::newRow("touchpadEnabledChanged") << QStringList{"--touchpadEnabledChanged", "true"};
    QTest::newRow("wifiEnabledChanged") << QStringList{"--wifiEnabledChanged", "false"};
    QTest::newRow("bluetoothEnabledChanged") << QStringList{"--bluetoothEnabledChanged", "1"};
    QTest::newRow("wwanEnabledChanged") << QStringList{"--wwanEnabledChanged", "0"};
    QTest::newRow("virtualKeyboardEnabledChanged") << QStringList{"--virtualKeyboardEnabledChanged", "TRUE"};
    QTest::newRow("showText") << QStringList{"--showText", "mono-info", "Hello"};
    QTest::newRow("showTextWithFont") << QStringList{"--showTextWithFont", "mono-info", "Hello", "Sans", "14", "2000", "North", "#336699"};
    QTest::newRow("showTextWithFont, padded") << QStringList{"--showTextWithFont", "mono-info", "Hello", "Sans", "14", "2000"};
    QTest::newRow("showTextWithFontNoBackground") << QStringList{"--showTextWithFontNoBackground", "mono-info", "Hello", "Sans", "14", "2000", "South"};
    QTest::newRow("showProgressBar") << QStringList{"--showProgressBar", "mono-battery", "80"};
    QTest::newRow("screenBrightnessChanged") << QStringList{"--screenBrightnessChanged", "60", "eDP-1", "Built-in Screen", "0", "0,0,1920,1080"};
    QTest::newRow("powerProfileChanged") << QStringList{"--powerProfileChanged", "performance"};
    QTest::newRow("powerManagementInhibitedChanged") << QStringList{"--powerManagementInhibitedChanged", "false"};
    QTest::newRow("hide") << QStringList{"--hide"};
}

void TestOsdNotifyDaemon::everyMethod()
{
    QFETCH(QStringList, arguments);

    QProcess client;
    client.start(QStringLiteral(OSD_NOTIFY_BINARY), arguments);
    client.closeWriteChannel();
    // The daemon is another process, so this process may block while it answers.
    QVERIFY(client.waitForFinished(30000));
    QCOMPARE(client.readAllStandardError(), QByteArray());
    QCOMPARE(client.exitStatus(), QProcess::NormalExit);
    QCOMPARE(client.exitCode(), 0);
}

QTEST_GUILESS_MAIN(TestOsdNotifyDaemon)
#include "tst_osdnotifydaemon.moc"
