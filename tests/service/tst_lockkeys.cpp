// SPDX-License-Identifier: GPL-2.0-or-later
// Caps Lock, Num Lock and Scroll Lock toggled through the X server: the built daemon shows each
// change by itself, in both styles. Runs on an X display of its own, whose keyboard it changes.

#include "daemonprobe.h"
#include "daemonprocess.h"
#include "screen.h"
#include "styles.h"

#include <QProcess>
#include <QTest>

namespace
{
struct Key {
    const char *keysym;
    const char *indicator;
};
const Key keys[] = {{"Caps_Lock", "Caps Lock"}, {"Num_Lock", "Num Lock"}, {"Scroll_Lock", "Scroll Lock"}};

// Every lock key off, as the rows expect them at start.
bool allOff()
{
    for (const Key &key : keys) {
        if (indicatorOn(key.indicator) && !typeKeys({QLatin1String(key.keysym)})) {
            return false;
        }
    }
    return true;
}

// The first text pop-up announced since @p from, once there is one.
QVariantList firstText(const SignalRecorder &recorder, int from = 0)
{
    for (int i = from; i < recorder.received.size(); ++i) {
        if (recorder.received.at(i).member == QLatin1String("osdText")) {
            return recorder.received.at(i).arguments;
        }
    }
    return {};
}

QRect popUpArea(qint64 pid)
{
    const QVector<QRect> windows = visibleWindowGeometries(pid);
    return windows.size() == 1 ? windows.first() : QRect();
}
}

class LockKeysTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // xkeyboard-config lights Scroll Lock only where the keymap gives the key a modifier,
        // as its users set it up.
        QCOMPARE(QProcess::execute(QStringLiteral("xmodmap"), {QStringLiteral("-e"), QStringLiteral("add mod3 = Scroll_Lock")}), 0);
    }

    void init()
    {
        QVERIFY(allOff());
    }

    // Each key switched on and off again, in each style: the text and icon of its state, on the
    // screen and announced; the two states look apart.
    void eachKeyOnAndOff_data()
    {
        QTest::addColumn<QByteArray>("style");
        QTest::addColumn<QString>("keysym");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("icon");
        Styles::addRows(Styles::roundedSettings, Styles::standardSettings, [](const QByteArray &style, const char *prefix) {
            QTest::addRow("%sCaps Lock", prefix) << style << "Caps_Lock"
                                                 << "Caps Lock"
                                                 << "input-caps-";
            QTest::addRow("%sNum Lock", prefix) << style << "Num_Lock"
                                                << "Num Lock"
                                                << "input-num-";
            QTest::addRow("%sScroll Lock", prefix) << style << "Scroll_Lock"
                                                   << "Scroll Lock"
                                                   << "input-scroll-";
        });
    }

    void eachKeyOnAndOff()
    {
        QFETCH(QByteArray, style);
        QFETCH(QString, keysym);
        QFETCH(QString, name);
        QFETCH(QString, icon);
        const bool rounded = style == Styles::roundedSettings;
        DaemonProcess daemon;
        daemon.writeConfig(lastingPopUps(style + "LockKeys=caps,num,scroll\n"));
        QVERIFY(daemon.start());
        SignalRecorder recorder;

        QImage shown[2];
        for (const bool on : {true, false}) {
            const int from = recorder.received.size();
            QVERIFY(typeKeys({keysym}));
            QTRY_VERIFY_WITH_TIMEOUT(!firstText(recorder, from).isEmpty(), 10000);
            const QVariantList text = firstText(recorder, from);
            const QString state = on ? QStringLiteral("on") : QStringLiteral("off");
            QCOMPARE(text.value(1).toString(), name + (on ? QStringLiteral(" On") : QStringLiteral(" Off")));
            // The standard style takes the theme's icon where the theme has it.
            const QString shownIcon = text.value(0).toString();
            QVERIFY2(rounded ? shownIcon == QStringLiteral("mono-") + icon + state : shownIcon.endsWith(icon + state), qPrintable(shownIcon));
            QTRY_VERIFY_WITH_TIMEOUT(!popUpArea(daemon.pid()).isEmpty(), 10000);
            const QRect area = popUpArea(daemon.pid());
            // The window is repainted a moment after the announcement.
            QTRY_VERIFY_WITH_TIMEOUT(on || grabScreen(area) != shown[0], 10000);
            shown[on ? 0 : 1] = grabScreen(area);
            saveScreenshot(shown[on ? 0 : 1], QStringLiteral("lockkeys-%1-%2-%3").arg(rounded ? "rounded" : "standard", keysym, state));
        }
    }

    // What pops up first: never a key's state at the daemon's start, nor a key the settings
    // leave out; a key toggled fast shows where it ended.
    void firstPopUp_data()
    {
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<QStringList>("onBeforeStart");
        QTest::addColumn<QStringList>("typed");
        QTest::addColumn<QString>("first");
        QTest::newRow("nothing for the start") << QByteArray() << QStringList{"Caps_Lock"} << QStringList{"Num_Lock"} << "Num Lock On";
        QTest::newRow("only the keys chosen") << QByteArray("LockKeys=num\n") << QStringList() << QStringList{"Caps_Lock", "Num_Lock"} << "Num Lock On";
        QTest::newRow("toggled fast") << QByteArray() << QStringList() << QStringList{"Caps_Lock", "Caps_Lock", "Caps_Lock"} << "Caps Lock On";
        QTest::newRow("off, toggled fast") << QByteArray() << QStringList{"Caps_Lock"} << QStringList{"Caps_Lock", "Caps_Lock", "Caps_Lock"} << "Caps Lock Off";
    }

    void firstPopUp()
    {
        QFETCH(QByteArray, settings);
        QFETCH(QStringList, onBeforeStart);
        QFETCH(QStringList, typed);
        QFETCH(QString, first);
        if (!onBeforeStart.isEmpty()) {
            QVERIFY(typeKeys(onBeforeStart));
        }
        DaemonProcess daemon;
        daemon.writeConfig(lastingPopUps("[OSD]\n" + settings));
        QVERIFY(daemon.start());
        SignalRecorder recorder;
        QVERIFY(typeKeys(typed));
        QTRY_COMPARE_WITH_TIMEOUT(firstText(recorder).value(1).toString(), first, 10000);
        QCOMPARE(visibleWindows(daemon.pid()).size(), 1);
    }
};

QTEST_MAIN(LockKeysTest)
#include "tst_lockkeys.moc"
