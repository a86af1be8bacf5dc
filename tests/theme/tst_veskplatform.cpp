// SPDX-License-Identifier: GPL-2.0-or-later
// The stand-ins of the desktop's libraries: directories, session suffix, colour scheme and
// integrity control.

#include "micdetect.h"
#include "veskcore.h"
#include "veskintegration.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

class VeskPlatformTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir root;

    QString path(const QString &name) const
    {
        return root.filePath(name);
    }

private Q_SLOTS:
    void directories()
    {
        qputenv("HOME", QFile::encodeName(path(QStringLiteral("home"))));
        const std::string &settings = GetVeskDir(VeskSettingsDir);
        QCOMPARE(QString::fromStdString(GetVeskDir(VeskThemeDir)), path(QStringLiteral("home/.vesk/theme")));
        // Asking for another directory leaves a path handed out before as it was.
        QCOMPARE(QString::fromStdString(settings), path(QStringLiteral("home/.vesk")));
    }

    void themesRoot_data()
    {
        QTest::addColumn<QStringList>("existing");
        QTest::addColumn<QString>("expected");

        QTest::newRow("none installed") << QStringList() << "user/vesk/themes";
        QTest::newRow("system only") << QStringList{"sys2/vesk/themes"} << "sys2/vesk/themes";
        QTest::newRow("first system dir wins") << QStringList{"sys1/vesk/themes", "sys2/vesk/themes"} << "sys1/vesk/themes";
        QTest::newRow("user dir wins") << QStringList{"user/vesk/themes", "sys1/vesk/themes"} << "user/vesk/themes";
    }

    void themesRoot()
    {
        QFETCH(QStringList, existing);
        QFETCH(QString, expected);
        QTemporaryDir data;
        qputenv("XDG_DATA_HOME", QFile::encodeName(data.filePath(QStringLiteral("user"))));
        qputenv("XDG_DATA_DIRS", QFile::encodeName(data.filePath(QStringLiteral("sys1")) + QLatin1Char(':') + data.filePath(QStringLiteral("sys2"))));
        for (const QString &dir : existing) {
            QVERIFY(QDir().mkpath(data.filePath(dir)));
        }
        QCOMPARE(QString::fromStdString(GetVeskDir(VeskThemesRootDir)), data.filePath(expected));
    }

    void sessionSuffix()
    {
        qunsetenv("VESK_SESSION_CONFIG_SUFFIX");
        QCOMPARE(veskSessionConfigSuffix(VeskCurrentSession), std::string());
        qputenv("VESK_SESSION_CONFIG_SUFFIX", "-kiosk");
        QCOMPARE(veskSessionConfigSuffix(VeskCurrentSession), std::string("-kiosk"));
    }

    void textColorFor_data()
    {
        QTest::addColumn<QString>("background");
        QTest::addColumn<QString>("expected");

        QTest::newRow("black") << "#000000"
                               << "#FFFFFF";
        QTest::newRow("white") << "#ffffff"
                               << "#000000";
        QTest::newRow("default blue") << "#4d7593"
                                      << "#FFFFFF";
        QTest::newRow("bright theme") << "#f5f5f5"
                                      << "#000000";
        QTest::newRow("dark theme") << "#2d2d2d"
                                    << "#FFFFFF";
        QTest::newRow("yellow") << "#ffff00"
                                << "#000000";
        QTest::newRow("dark red") << "#880000"
                                  << "#FFFFFF";
        QTest::newRow("no colour counts as black") << "nonsense"
                                                   << "#FFFFFF";
    }

    void textColorFor()
    {
        QFETCH(QString, background);
        QTEST(QString::fromStdString(::textColorFor(background.toStdString())), "expected");
    }

    void primaryDarkColor_data()
    {
        QTest::addColumn<QString>("primary");
        QTest::addColumn<bool>("dark");
        QTest::addColumn<QString>("expected");

        QTest::newRow("darker shade") << "#3DAEE9" << true << QColor(0x3d, 0xae, 0xe9).darker(130).name();
        QTest::newRow("the colour itself") << "#3DAEE9" << false << "#3daee9";
        QTest::newRow("colour by name") << "teal" << false << "#008080";
        QTest::newRow("no colour") << "nonsense" << true << "";
    }

    void primaryDarkColor()
    {
        QFETCH(QString, primary);
        QFETCH(bool, dark);
        QTEST(QString::fromStdString(GetPrimaryDarkColor(primary.toStdString(), dark)), "expected");
    }

    void noIntegrityControl()
    {
        QVERIFY(!MICDetect::isCurrentProcessHasMaxMIC());
    }
};

QTEST_GUILESS_MAIN(VeskPlatformTest)
#include "tst_veskplatform.moc"
