// SPDX-License-Identifier: GPL-2.0-or-later
// The settings of group "OSD" and the display style choice, read from real files.

#include "osdconfig.h"
#include "osdservice.h"
#include "popupdisplay.h"
#include "testhome.h"

#include <KConfigGroup>
#include <KSharedConfig>
#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <memory>

// Counts the warnings about the settings.
static int settingsWarnings = 0;
static QtMessageHandler passOn = nullptr;
static void countWarnings(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    settingsWarnings += type == QtWarningMsg && message.contains(QLatin1String("vesknotifyrc"));
    passOn(type, context, message);
}

class OsdServiceTest : public QObject
{
    Q_OBJECT

private:
    TestHome home;
    QTemporaryDir dir;

    // A service on the daemon's own files, opened as it opens them at start.
    static std::unique_ptr<OsdService> serviceOnFiles()
    {
        const auto config = KSharedConfig::openConfig(QStringLiteral("vesknotifyrc"), KConfig::FullConfig, QStandardPaths::GenericConfigLocation);
        return std::make_unique<OsdService>(
            config,
            nullptr,
            OsdService::modeFromConfig(config),
            KSharedConfig::openConfig(QStringLiteral("plasmarc"), KConfig::CascadeConfig, QStandardPaths::GenericConfigLocation));
    }

    // What the next pop-up shows of the setting @p key.
    static QVariant nextPopUp(OsdService &service, const QByteArray &key)
    {
        service.hide();
        if (key == "kbdLayoutChangedEnabled") {
            service.kbdLayoutChanged(QStringLiteral("us"));
        } else if (key == "LockKeys") {
            QMetaObject::invokeMethod(&service, "lockKeyChanged", Q_ARG(LockKey, LockKey::Caps), Q_ARG(bool, true));
        } else {
            service.showText(QString(), QStringLiteral("Text"));
        }
        const auto *window = qobject_cast<QWidget *>(service.osdRootObject());
        if (key == "Opacity") {
            // In percent: the X server keeps it in steps of 1/255.
            return qRound(window->windowOpacity() * 100);
        }
        if (key == "UseStandartMode") {
            return QString::fromLatin1(window->metaObject()->className());
        }
        if (key == "Screen") {
            return int(service.config()->screenChoice());
        }
        if (key == "Timeout") {
            return service.timeout();
        }
        if (key == "Position") {
            return window->y() < window->screen()->geometry().center().y() ? QStringLiteral("top") : QStringLiteral("bottom");
        }
        return window && window->isVisible();
    }

    KSharedConfig::Ptr configWith(const QByteArray &contents)
    {
        static int serial = 0;
        const QString path = dir.filePath(QStringLiteral("vesknotifyrc-%1").arg(++serial));
        QFile file(path);
        if (!contents.isNull()) {
            file.open(QIODevice::WriteOnly);
            file.write(contents);
            file.close();
        }
        return KSharedConfig::openConfig(path, KConfig::SimpleConfig);
    }

private Q_SLOTS:
    void initTestCase()
    {
        passOn = qInstallMessageHandler(countWarnings);
    }

    void displayStyle_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<int>("mode");
        QTest::newRow("no file") << QByteArray() << int(OsdService::RoundedMode);
        QTest::newRow("empty file") << QByteArray("") << int(OsdService::RoundedMode);
        QTest::newRow("key absent") << QByteArray("[OSD]\nOpacity=0.5\n") << int(OsdService::RoundedMode);
        QTest::newRow("false") << QByteArray("[OSD]\nUseStandartMode=false\n") << int(OsdService::RoundedMode);
        QTest::newRow("true") << QByteArray("[OSD]\nUseStandartMode=true\n") << int(OsdService::StandardMode);
        QTest::newRow("other group") << QByteArray("[General]\nUseStandartMode=true\n") << int(OsdService::RoundedMode);
        static const char garbage[] = "\x01\xff\xfe[[[\x00\x13zz=\n=";
        QTest::newRow("garbage bytes") << QByteArray(garbage, sizeof garbage - 1) << int(OsdService::RoundedMode);
        // KConfig reads every word other than false/no/off/0 as true.
        QTest::newRow("unparsable word") << QByteArray("[OSD]\nUseStandartMode=maybe\n") << int(OsdService::StandardMode);
        QTest::newRow("no") << QByteArray("[OSD]\nUseStandartMode=no\n") << int(OsdService::RoundedMode);
    }

    void displayStyle()
    {
        QFETCH(QByteArray, contents);
        QFETCH(int, mode);
        QCOMPARE(int(OsdService::modeFromConfig(configWith(contents))), mode);
    }

    void noConfigurationMeansRoundedEnabledOpaque()
    {
        QCOMPARE(OsdService::modeFromConfig(KSharedConfig::Ptr()), OsdService::RoundedMode);
        OsdConfig config(KSharedConfig::Ptr(), nullptr);
        QCOMPARE(config.opacity(), 1.0);
        QCOMPARE(config.checkOsdEnabled(), false);
    }

    void opacity_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<double>("opacity");
        QTest::newRow("absent") << QByteArray("[OSD]\n") << 1.0;
        QTest::newRow("half") << QByteArray("[OSD]\nOpacity=0.5\n") << 0.5;
        QTest::newRow("not clamped above") << QByteArray("[OSD]\nOpacity=3\n") << 3.0;
        QTest::newRow("not clamped below") << QByteArray("[OSD]\nOpacity=-1\n") << -1.0;
        QTest::newRow("not a number") << QByteArray("[OSD]\nOpacity=abc\n") << 1.0;
    }

    void opacity()
    {
        QFETCH(QByteArray, contents);
        QFETCH(double, opacity);
        QCOMPARE(OsdConfig(configWith(contents), nullptr).opacity(), opacity);
    }

    void opacityIsReadOnce()
    {
        const KSharedConfig::Ptr config = configWith("[OSD]\nOpacity=0.5\n");
        OsdConfig osdConfig(config, nullptr);
        config->group(QStringLiteral("OSD")).writeEntry("Opacity", 0.25);
        QCOMPARE(osdConfig.opacity(), 0.5);
    }

    // An unknown screen or a display time out of range is said once, at start, and falls back.
    void screenAndTimeout_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<OsdConfig::ScreenChoice>("screen");
        QTest::addColumn<int>("timeout");
        QTest::addColumn<QString>("warning");
        using Choice = OsdConfig::ScreenChoice;
        QTest::newRow("absent") << QByteArray("[OSD]\n") << Choice::Primary << 1800 << QString();
        QTest::newRow("primary") << QByteArray("[OSD]\nScreen=primary\n") << Choice::Primary << 1800 << QString();
        QTest::newRow("active, in any case") << QByteArray("[OSD]\nScreen=Active\n") << Choice::Active << 1800 << QString();
        QTest::newRow("pointer") << QByteArray("[OSD]\nScreen=pointer\n") << Choice::Pointer << 1800 << QString();
        QTest::newRow("all") << QByteArray("[OSD]\nScreen=ALL\n") << Choice::All << 1800 << QString();
        QTest::newRow("unknown screen") << QByteArray("[OSD]\nScreen=left\n") << Choice::Primary << 1800
                                        << "Unknown value \"left\" of Screen in group [OSD] of vesknotifyrc; the pop-ups appear on the primary screen. "
                                           "Known values: primary, active, pointer, all.";
        QTest::newRow("timeout") << QByteArray("[OSD]\nTimeout=4000\n") << Choice::Primary << 4000 << QString();
        QTest::newRow("shortest") << QByteArray("[OSD]\nTimeout=1\n") << Choice::Primary << 1 << QString();
        QTest::newRow("longest") << QByteArray("[OSD]\nTimeout=20000\n") << Choice::Primary << 20000 << QString();
        QTest::newRow("too long") << QByteArray("[OSD]\nTimeout=99999999999\n") << Choice::Primary << 20000
                                  << "Timeout=99999999999 in group [OSD] of vesknotifyrc is outside 1..20000 ms; the pop-ups stay for 20000 ms.";
        QTest::newRow("zero") << QByteArray("[OSD]\nTimeout=0\n") << Choice::Primary << 1
                              << "Timeout=0 in group [OSD] of vesknotifyrc is outside 1..20000 ms; the pop-ups stay for 1 ms.";
        QTest::newRow("no number") << QByteArray("[OSD]\nTimeout=4s\n") << Choice::Primary << 1800
                                   << "Timeout=4s in group [OSD] of vesknotifyrc is no number of milliseconds; the pop-ups stay for 1800 ms.";
    }

    void screenAndTimeout()
    {
        QFETCH(QByteArray, contents);
        QFETCH(OsdConfig::ScreenChoice, screen);
        QFETCH(int, timeout);
        QFETCH(QString, warning);
        if (!warning.isEmpty()) {
            QTest::ignoreMessage(QtWarningMsg, qPrintable(warning));
        }
        const KSharedConfig::Ptr config = configWith(contents);
        const OsdConfig osdConfig(config, nullptr);
        QCOMPARE(osdConfig.screenChoice(), screen);
        QCOMPARE(osdConfig.timeout(), timeout);

        // The service's display time comes from it through the window.
        if (!warning.isEmpty()) {
            QTest::ignoreMessage(QtWarningMsg, qPrintable(warning));
        }
        OsdService service(config, nullptr, OsdService::StandardMode);
        QVERIFY(QMetaObject::invokeMethod(&service, "showText", Q_ARG(QString, QString()), Q_ARG(QString, QStringLiteral("Text"))));
        QCOMPARE(service.timeout(), timeout);
    }

    // A list of keys, or none; anything else is reported and gives the default, never a part of
    // the list.
    void lockKeys_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<LockKeys>("keys");
        QTest::addColumn<QString>("warning");
        QTest::newRow("absent") << QByteArray("[OSD]\n") << (LockKey::Caps | LockKey::Num) << QString();
        QTest::newRow("all, spaced, in any case") << QByteArray("[OSD]\nLockKeys=Scroll, caps ,NUM\n") << (LockKey::Caps | LockKey::Num | LockKey::Scroll)
                                                  << QString();
        QTest::newRow("none") << QByteArray("[OSD]\nLockKeys= None\n") << LockKeys() << QString();
        const QString unknown = QStringLiteral(
            "Unknown value \"%1\" of LockKeys in group [OSD] of vesknotifyrc; Caps Lock and Num Lock pop up. Known values: a list of caps, num and "
            "scroll, or none.");
        QTest::newRow("a misspelt key") << QByteArray("[OSD]\nLockKeys=caps,numlock\n") << (LockKey::Caps | LockKey::Num) << unknown.arg("caps,numlock");
        QTest::newRow("none among keys") << QByteArray("[OSD]\nLockKeys=none,scroll\n") << (LockKey::Caps | LockKey::Num) << unknown.arg("none,scroll");
        QTest::newRow("empty") << QByteArray("[OSD]\nLockKeys=\n") << (LockKey::Caps | LockKey::Num) << unknown.arg(QString());
    }

    void lockKeys()
    {
        QFETCH(QByteArray, contents);
        QFETCH(LockKeys, keys);
        QFETCH(QString, warning);
        if (!warning.isEmpty()) {
            QTest::ignoreMessage(QtWarningMsg, qPrintable(warning));
        }
        QCOMPARE(OsdConfig(configWith(contents), nullptr).lockKeys(), keys);
    }

    // A position or margin that cannot be used is said once and leaves the styles' own.
    void placement_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<int>("position"); // -1: none
        QTest::addColumn<int>("margin"); // -1: none
        QTest::addColumn<QString>("warning");
        QTest::newRow("both") << QByteArray("[OSD]\nPosition=SouthWest\nMargin=0\n") << int(PopupPosition::SouthWest) << 0 << QString();
        QTest::newRow("empty") << QByteArray("[OSD]\nPosition=\nMargin=\n") << -1 << -1 << QString();
        QTest::newRow("unknown position") << QByteArray("[OSD]\nPosition=top\nMargin=24\n") << -1 << 24
                                          << "Unknown value \"top\" of Position in group [OSD] of vesknotifyrc; the pop-ups keep their usual places. "
                                             "Known values: north, center, northwest, northeast, west, east, southwest, south, southeast.";
        QTest::newRow("negative margin") << QByteArray("[OSD]\nPosition=east\nMargin=-3\n") << int(PopupPosition::East) << -1
                                         << "Margin=-3 in group [OSD] of vesknotifyrc is no number of pixels from 0 up; the pop-ups keep their usual margins.";
    }

    void placement()
    {
        QFETCH(QByteArray, contents);
        QFETCH(int, position);
        QFETCH(int, margin);
        QFETCH(QString, warning);
        if (!warning.isEmpty()) {
            QTest::ignoreMessage(QtWarningMsg, qPrintable(warning));
        }
        const OsdConfig config(configWith(contents), nullptr);
        QCOMPARE(config.position() ? int(*config.position()) : -1, position);
        QCOMPARE(config.margin().value_or(-1), margin);
    }

    // OsdConfig answers "switched off"; the service answers "enabled" and creates its hide
    // timer the first time it finds the pop-up enabled, and only then.
    void enabled_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<bool>("switchedOff");
        QTest::newRow("absent") << QByteArray("[OSD]\n") << false;
        QTest::newRow("true") << QByteArray("[OSD]\nEnabled=true\n") << false;
        QTest::newRow("false") << QByteArray("[OSD]\nEnabled=false\n") << true;
        QTest::newRow("0") << QByteArray("[OSD]\nEnabled=0\n") << true;
    }

    void enabled()
    {
        QFETCH(QByteArray, contents);
        QFETCH(bool, switchedOff);
        const KSharedConfig::Ptr config = configWith(contents);
        QCOMPARE(OsdConfig(config, nullptr).checkOsdEnabled(), switchedOff);

        OsdService service(config, nullptr, OsdService::RoundedMode);
        QVERIFY(!service.display()->hideTimer());
        QCOMPARE(service.checkOsdEnabled(), !switchedOff);
        QCOMPARE(service.display()->hideTimer() != nullptr, !switchedOff);
        QTimer *const timer = service.display()->hideTimer();
        QCOMPARE(service.checkOsdEnabled(), !switchedOff);
        QCOMPARE(service.display()->hideTimer(), timer);
        if (timer) {
            QVERIFY(timer->isSingleShot());
        }
    }

    // Each setting, the desktop's switches in plasmarc too, holds for the next pop-up when it is
    // changed while the daemon runs, saved in place or by renaming a new file over it, as it
    // does at a start.
    void changedWhileRunning_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<QVariant>("before");
        QTest::addColumn<QVariant>("after");
        QTest::addColumn<bool>("replaced");
        const struct {
            const char *file;
            const char *key;
            const char *value;
            QVariant before;
            QVariant after;
        } changes[] = {
            {"vesknotifyrc", "Enabled", "false", true, false},
            {"vesknotifyrc", "Opacity", "0.5", 100, 50},
            {"vesknotifyrc", "UseStandartMode", "true", QStringLiteral("RoundedOsdWidget"), QStringLiteral("OsdWidget")},
            {"vesknotifyrc", "Screen", "pointer", int(OsdConfig::ScreenChoice::Primary), int(OsdConfig::ScreenChoice::Pointer)},
            {"vesknotifyrc", "Timeout", "4000", 1800, 4000},
            {"vesknotifyrc", "LockKeys", "none", true, false},
            {"vesknotifyrc", "Position", "south", QStringLiteral("top"), QStringLiteral("bottom")},
            {"plasmarc", "Enabled", "false", true, false},
            {"plasmarc", "kbdLayoutChangedEnabled", "false", true, false},
        };
        for (const auto &change : changes) {
            for (const bool replaced : {false, true}) {
                QTest::addRow("%s %s, %s", change.file, change.key, replaced ? "replaced" : "in place")
                    << QString::fromLatin1(change.file) << QByteArray(change.key) << QByteArray(change.value) << change.before << change.after << replaced;
            }
        }
    }

    void changedWhileRunning()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, key);
        QFETCH(QByteArray, value);
        QFETCH(QVariant, before);
        QFETCH(QVariant, after);
        QFETCH(bool, replaced);
        home.reset();
        const QString path = home.configPath(file);
        // plasmarc is first made when System Settings saves a switch.
        QVERIFY(TestHome::write(home.configPath(QStringLiteral("vesknotifyrc")), "[OSD]\n"));
        auto service = serviceOnFiles();
        QCOMPARE(nextPopUp(*service, key), before);

        const QByteArray changed = "[OSD]\n" + key + '=' + value + '\n';
        QVERIFY(replaced ? TestHome::replace(path, changed) : TestHome::write(path, changed));
        QTRY_COMPARE_WITH_TIMEOUT(nextPopUp(*service, key), after, 10000);
        QCOMPARE(nextPopUp(*serviceOnFiles(), key), after);
        // And back, on the same watch.
        QVERIFY(replaced ? TestHome::replace(path, "[OSD]\n") : TestHome::write(path, "[OSD]\n"));
        QTRY_COMPARE_WITH_TIMEOUT(nextPopUp(*service, key), before, 10000);
    }

    // A value that cannot be used is reported when it is read, not on every later change.
    void brokenValueReportedOnce()
    {
        home.reset();
        const QString path = home.configPath(QStringLiteral("vesknotifyrc"));
        QVERIFY(TestHome::write(path, "[OSD]\n"));
        auto service = serviceOnFiles();
        settingsWarnings = 0;
        QVERIFY(TestHome::replace(path, "[OSD]\nTimeout=4s\n"));
        QTRY_COMPARE_WITH_TIMEOUT(settingsWarnings, 1, 10000);
        QVERIFY(TestHome::write(path, "[OSD]\nTimeout=4s\nOpacity=0.5\n"));
        QTRY_COMPARE_WITH_TIMEOUT(service->config()->opacity(), 0.5, 10000);
        QCOMPARE(settingsWarnings, 1);
        QVERIFY(TestHome::write(path, "[OSD]\nTimeout=0\n"));
        QTRY_COMPARE_WITH_TIMEOUT(settingsWarnings, 2, 10000);
    }

    void noWidgetBeforeTheFirstRequest()
    {
        OsdService service(configWith("[OSD]\n"), nullptr, OsdService::StandardMode);
        QCOMPARE(service.mode(), OsdService::StandardMode);
        QVERIFY(!service.osdRootObject());
        QCOMPARE(service.timeout(), 1800);
    }
};

QTEST_MAIN(OsdServiceTest)
#include "tst_osdconfig.moc"
