// SPDX-License-Identifier: GPL-2.0-or-later
// Caps Lock, Num Lock and Scroll Lock toggled through the X server: the built daemon shows each
// change by itself. Runs on an X display of its own, whose keyboard it changes.

#include "daemonprobe.h"
#include "daemonprocess.h"
#include "screen.h"
#include "styles.h"

#include <QProcess>
#include <QTest>

class LockKeysTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // xkeyboard-config lights Scroll Lock only where the keymap gives the key a modifier.
        QCOMPARE(QProcess::execute(QStringLiteral("xmodmap"), {QStringLiteral("-e"), QStringLiteral("add mod3 = Scroll_Lock")}), 0);
    }

    void init()
    {
        for (const char *indicator : {"Caps Lock", "Num Lock", "Scroll Lock"}) {
            if (indicatorOn(indicator)) {
                QVERIFY(typeKeys({QString::fromLatin1(indicator).replace(QLatin1Char(' '), QLatin1Char('_'))}));
            }
        }
    }

    // The first pop-up after keys are typed: the key's new state in words and icon, never a key's
    // state at the daemon's start nor a key the settings leave out; a key toggled fast shows
    // where it ended.
    void firstPopUp_data()
    {
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<QStringList>("onBeforeStart");
        QTest::addColumn<QStringList>("typed");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("icon");
        Styles::addRows(Styles::roundedSettings, Styles::standardSettings, [](const QByteArray &style, const char *prefix) {
            const QByteArray all = style + "LockKeys=caps,num,scroll\n";
            QTest::addRow("%scaps on", prefix) << all << QStringList() << QStringList{"Caps_Lock"} << "Caps Lock On"
                                               << "input-caps-on";
            QTest::addRow("%snum off", prefix) << all << QStringList{"Num_Lock"} << QStringList{"Num_Lock"} << "Num Lock Off"
                                               << "input-num-off";
            QTest::addRow("%sscroll on", prefix) << all << QStringList() << QStringList{"Scroll_Lock"} << "Scroll Lock On"
                                                 << "input-scroll-on";
        });
        const QByteArray byDefault = Styles::roundedSettings;
        QTest::newRow("nothing for the start") << byDefault << QStringList{"Caps_Lock"} << QStringList{"Num_Lock"} << "Num Lock On"
                                               << "input-num-on";
        QTest::newRow("only the keys chosen") << QByteArray("[OSD]\nLockKeys=num\n") << QStringList() << QStringList{"Caps_Lock", "Num_Lock"} << "Num Lock On"
                                              << "input-num-on";
        QTest::newRow("off, toggled fast") << byDefault << QStringList{"Caps_Lock"} << QStringList{"Caps_Lock", "Caps_Lock", "Caps_Lock"} << "Caps Lock Off"
                                           << "input-caps-off";
    }

    void firstPopUp()
    {
        QFETCH(QByteArray, settings);
        QFETCH(QStringList, onBeforeStart);
        QFETCH(QStringList, typed);
        QFETCH(QString, text);
        QFETCH(QString, icon);
        QVERIFY(onBeforeStart.isEmpty() || typeKeys(onBeforeStart));
        DaemonProcess daemon;
        daemon.writeConfig(lastingPopUps(settings));
        QVERIFY(daemon.start());
        SignalRecorder recorder;
        QVERIFY(typeKeys(typed));
        QTRY_VERIFY_WITH_TIMEOUT(!recorder.received.isEmpty(), 10000);
        QCOMPARE(recorder.received.first().member, QStringLiteral("osdText"));
        QCOMPARE(recorder.received.first().arguments.value(1).toString(), text);
        // The rounded style's own drawing; the standard style's from the theme where it has both states.
        const QString shownIcon = recorder.received.first().arguments.value(0).toString();
        QVERIFY2(settings.contains("UseStandartMode") ? shownIcon.endsWith(icon) : shownIcon == QStringLiteral("mono-") + icon, qPrintable(shownIcon));
        QTRY_COMPARE_WITH_TIMEOUT(visibleWindowGeometries(daemon.pid()).size(), 1, 10000);
        saveScreenshot(grabScreen(visibleWindowGeometries(daemon.pid()).constFirst()),
                       QStringLiteral("lockkeys-") + QString::fromLatin1(QTest::currentDataTag()));
    }
};

QTEST_MAIN(LockKeysTest)
#include "tst_lockkeys.moc"
