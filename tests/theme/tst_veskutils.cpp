// SPDX-License-Identifier: GPL-2.0-or-later
// Reading the theme files with the desktop library stand-ins: background, colour theme,
// compositing switch, watched paths, the sudo caller's home and the integrity level.

#include "deadlines.h"
#include "testhome.h"
#include "veskintegration.h"
#include "veskutils.h"
#include "x11application.h"

#include <QApplication>
#include <QStandardItemModel>
#include <QStyle>
#include <QTest>
#include <QTreeView>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <X11/Xlib.h>

namespace
{
const QByteArray NoFile = QByteArrayLiteral("<no file>");
const QByteArray Directory = QByteArrayLiteral("<directory>");
const QByteArray Fifo = QByteArrayLiteral("<fifo>");

QString windowColor()
{
    return QApplication::style()->standardPalette().color(QPalette::Window).name();
}
}

class VeskUtilsTest : public QObject
{
    Q_OBJECT

private:
    TestHome fixture;

    void writeFile(const QString &path, const QByteArray &content)
    {
        if (content == Directory) {
            QVERIFY(QDir().mkpath(path));
        } else if (content == Fifo) {
            // Nobody ever writes to it: opening it for reading would wait for good.
            QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
            QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        } else if (content != NoFile) {
            QVERIFY(TestHome::write(path, content));
        }
    }

private Q_SLOTS:
    void init()
    {
        fixture.reset();
        qunsetenv("SUDO_USER");
        qunsetenv("VESK_SESSION_CONFIG_SUFFIX");
    }

    void backgroundColorFromTheme_data()
    {
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<QByteArray>("palette");
        QTest::addColumn<QString>("expected");

        const QString fallback = QStringLiteral("#4d7593");
        const QString primaryDark = QString::fromStdString(GetPrimaryDarkColor("#3daee9", true));
        QTest::newRow("no theme files") << NoFile << NoFile << fallback;
        QTest::newRow("empty settings file") << QByteArray() << NoFile << fallback;
        QTest::newRow("random bytes") << QByteArray("\x8f\x00\xff[Var\x01\xfe=\n\x00\x9a", 12) << NoFile << fallback;
        QTest::newRow("settings file is a directory") << Directory << NoFile << fallback;
        QTest::newRow("settings file is a FIFO") << Fifo << NoFile << fallback;
        QTest::newRow("TaskbarColor missing") << QByteArray("[Variables]\nOther=1\n") << NoFile << fallback;
        QTest::newRow("TaskbarColor empty") << QByteArray("[Variables]\nTaskbarColor=\n") << NoFile << fallback;
        QTest::newRow("TaskbarColor #rrggbb") << QByteArray("[Variables]\nTaskbarColor=#123456\n") << NoFile << "#123456";
        QTest::newRow("TaskbarColor #rgb") << QByteArray("[Variables]\nTaskbarColor=#abc\n") << NoFile << "#aabbcc";
        QTest::newRow("TaskbarColor svg name") << QByteArray("[Variables]\nTaskbarColor=teal\n") << NoFile << "#008080";
        QTest::newRow("TaskbarColor in other group") << QByteArray("[Other]\nTaskbarColor=#123456\n") << NoFile << fallback;
        QTest::newRow("names in any letter case") << QByteArray("[vARIABLES]\ntaskbarCOLOR=#123456\n") << NoFile << "#123456";
        QTest::newRow("byte-order mark") << QByteArray("\xEF\xBB\xBF[Variables]\nTaskbarColor=#123456\n") << NoFile << "#123456";
        QTest::newRow("TaskbarColor qt") << QByteArray("[Variables]\nTaskbarColor=qt\n") << NoFile << windowColor();
        QTest::newRow("TaskbarColor QT, no palette") << QByteArray("[Variables]\nTaskbarColor=QT\n") << NoFile << fallback;
        QTest::newRow("TaskbarColor QT, PrimaryColor QT")
            << QByteArray("[Variables]\nTaskbarColor=QT\n") << QByteArray("[Variables]\nPrimaryColor=QT\n") << windowColor();
        QTest::newRow("PrimaryColor empty") << QByteArray("[Variables]\nTaskbarColor=x\n") << QByteArray("[Variables]\nPrimaryColor=\n") << fallback;
        QTest::newRow("palette is a FIFO") << QByteArray("[Variables]\nTaskbarColor=x\n") << Fifo << fallback;
        QTest::newRow("palette random bytes") << QByteArray("[Variables]\nTaskbarColor=x\n") << QByteArray("\x01\xfe\x00\x7f", 4) << fallback;
        QTest::newRow("PrimaryColor darkened") << QByteArray("[Variables]\nTaskbarColor=x\n") << QByteArray("[variables]\nprimarycolor=#3daee9\n")
                                               << primaryDark;
        QTest::newRow("PrimaryColor no colour") << QByteArray("[Variables]\nTaskbarColor=x\n") << QByteArray("[Variables]\nPrimaryColor=nothing\n")
                                                << windowColor();
    }

    void backgroundColorFromTheme()
    {
        QFETCH(QByteArray, settings);
        QFETCH(QByteArray, palette);
        QFETCH(QString, expected);
        writeFile(fixture.settingsPath(), settings);
        writeFile(fixture.palettePath(), palette);

        const QColor background = VeskUtils::backgroundColorFromTheme();
        QVERIFY(background.isValid());
        QCOMPARE(background.name(), expected);
    }

    void decorTheme_data()
    {
        QTest::addColumn<QByteArray>("image");
        QTest::addColumn<QString>("expected");

        QTest::newRow("taskbar picture") << QByteArray("xpm") << "#102030";
        QTest::newRow("translucent pixel made opaque") << QByteArray("png") << "#102030";
        QTest::newRow("no picture, TaskbarColor ignored") << NoFile << "#4d7593";
        QTest::newRow("corrupt picture") << QByteArray("/* XPM */\nstatic char *x[] = {\"garbage") << "#4d7593";
        QTest::newRow("picture path is a directory") << Directory << "#4d7593";
        QTest::newRow("picture path is a FIFO") << Fifo << "#4d7593";
    }

    void decorTheme()
    {
        QFETCH(QByteArray, image);
        QFETCH(QString, expected);
        QVERIFY(fixture.writeSettings("[Variables]\nDecorTheme=Orvel\nTaskbarColor=#2d2d2d\n"));
        if (image == "xpm") {
            QVERIFY(fixture.writeImage(QStringLiteral("Orvel"), QColor(0x10, 0x20, 0x30)));
        } else if (image == "png") {
            QVERIFY(fixture.writeImage(QStringLiteral("Orvel"), QColor(0x10, 0x20, 0x30, 0x80), "PNG"));
        } else {
            writeFile(fixture.imagePath(QStringLiteral("Orvel")), image);
        }

        const QColor background = VeskUtils::backgroundColorFromTheme();
        QCOMPARE(background.name(), expected);
        QCOMPARE(background.alpha(), 255);
    }

    void genColorTheme_data()
    {
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<QString>("background");
        QTest::addColumn<bool>("invert");
        QTest::addColumn<QString>("selection");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("textHover");
        QTest::addColumn<QString>("pressed");

        QTest::newRow("no files: default becomes bright") << NoFile << "#f5f5f5" << true << "#dcdcdc"
                                                          << "#000000"
                                                          << "#000000"
                                                          << "#ababab";
        QTest::newRow("default colour") << QByteArray("[Variables]\nTaskbarColor=#4d7593") << "#f5f5f5" << true << "#dcdcdc"
                                        << "#000000"
                                        << "#000000"
                                        << "#ababab";
        QTest::newRow("bright in capitals") << QByteArray("[Variables]\nTaskbarColor=#F5F5F5") << "#f5f5f5" << false << "#dcdcdc"
                                            << "#000000"
                                            << "#000000"
                                            << "#ababab";
        QTest::newRow("dark") << QByteArray("[Variables]\nTaskbarColor=#2d2d2d") << "#2d2d2d" << false << "#464646"
                              << "#FFFFFF"
                              << "#ffffff"
                              << "#1f1f1f";
        QTest::newRow("other, white text") << QByteArray("[Variables]\nTaskbarColor=#123456") << "#123456" << false << "#184674"
                                           << "#FFFFFF"
                                           << "#000000"
                                           << "#08223c";
        QTest::newRow("other, black text") << QByteArray("[Variables]\nTaskbarColor=#ffff00") << "#ffff00" << false << "#ffff2b"
                                           << "#000000"
                                           << "#000000"
                                           << "#b2b200";
    }

    void genColorTheme()
    {
        QFETCH(QByteArray, settings);
        writeFile(fixture.settingsPath(), settings);

        const VeskColorTheme theme = VeskUtils::genColorTheme();
        QTEST(theme.backgroundColor(), "background");
        QTEST(theme.invertColorForTrayIcon(), "invert");
        QTEST(theme.elementSelectionColor(), "selection");
        QTEST(theme.elementHoverColor(), "selection");
        QTEST(theme.textColor(), "text");
        QTEST(theme.textDetailsColor(), "text");
        QTEST(theme.textHoverColor(), "textHover");
        QTEST(theme.buttonPressedColor(), "pressed");
        QCOMPARE(theme.blackTextTheme(), theme.textColor() == QLatin1String("#000000"));
        QCOMPARE(theme.textNonInteractiveColor(), QColor(theme.textColor()).darker(120).name());
        QCOMPARE(theme.textPlaceHolderColor(), QColor(theme.textColor()).darker(150).name());
        const QString panelText = theme.blackTextTheme() ? QStringLiteral("#000000") : QStringLiteral("#ffffff");
        QCOMPARE(theme.separatorColor(), panelText);
        QCOMPARE(theme.buttonBorderColor(), panelText);
        QCOMPARE(theme.criticalNotificationsColor(), QStringLiteral("#ee4d4d"));
        QCOMPARE(theme.nonCriticalNotificationsColor(), QStringLiteral("#e9e9e9"));
    }

    void useComposite_data()
    {
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<bool>("expected");

        for (const char *word : {"on", "On", "yes", "True", "1"}) {
            QTest::addRow("%s", word) << QByteArray("[Variables]\nUseComposite=") + word << true;
        }
        for (const char *word : {"off", "no", "2", ""}) {
            QTest::addRow("'%s'", word) << QByteArray("[Variables]\nUseComposite=") + word << false;
        }
        QTest::newRow("key missing") << QByteArray("[Variables]\nTaskbarColor=#123456") << false;
        QTest::newRow("no file") << NoFile << false;
        QTest::newRow("names in any letter case") << QByteArray("[VARIABLES]\nusecomposite=yes") << true;
    }

    void useComposite()
    {
        QFETCH(QByteArray, settings);
        writeFile(fixture.settingsPath(), settings);
        QTEST(VeskUtils::useComposite(), "expected");
    }

    void themePaths_data()
    {
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<QByteArray>("suffix");
        QTest::addColumn<QString>("image");

        QTest::newRow("no settings file") << NoFile << QByteArray() << QString();
        QTest::newRow("settings is a directory") << Directory << QByteArray() << QString();
        QTest::newRow("readable settings") << QByteArray("[Variables]\nDecorTheme=Orvel") << QByteArray() << "/Orvel/taskbar/taskbarbg.xpm";
        QTest::newRow("without DecorTheme") << QByteArray("[Variables]\n") << QByteArray() << "//taskbar/taskbarbg.xpm";
        QTest::newRow("session suffix") << QByteArray("[Variables]\nDecorTheme=Orvel") << QByteArray(".kiosk") << "/Orvel/taskbar/taskbarbg.xpm";
    }

    void themePaths()
    {
        QFETCH(QByteArray, settings);
        QFETCH(QByteArray, suffix);
        QFETCH(QString, image);
        qputenv("VESK_SESSION_CONFIG_SUFFIX", suffix);
        writeFile(fixture.settingsPath() + QString::fromUtf8(suffix), settings);

        QStringList expected{fixture.palettePath(), fixture.settingsPath() + QString::fromUtf8(suffix)};
        if (!image.isNull()) {
            expected << fixture.themesRoot() + image;
        }
        QCOMPARE(VeskUtils::themePaths(), expected);
    }

    void sudoUser_data()
    {
        QTest::addColumn<QByteArray>("user");
        QTest::addColumn<bool>("followsUser");

        const passwd *self = getpwuid(geteuid());
        QVERIFY(self);
        QTest::newRow("real user") << QByteArray(self->pw_name) << true;
        QTest::newRow("missing user") << QByteArray("no-such-user-of-this-machine") << false;
        QTest::newRow("empty name") << QByteArray("") << false;
        const passwd *nobody = getpwnam("nobody");
        if (nobody && !QFileInfo(QString::fromUtf8(nobody->pw_dir)).isDir()) {
            QTest::newRow("home that does not exist") << QByteArray("nobody") << false;
        }
    }

    void sudoUser()
    {
        QFETCH(QByteArray, user);
        QFETCH(bool, followsUser);
        qputenv("SUDO_USER", user);

        const QString home = VeskUtils::sudoUserHomeDir();
        QCOMPARE(home.isNull(), !followsUser);
        if (followsUser) {
            QCOMPARE(home, QFileInfo(QString::fromUtf8(getpwnam(user.constData())->pw_dir)).canonicalFilePath());
        }
        const QString expectedHome = followsUser ? home : fixture.home();
        QCOMPARE(VeskUtils::themePaths().mid(0, 2),
                 QStringList({expectedHome + QStringLiteral("/.vesk/paletterc"), expectedHome + QStringLiteral("/.vesk/theme/current.themerc")}));
    }

    void ilevel_data()
    {
        QTest::addColumn<QByteArray>("script");
        QTest::addColumn<uint>("expected");

        QTest::newRow("digit among white space") << QByteArray("printf '  3 \\n'") << 3u;
        QTest::newRow("given the argument -i alone") << QByteArray("[ \"$*\" = -i ] && echo 7") << 7u;
        QTest::newRow("letters") << QByteArray("echo high") << 0u;
        QTest::newRow("negative") << QByteArray("echo -1") << 0u;
        QTest::newRow("nothing printed") << QByteArray("true") << 0u;
        QTest::newRow("non-zero exit") << QByteArray("echo 5; exit 1") << 0u;
        QTest::newRow("crash") << QByteArray("echo 5; kill -SEGV $$") << 0u;
        QTest::newRow("missing") << QByteArray() << 0u;
        QTest::newRow("hangs past the time limit") << QByteArray("exec sleep 60") << 0u;
    }

    void ilevel()
    {
        QFETCH(QByteArray, script);
        // Thirty seconds of waiting for the limit tell an instrumented build nothing more.
        if (script.startsWith("exec sleep") && slowdown() > 1) {
            QSKIP("waits for the time limit; done by the build without sanitizers");
        }
        if (!script.isEmpty()) {
            QVERIFY(fixture.writeQmxId(script));
        }
        QTEST(VeskUtils::ilevel(), "expected");
    }

    void redLevelAsksTheCommandOnlyAtMaximalIntegrity()
    {
        const QString marker = fixture.bin() + QStringLiteral("/asked");
        QVERIFY(fixture.writeQmxId("touch '" + QFile::encodeName(marker) + "'; echo 5"));
        QVERIFY(fixture.writeSettings("[Variables]\nTaskbarColor=#2d2d2d"));

        QVERIFY(!VeskUtils::isRedLevel());
        QCOMPARE(VeskUtils::genColorTheme().backgroundColor(), QStringLiteral("#2d2d2d"));
        QVERIFY(!QFile::exists(marker));
    }

    void fixSize_data()
    {
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("expected");

        QTest::newRow("below the minimum") << 5 << 10;
        QTest::newRow("at the minimum") << 10 << 10;
        QTest::newRow("between") << 15 << 15;
        QTest::newRow("at the maximum") << 20 << 20;
        QTest::newRow("above the maximum") << 25 << 20;
    }

    void fixSize()
    {
        QFETCH(int, value);
        QTEST(VeskUtils::fixSize(value, 10, 20), "expected");
    }

    void iterate()
    {
        QStandardItemModel model(0, 2);
        QStandardItem *parent = new QStandardItem(QStringLiteral("a"));
        parent->appendRow({new QStandardItem(QStringLiteral("a1")), new QStandardItem(QStringLiteral("a1'"))});
        parent->child(0)->appendRow(new QStandardItem(QStringLiteral("a11")));
        model.appendRow({parent, new QStandardItem(QStringLiteral("a'"))});
        model.appendRow(new QStandardItem(QStringLiteral("b")));

        QStringList seen;
        const auto record = [&seen](const QModelIndex &index, int depth) {
            seen << QStringLiteral("%1:%2").arg(depth).arg(index.data().toString());
        };
        VeskUtils::iterate(&model, record);
        QCOMPARE(seen, QStringList({"0:a", "0:a'", "1:a1", "1:a1'", "2:a11", "0:b", "0:"}));

        QTreeView view;
        view.setModel(&model);
        view.setRootIndex(model.index(0, 0));
        seen.clear();
        VeskUtils::iterate(&view, record);
        QCOMPARE(seen, QStringList({"0:a1", "0:a1'", "1:a11"}));

        const QAbstractItemModel *noModel = nullptr;
        VeskUtils::iterate(noModel, record);
        QTreeView emptyView;
        VeskUtils::iterate(&emptyView, record);
        VeskUtils::dumpData(&emptyView);
        QCOMPARE(seen.size(), 3);
    }

    void subdirs()
    {
        const QString top = fixture.home() + QStringLiteral("/tree");
        for (const char *dir : {"a/b/c", ".hidden/d"}) {
            QVERIFY(QDir().mkpath(top + QLatin1Char('/') + QLatin1String(dir)));
        }
        QVERIFY(TestHome::write(top + QStringLiteral("/a/file"), "x"));
        QVERIFY(QFile::link(top, top + QStringLiteral("/a/b/loop")));

        QStringList expected;
        for (const char *dir : {".hidden", ".hidden/d", "a", "a/b", "a/b/c", "a/b/loop"}) {
            expected << top + QLatin1Char('/') + QLatin1String(dir);
        }
        QCOMPARE(VeskUtils::subdirs(top), expected);
    }

    void trayIconPosition()
    {
        const QRect fallback(1, 2, 3, 4);
        QCOMPARE(VeskUtils::trayIconPosition(fallback), fallback);

        QWidget tray(nullptr, Qt::X11BypassWindowManagerHint);
        tray.setGeometry(120, 60, 40, 30);
        tray.show();
        QVERIFY(QTest::qWaitForWindowExposed(&tray));
        Display *display = X11Application::display();
        const QByteArray name = "_NET_SYSTEM_TRAY_S" + QByteArray::number(X11Application::defaultScreen());
        XSetSelectionOwner(display, XInternAtom(display, name.constData(), False), tray.winId(), CurrentTime);
        XSync(display, False);

        QCOMPARE(VeskUtils::trayIconPosition(fallback), QRect(120, 60, 40, 30));
    }
};

QTEST_MAIN(VeskUtilsTest)
#include "tst_veskutils.moc"
