// SPDX-License-Identifier: GPL-2.0-or-later
#include "deadlines.h"
#include "framepacer.h"
#include "hostileimagefiles.h"
#include "memory.h"
#include "osdconfig.h"
#include "popuplist.h"
#include "resizedtext.h"
#include "roundedlabel.h"
#include "roundedosdwidget.h"
#include "roundedprogressbar.h"
#include "screen.h"
#include "testhome.h"
#include "veskutils.h"

#include <QApplication>
#include <QFontInfo>
#include <QLabel>
#include <QLayout>
#include <QScreen>
#include <QWindow>
#include <QtTest>

#include <functional>

class TestRoundedOsdWidget : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanup();
    void placement_data();
    void placement();
    void content_data();
    void content();
    void customImage_data();
    void customImage();
    void equalValuesChangeNothing_data();
    void equalValuesChangeNothing();
    void hostileImageFiles_data();
    void hostileImageFiles();
    void followsPrimaryScreen();
    void chosenScreen_data();
    void chosenScreen();
    void iconsStandOutInEveryTheme_data();
    void iconsStandOutInEveryTheme();

private:
    std::unique_ptr<RoundedOsdWidget> showProgress(const QVariant &value, bool progress, const QString &icon);

    TestHome home;
    HostileImageFiles hostile;
    std::unique_ptr<OsdConfig> config;
    std::unique_ptr<RoundedOsdWidget> widget;
};

namespace
{
RoundedLabel *badge(RoundedOsdWidget *widget)
{
    return widget->findChild<RoundedLabel *>();
}
}

void TestRoundedOsdWidget::initTestCase()
{
    home.writeTheme(false);
    config = std::make_unique<OsdConfig>(KSharedConfig::openConfig(home.path(QStringLiteral("vesknotifyrc"))), nullptr);
    QCOMPARE(QGuiApplication::primaryScreen()->geometry(), QRect(0, 0, 1920, 1080));
}

void TestRoundedOsdWidget::cleanup()
{
    widget.reset();
    setWorkArea(QRect());
    QTRY_COMPARE(QGuiApplication::primaryScreen()->availableGeometry(), QRect(0, 0, 1920, 1080));
}

std::unique_ptr<RoundedOsdWidget> TestRoundedOsdWidget::showProgress(const QVariant &value, bool progress, const QString &icon)
{
    // In the order the service writes them.
    auto w = std::make_unique<RoundedOsdWidget>(config.get(), nullptr);
    // A list of {name, value} pairs: shown as rows, or under a ring as its value of 40.
    if (value.userType() == QMetaType::QVariantList) {
        QList<PopupListRow> rows;
        QStringList lines;
        for (const QVariant &row : value.toList()) {
            rows.append({row.toStringList().at(0), row.toStringList().at(1), rows.isEmpty()});
            lines.append(row.toStringList().join(QLatin1String(": ")));
        }
        w->setListRows(rows);
        w->setOsdValue(progress ? QVariant(40) : QVariant(lines.join(QLatin1Char('\n'))));
    } else {
        w->setOsdValue(value);
    }
    w->setShowingProgress(progress);
    w->setIcon(icon);
    w->setVisible(true);
    return w;
}

void TestRoundedOsdWidget::placement_data()
{
    QTest::addColumn<QByteArray>("settings");
    QTest::addColumn<QString>("word");
    QTest::addColumn<QPoint>("position");

    QTest::newRow("North") << QByteArray() << "north" << QPoint(809, 40);
    QTest::newRow("SouthEast") << QByteArray() << "southeast" << QPoint(1580, 900);
    QTest::newRow("Center") << QByteArray() << "center" << QPoint(809, 469);
    QTest::newRow("SouthEast, mixed case with blanks") << QByteArray() << "  SouthEAST \t" << QPoint(1580, 900);
    QTest::newRow("centre is no position word") << QByteArray() << "centre" << QPoint(809, 40);
    QTest::newRow("empty word") << QByteArray() << "" << QPoint(809, 40);
    // The setting places every pop-up whose text brings no position word of its own.
    const QPoint settingPlaces[] = {{809, 12}, {809, 469}, {12, 12}, {1608, 12}, {12, 469}, {1608, 469}, {12, 928}, {809, 928}, {1608, 928}};
    for (int i = 0; i < int(std::size(settingPlaces)); ++i) {
        const QByteArray word = PopupPosition::words().at(i).toLatin1();
        const QByteArray settings = "Position=" + word + "\nMargin=12\n";
        QTest::addRow("setting %s, margin 12", word.constData()) << settings << "" << settingPlaces[i];
    }
    QTest::newRow("setting, unknown word of the text") << QByteArray("Position=SOUTH\n") << "centre" << QPoint(809, 900);
    QTest::newRow("the text's word wins over the setting") << QByteArray("Position=south\n") << "northwest" << QPoint(40, 40);
    QTest::newRow("margin 0") << QByteArray("Margin=0\n") << "southeast" << QPoint(1620, 940);
    QTest::newRow("margin beyond the room: inside the area") << QByteArray("Margin=5000\n") << "northeast" << QPoint(810, 470);
}

void TestRoundedOsdWidget::placement()
{
    QFETCH(QByteArray, settings);
    QFETCH(QString, word);
    QFETCH(QPoint, position);

    setWorkArea(QRect(0, 0, 1920, 1040));
    QTRY_COMPARE(QGuiApplication::primaryScreen()->availableGeometry(), QRect(0, 0, 1920, 1040));
    QVERIFY(TestHome::write(home.configPath(QStringLiteral("placement-rc")), "[OSD]\n" + settings));
    OsdConfig placed(KSharedConfig::openConfig(home.configPath(QStringLiteral("placement-rc"))), nullptr);
    const auto directionBack = qScopeGuard([] {
        QApplication::setLayoutDirection(Qt::LeftToRight);
    });
    // The words name sides of the screen in both writing directions.
    for (const Qt::LayoutDirection direction : {Qt::LeftToRight, Qt::RightToLeft}) {
        QApplication::setLayoutDirection(direction);
        RoundedOsdWidget popup(&placed, nullptr);
        popup.setMinimumSize(300, 100);
        popup.setOsdPosition(QStringLiteral("northwest"));
        popup.setOsdPosition(word);
        popup.setVisible(true);
        QCOMPARE(popup.size(), QSize(300, 100));
        QCOMPARE(popup.pos(), position);
    }
}

void TestRoundedOsdWidget::content_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<bool>("progress");
    QTest::addColumn<QString>("icon");
    QTest::addColumn<bool>("ring");
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("badgeShown");
    QTest::addColumn<int>("margin");

    const QString image = home.path(QStringLiteral("icon.png"));
    const QString missing = home.path(QStringLiteral("missing.png"));
    const QVariant none;

    QTest::newRow("progress, built-in icon") << QVariant(40) << true << "mono-audio-volume" << true << "40"
                                             << "" << true << 9;
    QTest::newRow("progress, unknown name keeps the badge for the number") << QVariant(40) << true << "no-such-icon" << true << "40"
                                                                           << "" << true << 9;
    QTest::newRow("progress without icon keeps the badge for the number") << QVariant(0) << true << "" << true << "0"
                                                                          << "" << true << 9;
    QTest::newRow("progress, image file") << QVariant(7) << true << image << true << "7"
                                          << "" << true << 9;
    QTest::newRow("progress, missing file hides the badge") << QVariant(40) << true << missing << true << ""
                                                            << "" << false << 9;
    QTest::newRow("text, built-in icon") << QVariant("Hello") << false << "mono-play-circle" << false << ""
                                         << "Hello" << true << 9;
    QTest::newRow("text only") << QVariant(" Hello ") << false << "" << false << ""
                               << "Hello" << false << 8;
    QTest::newRow("text, unknown icon name") << QVariant("Hello") << false << "no-such-icon" << false << ""
                                             << "Hello" << false << 8;
    QTest::newRow("text, file URL") << QVariant("Hello") << false << QUrl::fromLocalFile(image).toString() << false << ""
                                    << "Hello" << true << 9;
    QTest::newRow("text, missing file URL") << QVariant("Hello") << false << QUrl::fromLocalFile(missing).toString() << false << ""
                                            << "Hello" << false << 8;
    QTest::newRow("number shown as text") << QVariant(40) << false << "" << false << ""
                                          << "40" << false << 8;
    QTest::newRow("text of blanks shows nothing") << QVariant("   ") << false << "mono-play-circle" << false << ""
                                                  << "" << true << 9;
    QTest::newRow("icon only") << none << false << "mono-play-circle" << false << ""
                               << "" << true << 9;
    QTest::newRow("icon only, unknown name") << none << false << "no-such-icon" << false << ""
                                             << "" << false << 9;
    const QVariant displays(QVariantList{QStringList{"Built-in Screen", "70 %"}, QStringList{"Dell", "40 %"}});
    QTest::newRow("list of displays") << displays << false << "mono-video-display-brightness" << false << ""
                                      << "" << true << 9;
    QTest::newRow("progress hides a list") << displays << true << "mono-video-display-brightness" << true << "40"
                                           << "" << true << 9;
}

void TestRoundedOsdWidget::content()
{
    QFETCH(QVariant, value);
    QFETCH(bool, progress);
    QFETCH(QString, icon);
    QFETCH(bool, ring);
    QFETCH(QString, number);
    QFETCH(QString, text);
    QFETCH(bool, badgeShown);
    QFETCH(int, margin);

    QImage(30, 20, QImage::Format_RGB32).save(home.path(QStringLiteral("icon.png")));
    widget = showProgress(value, progress, icon);

    RoundedLabel *label = badge(widget.get());
    auto *bar = widget->findChild<RoundedProgressBar *>();
    auto *textLabel = widget->findChild<ResizedText *>();
    QCOMPARE(bar->isVisible(), ring);
    QCOMPARE(label->isVisible(), badgeShown);
    QCOMPARE(label->isVisible() && label->isPercentageVisible() ? label->percentageText() : QString(), number);
    QCOMPARE(textLabel->isVisible() ? textLabel->text() : QString(), text);
    // The number and the text in the font Qt gives the style's family, installed or not.
    const QString styleFamily = QFontInfo(QFont(QStringLiteral("PT Orvel Fact [Regular]"))).family();
    QCOMPARE(QFontInfo(label->font()).family(), styleFamily);
    QCOMPARE(QFontInfo(textLabel->font()).family(), styleFamily);
    QCOMPARE(widget->layout()->contentsMargins(), QMargins(margin, margin, margin, margin));
    // A list has the room it asks for, below the badge and inside the margins.
    auto *list = widget->findChild<PopupList *>();
    QCOMPARE(list->isVisible(), value.userType() == QMetaType::QVariantList && !progress);
    if (list->isVisible()) {
        QVERIFY(widget->rect().marginsRemoved(QMargins(margin, margin, margin, margin)).contains(list->geometry()));
        QVERIFY(list->width() >= list->sizeHint().width() && list->height() >= list->sizeHint().height());
        QVERIFY(list->y() > label->geometry().bottom());
    }
    if (ring) {
        QCOMPARE(bar->maximum(), 100);
        QCOMPARE(bar->value(), widget->osdValue().toInt());
        QCOMPARE(widget->size(), QSize(96, 96));
    }
    if (badgeShown) {
        QCOMPARE(label->size(), QSize(58, 58));
        QCOMPARE(label->standartIconSize(), QSize(24, 24));
        // Centred in the window, and inside the ring.
        QVERIFY(qAbs(label->x() - (widget->width() - label->geometry().right() - 1)) <= 1);
        if (ring) {
            QCOMPARE(label->geometry().center(), bar->geometry().center());
        }
    }
    if (!text.isEmpty() && !badgeShown) {
        QCOMPARE(textLabel->geometry(), widget->rect().marginsRemoved(QMargins(8, 8, 8, 8)));
    }
}

void TestRoundedOsdWidget::customImage_data()
{
    QTest::addColumn<bool>("noBackground");
    QTest::addColumn<QSize>("iconSize");
    QTest::addColumn<QSize>("badgeSize");
    QTest::addColumn<QSize>("shownSize");

    QTest::newRow("with background: square, clipped") << false << QSize(240, 240) << QSize(248, 252) << QSize(240, 240);
    QTest::newRow("without background") << true << QSize(240, 180) << QSize(248, 192) << QSize(240, 180);
}

void TestRoundedOsdWidget::customImage()
{
    QFETCH(bool, noBackground);
    QFETCH(QSize, iconSize);
    QFETCH(QSize, badgeSize);
    QFETCH(QSize, shownSize);

    const QString path = home.path(QStringLiteral("photo.png"));
    if (!QFileInfo::exists(path)) {
        QImage photo(4000, 3000, QImage::Format_RGB32);
        photo.fill(Qt::darkCyan);
        QVERIFY(photo.save(path));
    }

    widget = std::make_unique<RoundedOsdWidget>(config.get(), nullptr);
    widget->setNoBackgroundMode(noBackground);
    widget->setCustomImageMode(true);
    widget->setShowingProgress(false);
    widget->setOsdValue(QStringLiteral("Photo"));
    widget->setIcon(path);
    widget->setVisible(true);

    RoundedLabel *label = badge(widget.get());
    QVERIFY(label->isVisible());
    QCOMPARE(label->standartIconSize(), iconSize);
    QCOMPARE(label->size(), badgeSize);
    QCOMPARE(label->findChild<QLabel *>(QStringLiteral("iconView"))->pixmap(Qt::ReturnByValue).size(), shownSize);

    // Back to the default badge for an ordinary icon.
    widget->setCustomImageMode(false);
    QCOMPARE(label->size(), QSize(58, 58));
    QCOMPARE(label->standartIconSize(), QSize(24, 24));
}

using Setter = std::function<void(RoundedOsdWidget *)>;
Q_DECLARE_METATYPE(Setter)

void TestRoundedOsdWidget::equalValuesChangeNothing_data()
{
    QTest::addColumn<Setter>("setter");

    QTest::newRow("osdValue") << Setter([](RoundedOsdWidget *w) {
        w->setOsdValue(40);
    });
    QTest::newRow("osdValue as text") << Setter([](RoundedOsdWidget *w) {
        w->setOsdValue(QStringLiteral("Caps Lock"));
    });
    QTest::newRow("osdMaxValue") << Setter([](RoundedOsdWidget *w) {
        w->setOsdMaxValue(50);
    });
    QTest::newRow("icon") << Setter([](RoundedOsdWidget *w) {
        w->setIcon(QStringLiteral("mono-audio-volume"));
    });
    QTest::newRow("showingProgress") << Setter([](RoundedOsdWidget *w) {
        w->setShowingProgress(false);
    });
    QTest::newRow("timeout") << Setter([](RoundedOsdWidget *w) {
        w->setTimeout(500);
    });
    QTest::newRow("position, other spelling") << Setter([](RoundedOsdWidget *w) {
        w->setOsdPosition(QStringLiteral("East"));
    });
    QTest::newRow("font family") << Setter([](RoundedOsdWidget *w) {
        w->setTextFontFamily(QStringLiteral("Serif"));
    });
    QTest::newRow("font size") << Setter([](RoundedOsdWidget *w) {
        w->setTextFontPointSize(20);
    });
    QTest::newRow("no background") << Setter([](RoundedOsdWidget *w) {
        w->setNoBackgroundMode(true);
    });
    QTest::newRow("custom image") << Setter([](RoundedOsdWidget *w) {
        w->setCustomImageMode(true);
    });
}

void TestRoundedOsdWidget::equalValuesChangeNothing()
{
    QFETCH(Setter, setter);

    widget = showProgress(40, true, QStringLiteral("mono-audio-volume"));
    widget->setOsdPosition(QStringLiteral("east"));
    setter(widget.get());

    // Anything that relayouts or places the window would take it away from here.
    widget->move(5, 5);
    QSignalSpy spies[] = {
        {widget.get(), &RoundedOsdWidget::timeoutChanged},
        {widget.get(), &RoundedOsdWidget::osdValueChanged},
        {widget.get(), &RoundedOsdWidget::osdMaxValueChanged},
        {widget.get(), &RoundedOsdWidget::iconChanged},
        {widget.get(), &RoundedOsdWidget::showingProgressChanged},
    };
    setter(widget.get());
    for (const QSignalSpy &spy : spies) {
        QCOMPARE(spy.count(), 0);
    }
    QCOMPARE(widget->pos(), QPoint(5, 5));
}

void TestRoundedOsdWidget::hostileImageFiles_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("customImageMode");
    QTest::addColumn<bool>("badgeShown");

    QVERIFY2(hostile.isValid(), qPrintable(hostile.error()));
    for (const HostileImageFiles::Case &c : hostile.cases()) {
        // An SVG that only declares a huge size is drawn at the size it is shown at.
        QTest::newRow(QByteArray(c.name + ", icon").constData()) << c.path << false << c.drawsAtBoundedSize;
        QTest::newRow(QByteArray(c.name + ", custom image").constData()) << c.path << true << c.drawsAtBoundedSize;
    }
}

void TestRoundedOsdWidget::hostileImageFiles()
{
    QFETCH(QString, path);
    QFETCH(bool, customImageMode);
    QFETCH(bool, badgeShown);

    widget = std::make_unique<RoundedOsdWidget>(config.get(), nullptr);
    widget->setCustomImageMode(customImageMode);
    widget->setVisible(true);
    widget->setShowingProgress(true);
    widget->setOsdValue(40);
    {
        const PeakMemory memory;
        const Watchdog watchdog(QTest::currentDataTag(), 5);
        widget->setIcon(path);
        QVERIFY2(memory.growthMiB() < 64, qPrintable(QStringLiteral("%1 MiB").arg(memory.growthMiB())));
    }

    RoundedLabel *label = badge(widget.get());
    QCOMPARE(label->isVisible(), badgeShown);
    QVERIFY(widget->findChild<RoundedProgressBar *>()->isVisible());
    if (badgeShown) {
        QCOMPARE(label->size(), customImageMode ? QSize(188, 192) : QSize(58, 58));
    }
}

void TestRoundedOsdWidget::followsPrimaryScreen()
{
    const QList<QScreen *> screens = QGuiApplication::screens();
    if (screens.size() < 2) {
        QSKIP("needs a display with two screens");
    }
    QScreen *primary = QGuiApplication::primaryScreen();
    QScreen *other = screens.at(1);
    QCOMPARE(other->availableGeometry().size(), QSize(1280, 1024));

    widget = showProgress(40, true, QStringLiteral("mono-audio-volume"));
    widget->setOsdPosition(QStringLiteral("southeast"));
    QCOMPARE(widget->pos(), QPoint(1920 - 96 - 40, 1080 - 96 - 40));

    Q_EMIT qApp->primaryScreenChanged(other);
    QCOMPARE(widget->pos(), other->availableGeometry().topLeft() + QPoint(1280 - 96 - 40, 1024 - 96 - 40));

    // Hidden, it follows no screen.
    widget->setVisible(false);
    QVERIFY(!widget->isScreenWatching());
    const QPoint hiddenAt = widget->pos();
    Q_EMIT qApp->primaryScreenChanged(primary);
    QCOMPARE(widget->pos(), hiddenAt);
}

// Needs a second X screen (see CMakeLists.txt): the window is made there, and placed as on the
// first. The screen is chosen when the pop-up shows and kept while it stays shown.
void TestRoundedOsdWidget::chosenScreen_data()
{
    QTest::addColumn<QByteArray>("setting");
    QTest::addColumn<int>("pointerScreen");
    QTest::addColumn<int>("activeScreen");
    QTest::addColumn<int>("activeBy");
    QTest::addColumn<int>("shownOn");
    const int none = -1;
    const int focus = ActiveWindow::Focus;
    const int manager = ActiveWindow::WindowManager;
    QTest::newRow("absent: primary") << QByteArray() << 1 << 1 << focus << 0;
    QTest::newRow("primary") << QByteArray("primary") << 1 << 1 << focus << 0;
    QTest::newRow("pointer on the second") << QByteArray("pointer") << 1 << 0 << focus << 1;
    QTest::newRow("pointer on the first") << QByteArray("pointer") << 0 << 1 << focus << 0;
    QTest::newRow("focus on the second") << QByteArray("active") << 0 << 1 << focus << 1;
    QTest::newRow("window manager's active window on the second") << QByteArray("active") << 0 << 1 << manager << 1;
    QTest::newRow("no active window: the pointer's") << QByteArray("active") << 1 << none << focus << 1;
}

void TestRoundedOsdWidget::chosenScreen()
{
    QFETCH(QByteArray, setting);
    QFETCH(int, pointerScreen);
    QFETCH(int, activeScreen);
    QFETCH(int, activeBy);
    QFETCH(int, shownOn);
    const QList<QScreen *> screens = QGuiApplication::screens();
    if (screens.size() < 2) {
        QSKIP("needs a display with two screens");
    }
    const QString path = home.path(QStringLiteral("vesknotifyrc-screen-") + QString::fromLatin1(setting));
    QVERIFY(TestHome::write(path, setting.isNull() ? QByteArray("[OSD]\n") : "[OSD]\nScreen=" + setting + '\n'));
    OsdConfig chosen(KSharedConfig::openConfig(path, KConfig::SimpleConfig), nullptr);

    movePointer(pointerScreen, QPoint(200, 300));
    std::unique_ptr<ActiveWindow> active;
    if (activeScreen != -1) {
        active = std::make_unique<ActiveWindow>(activeScreen, ActiveWindow::How(activeBy));
    }
    widget = std::make_unique<RoundedOsdWidget>(&chosen, nullptr);
    widget->setOsdPosition(QStringLiteral("southeast"));
    widget->setOsdValue(40);
    widget->setShowingProgress(true);
    widget->setIcon(QStringLiteral("mono-audio-volume"));
    widget->setVisible(true);
    QVERIFY(QTest::qWaitForWindowExposed(widget.get()));
    QScreen *expected = screens.at(shownOn);
    const QRect area = expected->availableGeometry();
    QCOMPARE(widget->windowHandle()->screen(), expected);
    QCOMPARE(widget->pos(), area.topLeft() + QPoint(area.width() - 96 - 40, area.height() - 96 - 40));
    saveScreenshot(expected->grabWindow(0).toImage(), QStringLiteral("chosen-screen-") + QString::fromLatin1(QTest::currentDataTag()));

    // Looking elsewhere while it shows moves nothing.
    active.reset();
    movePointer(1 - pointerScreen, QPoint(600, 500));
    widget->setOsdValue(60);
    widget->setVisible(true);
    QCOMPARE(widget->windowHandle()->screen(), expected);
    QCOMPARE(widget->pos(), area.topLeft() + QPoint(area.width() - 96 - 40, area.height() - 96 - 40));
    movePointer(0, QPoint(960, 540));
}

// Every built-in icon stands out from the badge, 3:1 at least as graphics should, measured on
// the screen in each theme of the sweep.
void TestRoundedOsdWidget::iconsStandOutInEveryTheme_data()
{
    addThemeSweepRows();
}

void TestRoundedOsdWidget::iconsStandOutInEveryTheme()
{
    QFETCH(QByteArray, settings);
    QVERIFY(home.writeSettings("[Variables]\n" + settings + '\n'));
    widget = showProgress(QVariant(), false, QStringLiteral("mono-audio-volume"));
    // Painted at once, so that each icon is on the screen when it is looked at.
    delete widget->findChild<FramePacer *>();
    QVERIFY(QTest::qWaitForWindowExposed(widget.get()));
    RoundedLabel *label = badge(widget.get());
    const QColor background(VeskUtils::genColorTheme().backgroundColor());
    QStringList faint;
    for (const char *name : {"mono-audio-volume",
                             "mono-audio-volume-muted",
                             "mono-microphone-sensitivity",
                             "mono-microphone-sensitivity-muted",
                             "mono-video-display-brightness",
                             "mono-input-keyboard-brightness",
                             "mono-play-circle",
                             "mono-virtual-desktops",
                             "mono-input-touchpad-on",
                             "mono-input-touchpad-off",
                             "mono-network-wireless-on",
                             "mono-network-wireless-off",
                             "mono-preferences-system-bluetooth",
                             "mono-preferences-system-bluetooth-inactive",
                             "mono-network-mobile-on",
                             "mono-network-mobile-off",
                             "mono-input-keyboard-virtual"}) {
        widget->setIcon(QString::fromLatin1(name));
        QCoreApplication::sendPostedEvents();
        widget->repaint();
        QVERIFY2(label->isVisible(), name);
        // The square inside the round badge: the icon and the badge's own colour.
        const QRect inside(label->mapToGlobal(label->rect().center()) - QPoint(19, 19), QSize(39, 39));
        const double contrast = inkContrast(grabScreen(inside), background);
        if (contrast < 3.0) {
            faint << QStringLiteral("%1 %2:1").arg(QString::fromLatin1(name)).arg(contrast, 0, 'f', 2);
        }
    }
    QVERIFY2(faint.isEmpty(), qPrintable(faint.join(QStringLiteral(", "))));
}

QTEST_MAIN(TestRoundedOsdWidget)
#include "tst_roundedosdwidget.moc"
