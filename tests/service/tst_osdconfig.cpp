// SPDX-License-Identifier: GPL-2.0-or-later
// The settings of group "OSD" and the display style choice, read from real files.

#include "osdconfig.h"
#include "osdservice.h"
#include "popupdisplay.h"

#include <KConfigGroup>
#include <KSharedConfig>
#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

class OsdServiceTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;

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
        QTest::newRow("unknown screen") << QByteArray("[OSD]\nScreen=left\n") << Choice::Primary << 1800
                                        << "Unknown value \"left\" of Screen in group [OSD] of vesknotifyrc; the pop-ups appear on the primary screen. "
                                           "Known values: primary, active, pointer.";
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
        QVERIFY(!service.display->hideTimer());
        QCOMPARE(service.checkOsdEnabled(), !switchedOff);
        QCOMPARE(service.display->hideTimer() != nullptr, !switchedOff);
        QTimer *const timer = service.display->hideTimer();
        QCOMPARE(service.checkOsdEnabled(), !switchedOff);
        QCOMPARE(service.display->hideTimer(), timer);
        if (timer) {
            QVERIFY(timer->isSingleShot());
        }
    }

    void enabledIsReadFromTheOpenedConfiguration()
    {
        const QString path = dir.filePath(QStringLiteral("live-vesknotifyrc"));
        const KSharedConfig::Ptr config = KSharedConfig::openConfig(path, KConfig::SimpleConfig);
        OsdConfig osdConfig(config, nullptr);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[OSD]\nEnabled=false\n");
        file.close();
        // The file changed on disk, but the daemon never re-reads it while running.
        QCOMPARE(osdConfig.checkOsdEnabled(), false);
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
