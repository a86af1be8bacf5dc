// SPDX-License-Identifier: GPL-2.0-or-later
// The standard pop-up window: content, icons, styles, placement, screens, focus and hostile
// image paths, on a real X display.

#include "deadlines.h"
#include "focusholder.h"
#include "framepacer.h"
#include "hostileimagefiles.h"
#include "memory.h"
#include "osdconfig.h"
#include "osdwidget.h"
#include "popuplist.h"
#include "popupplacement.h"
#include "resizedtext.h"
#include "screen.h"
#include "standardplacement.h"
#include "stylehelper.h"
#include "testhome.h"
#include "veskcolortheme.h"
#include "veskutils.h"

#include <QApplication>
#include <QFileInfo>
#include <QIcon>
#include <QLabel>
#include <QMetaProperty>
#include <QProgressBar>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QUrl>

namespace
{
// What one case may add to the process's peak memory: room for what a first pop-up loads
// (fonts, icon engines, about 50 MiB), far below what any unbounded decode of the hostile
// files needs (hundreds of MiB to gigabytes).
constexpr qint64 peakGrowthLimitMiB = 128;

const QByteArray darkTheme = "[Variables]\nTaskbarColor=#2d2d2d\n";

QLabel *iconLabel(const OsdWidget &widget)
{
    return widget.findChildren<QLabel *>(QString(), Qt::FindDirectChildrenOnly).value(0);
}

QLabel *percentLabel(const OsdWidget &widget)
{
    return widget.findChildren<QLabel *>(QString(), Qt::FindDirectChildrenOnly).value(1);
}

QProgressBar *progressBar(const OsdWidget &widget)
{
    return widget.findChild<QProgressBar *>();
}

ResizedText *textWidget(const OsdWidget &widget)
{
    return widget.findChild<ResizedText *>();
}
}

Q_DECLARE_METATYPE(QIcon::Mode)

class OsdWidgetTest : public QObject
{
    Q_OBJECT

private:
    TestHome home;
    HostileImageFiles hostile;
    std::unique_ptr<OsdConfig> config;

    QString filePath(const QString &name) const
    {
        return home.path(QStringLiteral("files/") + name);
    }

    // The contrast between the colour at @p backgroundPoint and the colour in @p area that
    // stands out most from it (the glyphs' cores), in @p image.
    static double shownContrast(const QImage &image, const QRect &area, const QPoint &backgroundPoint)
    {
        const QColor background = image.pixelColor(backgroundPoint);
        double contrast = 1;
        for (int y = area.top(); y <= area.bottom(); ++y) {
            for (int x = area.left(); x <= area.right(); ++x) {
                contrast = qMax(contrast, StyleHelper::contrastRatio(background, image.pixelColor(x, y)));
            }
        }
        return contrast;
    }

    // The same on a screenshot of @p area.
    static double shownContrast(const QRect &area, const QPoint &backgroundPoint)
    {
        return shownContrast(grabScreen(area), QRect(QPoint(0, 0), area.size()), backgroundPoint - area.topLeft());
    }

    // Where a full progress pop-up, as the window paints it, is not in the colours the theme
    // code derives now: the window's background and its border, the bar in the text colour,
    // and a percentage that reads well. Empty when all are.
    static QString colourMismatches(OsdWidget &widget)
    {
        const VeskColorTheme theme = VeskUtils::genColorTheme();
        const QColor background(theme.backgroundColor());
        const QImage painted = widget.grab().toImage();
        const int middle = painted.height() / 2;
        QStringList wrong;
        const auto expect = [&](const char *what, const QPoint &at, const QColor &colour) {
            if (painted.pixelColor(at).rgb() != colour.rgb()) {
                wrong << QStringLiteral("%1 %2, not %3").arg(QLatin1String(what), painted.pixelColor(at).name(), colour.name());
            }
        };
        expect("border", QPoint(0, middle), StyleHelper::colorDarker(background, 0.04, 1, 0.1, 0.9));
        expect("background", QPoint(3, middle), background);
        expect("bar", progressBar(widget)->geometry().center(), QColor(theme.textColor()));
        const QRect percent = percentLabel(widget)->geometry();
        if (shownContrast(painted, percent, percent.topLeft()) < 4.5) {
            wrong << QStringLiteral("faint percentage");
        }
        return wrong.join(QLatin1String("; "));
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(hostile.isValid(), qPrintable(hostile.error()));
        QVERIFY(home.writeSettings(darkTheme));

        const QString icons = home.path(QStringLiteral("icons"));
        QVERIFY(TestHome::write(icons + QStringLiteral("/osdtest/index.theme"),
                                "[Icon Theme]\nName=osdtest\nDirectories=48x48/status\n\n[48x48/status]\nSize=48\nType=Fixed\n"));
        QVERIFY(QDir().mkpath(icons + QStringLiteral("/osdtest/48x48/status")));
        QImage themed(48, 48, QImage::Format_ARGB32);
        themed.fill(QColor(0x20, 0xa0, 0x60));
        QVERIFY(themed.save(icons + QStringLiteral("/osdtest/48x48/status/osd-test-icon.png")));
        QIcon::setThemeSearchPaths({icons});
        QIcon::setThemeName(QStringLiteral("osdtest"));

        QDir().mkpath(filePath(QString()));
        QImage picture(64, 64, QImage::Format_ARGB32);
        picture.fill(QColor(0xc0, 0x30, 0x30));
        QVERIFY(picture.save(filePath(QStringLiteral("red icon.png"))));
        QImage square(1000, 1000, QImage::Format_RGB32);
        square.fill(QColor(0x30, 0x30, 0xc0));
        QVERIFY(square.save(filePath(QStringLiteral("square.png"))));

        config.reset(new OsdConfig(KSharedConfig::openConfig(home.path(QStringLiteral("vesknotifyrc")), KConfig::SimpleConfig), nullptr));
        QCOMPARE(QGuiApplication::primaryScreen()->availableGeometry(), QRect(0, 0, 1920, 1080));
    }

    void cleanup()
    {
        setWorkArea(QRect());
        QVERIFY(home.writeSettings(darkTheme));
    }

    void setterEmitsOnlyOnChange_data()
    {
        QTest::addColumn<QByteArray>("property");
        QTest::addColumn<QVariant>("changed");
        QTest::newRow("timeout") << QByteArray("timeout") << QVariant(2500);
        QTest::newRow("osdValue") << QByteArray("osdValue") << QVariant(40);
        QTest::newRow("osdMaxValue") << QByteArray("osdMaxValue") << QVariant(200);
        QTest::newRow("icon") << QByteArray("icon") << QVariant(QStringLiteral("osd-test-icon"));
        QTest::newRow("showingProgress") << QByteArray("showingProgress") << QVariant(true);
    }

    void setterEmitsOnlyOnChange()
    {
        QFETCH(QByteArray, property);
        QFETCH(QVariant, changed);
        const char *name = property.constData();
        OsdWidget widget(config.get());
        const QMetaProperty meta = widget.metaObject()->property(widget.metaObject()->indexOfProperty(name));
        QSignalSpy spy(&widget, QByteArray('2' + meta.notifySignal().methodSignature()).constData());
        QVERIFY(spy.isValid());
        QVERIFY(widget.setProperty(name, widget.property(name)));
        QCOMPARE(spy.count(), 0);
        QVERIFY(widget.setProperty(name, changed));
        QCOMPARE(spy.count(), 1);
        QVERIFY(widget.setProperty(name, changed));
        QCOMPARE(spy.count(), 1);
    }

    void progress_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<int>("maximum");
        QTest::addColumn<QString>("label");
        QTest::newRow("40 of 200 is a fifth, labelled 40%") << QVariant(40) << 200 << QStringLiteral("40%");
        QTest::newRow("100 of 100") << QVariant(100) << 100 << QStringLiteral("100%");
        QTest::newRow("number as text") << QVariant(QStringLiteral("25")) << 100 << QStringLiteral("25%");
        QTest::newRow("text that is no number counts 0") << QVariant(QStringLiteral("loud")) << 100 << QStringLiteral("0%");
    }

    void progress()
    {
        QFETCH(QVariant, value);
        QFETCH(int, maximum);
        QFETCH(QString, label);
        OsdWidget widget(config.get());
        widget.setShowingProgress(true);
        widget.setOsdMaxValue(maximum);
        widget.setOsdValue(value);
        QProgressBar *bar = progressBar(widget);
        QCOMPARE(bar->minimum(), 0);
        QCOMPARE(bar->maximum(), maximum);
        QCOMPARE(bar->value(), value.toInt());
        QCOMPARE(percentLabel(widget)->text(), label);
        QVERIFY(!bar->isHidden());
        QVERIFY(!percentLabel(widget)->isHidden());
        QVERIFY(textWidget(widget)->isHidden());
    }

    void textMode_data()
    {
        QTest::addColumn<bool>("showingProgress");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("shown");
        // A volume shown between the previous text and this one.
        QTest::addColumn<bool>("progressBetween");
        QTest::newRow("text, trimmed") << false << QStringLiteral("  Layout: English \n") << QStringLiteral("Layout: English") << false;
        QTest::newRow("blanks only hide the text") << false << QStringLiteral(" \t \n ") << QString() << false;
        QTest::newRow("progress mode hides the text") << true << QStringLiteral("Layout") << QString() << false;
        QTest::newRow("the same text after a volume") << false << QStringLiteral("previous text") << QStringLiteral("previous text") << true;
        QTest::newRow("another text after a volume") << false << QStringLiteral("Layout") << QStringLiteral("Layout") << true;
    }

    void textMode()
    {
        QFETCH(bool, showingProgress);
        QFETCH(QString, value);
        QFETCH(QString, shown);
        QFETCH(bool, progressBetween);
        OsdWidget widget(config.get());
        widget.setOsdValue(QStringLiteral("previous text"));
        if (progressBetween) {
            widget.setShowingProgress(true);
            widget.setOsdValue(40);
        }
        widget.setShowingProgress(showingProgress);
        widget.setOsdValue(value);
        ResizedText *text = textWidget(widget);
        QCOMPARE(text->isHidden(), shown.isEmpty());
        QCOMPARE(text->isHidden() ? QString() : text->text(), shown);
        QCOMPARE(progressBar(widget)->isHidden(), !showingProgress);
        if (!shown.isEmpty()) {
            // Laid out as the same text shown first.
            OsdWidget fresh(config.get());
            fresh.setOsdValue(value);
            QCOMPARE(text->sizeHint(), textWidget(fresh)->sizeHint());
        }
    }

    void iconResolution_data()
    {
        QTest::addColumn<QString>("icon");
        QTest::addColumn<bool>("customImageMode");
        QTest::addColumn<bool>("visible");
        QTest::addColumn<QSize>("minimumSize");
        QTest::addColumn<QSize>("maximumSize");
        // When set, the icon was shown before, then this one.
        QTest::addColumn<QString>("between");
        const QSize unlimited(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        const QString red = filePath(QStringLiteral("red icon.png"));
        QTest::newRow("theme name") << QStringLiteral("osd-test-icon") << false << true << QSize(32, 32) << unlimited << QString();
        QTest::newRow("unknown theme name") << QStringLiteral("no-such-icon") << false << false << QSize(32, 32) << unlimited << QString();
        QTest::newRow("absolute path") << red << false << true << QSize(32, 32) << unlimited << QString();
        QTest::newRow("file URL") << QUrl::fromLocalFile(red).toString() << false << true << QSize(32, 32) << unlimited << QString();
        QTest::newRow("missing file") << filePath(QStringLiteral("missing.png")) << false << false << QSize(0, 0) << QSize(0, 0) << QString();
        QTest::newRow("missing file as URL") << QStringLiteral("file:///nonexistent/x.png") << false << false << QSize(0, 0) << QSize(0, 0) << QString();
        QTest::newRow("custom 1000x1000 on 1920x1080 is 180x180")
            << filePath(QStringLiteral("square.png")) << true << true << QSize(180, 180) << QSize(180, 180) << QString();
        QTest::newRow("custom image smaller than the limit") << red << true << true << QSize(64, 64) << QSize(64, 64) << QString();
        QTest::newRow("custom mode with a theme name") << QStringLiteral("osd-test-icon") << true << true << QSize(32, 32) << unlimited << QString();
        QTest::newRow("theme name again after another")
            << QStringLiteral("osd-test-icon") << false << true << QSize(32, 32) << unlimited << QStringLiteral("mono-audio-volume");
    }

    void iconResolution()
    {
        QFETCH(QString, icon);
        QFETCH(bool, customImageMode);
        QFETCH(bool, visible);
        QFETCH(QSize, minimumSize);
        QFETCH(QSize, maximumSize);
        QFETCH(QString, between);
        OsdWidget widget(config.get());
        widget.setCustomImageMode(customImageMode);
        if (!between.isEmpty()) {
            widget.setIcon(icon);
            widget.setIcon(between);
        }
        widget.setIcon(icon);
        QLabel *label = iconLabel(widget);
        QCOMPARE(!label->isHidden(), visible);
        QCOMPARE(label->minimumSize(), minimumSize);
        QCOMPARE(label->maximumSize(), maximumSize);
        const QPixmap shown = label->pixmap(Qt::ReturnByValue);
        QCOMPARE(!shown.isNull(), visible);
        if (customImageMode && minimumSize == maximumSize) {
            QCOMPARE(shown.size(), minimumSize);
        }
        OsdWidget fresh(config.get());
        fresh.setCustomImageMode(customImageMode);
        fresh.setIcon(icon);
        QCOMPARE(shown.toImage(), iconLabel(fresh)->pixmap(Qt::ReturnByValue).toImage());
    }

    // The path and the URL name the same file, so they show the same picture.
    void fileUrlShowsThePathsImage()
    {
        const QString path = filePath(QStringLiteral("red icon.png"));
        OsdWidget byPath(config.get());
        byPath.setIcon(path);
        OsdWidget byUrl(config.get());
        const QString url = QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded);
        QVERIFY(url.contains(QLatin1String("red%20icon.png")));
        byUrl.setIcon(url);
        QCOMPARE(iconLabel(byUrl)->pixmap(Qt::ReturnByValue).toImage(), iconLabel(byPath)->pixmap(Qt::ReturnByValue).toImage());
    }

    void hostileImagePaths_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("drawsAtBoundedSize");
        QTest::addColumn<bool>("customImageMode");
        for (const HostileImageFiles::Case &c : hostile.cases()) {
            QTest::newRow(QByteArray(c.name + ", icon").constData()) << c.path << c.drawsAtBoundedSize << false;
            QTest::newRow(QByteArray(c.name + ", custom image").constData()) << c.path << c.drawsAtBoundedSize << true;
        }
    }

    // Each path is dealt with at once and cheaply; what cannot be shown is shown as a missing
    // file. An SVG that merely declares a huge size is drawn at the bounded size.
    void hostileImagePaths()
    {
        QFETCH(QString, path);
        QFETCH(bool, drawsAtBoundedSize);
        QFETCH(bool, customImageMode);
        OsdWidget widget(config.get());
        widget.setCustomImageMode(customImageMode);
        const PeakMemory memory;
        {
            const Watchdog watchdog(QTest::currentDataTag(), 10);
            widget.setIcon(path);
            widget.show();
            QVERIFY(QTest::qWaitForWindowExposed(&widget));
        }
        QLabel *label = iconLabel(widget);
        if (!drawsAtBoundedSize) {
            QVERIFY(label->isHidden());
            QCOMPARE(label->minimumSize(), QSize(0, 0));
            QCOMPARE(label->maximumSize(), QSize(0, 0));
        } else {
            QVERIFY(!label->isHidden());
            QCOMPARE(label->minimumSize(), customImageMode ? QSize(180, 180) : QSize(32, 32));
        }
        QVERIFY2(memory.growthMiB() < peakGrowthLimitMiB, qPrintable(QStringLiteral("peak memory growth %1 MiB").arg(memory.growthMiB())));
    }

    void shownColoursFollowTheTheme()
    {
        OsdWidget widget(config.get());
        widget.setShowingProgress(true);
        widget.setOsdValue(100);
        widget.show();
        QVERIFY(QTest::qWaitForWindowExposed(&widget));
        QCOMPARE(colourMismatches(widget), QString());

        // Rewritten in place, as a theme switch does; the watcher announces it.
        QVERIFY(home.writeSettings("[Variables]\nTaskbarColor=#f5f5f5\n"));
        QTRY_COMPARE_WITH_TIMEOUT(colourMismatches(widget), QString(), 10000);
        QCOMPARE(widget.grab().toImage().pixelColor(0, widget.height() / 2), QColor(0xdb, 0xdb, 0xdb));

        QVERIFY(home.writeSettings(darkTheme));
        QTRY_COMPARE_WITH_TIMEOUT(colourMismatches(widget), QString(), 10000);
    }

    // Placed as StandardPlacement says for the size the content gives, also when the text
    // is too long for the largest allowed window; then, at once, where the "Position" and
    // "Margin" settings put it when they change (position -1: its own place still).
    void shownWindowIsPlaced_data()
    {
        QTest::addColumn<bool>("showingProgress");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("margin");
        const QString text = QStringLiteral("Caps Lock on");
        QTest::newRow("progress") << true << QStringLiteral("40") << QByteArray() << -1 << 0;
        QTest::newRow("short text") << false << text << QByteArray() << -1 << 0;
        QTest::newRow("text beyond 60 % x 80 %") << false << QStringLiteral("A long text that never ends. ").repeated(2000) << QByteArray() << -1 << 0;
        QTest::newRow("margin alone: at the bottom centre") << false << text << QByteArray("Margin=24\n") << int(PopupPosition::South) << 24;
        QTest::newRow("position alone: margin 40") << false << text << QByteArray("Position=NorthEast\n") << int(PopupPosition::NorthEast) << 40;
        QTest::newRow("unknown position: its own place") << false << text << QByteArray("Position=left\n") << -1 << 0;
    }

    void shownWindowIsPlaced()
    {
        QFETCH(bool, showingProgress);
        QFETCH(QString, value);
        QFETCH(QByteArray, settings);
        QFETCH(int, position);
        QFETCH(int, margin);
        const QString path = home.configPath(QStringLiteral("placed-") + QString::fromLatin1(QTest::currentDataTag()));
        QVERIFY(TestHome::write(path, "[OSD]\n"));
        OsdConfig placed(KSharedConfig::openConfig(path), nullptr);
        OsdWidget widget(&placed);
        widget.setIcon(QStringLiteral("osd-test-icon"));
        widget.setShowingProgress(showingProgress);
        widget.setOsdValue(value);
        widget.show();
        QVERIFY(QTest::qWaitForWindowExposed(&widget));
        const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
        QCOMPARE(widget.maximumSize(), QSize(1152, 864));
        QVERIFY(widget.width() <= 1152 && widget.height() <= 864);
        QCOMPARE(widget.pos(), StandardPlacement::position(available, widget.size()));
        QVERIFY(widget.geometry().bottom() < available.bottom());

        QVERIFY(TestHome::write(path, "[OSD]\n" + settings));
        if (position < 0 && !settings.isEmpty()) {
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^Unknown value \"left\" of Position")));
        }
        placed.reload();
        QCOMPARE(widget.pos(),
                 position < 0 ? StandardPlacement::position(available, widget.size())
                              : PopupPlacement::position(PopupPosition::Position(position), available, widget.size(), margin));
    }

    void hiddenWindowDoesNotMove()
    {
        OsdWidget widget(config.get());
        widget.show();
        widget.hide();
        QVERIFY(!widget.isScreenWatching());
        const QPoint before = widget.pos();
        widget.setShowingProgress(true);
        widget.setOsdValue(70);
        widget.setIcon(filePath(QStringLiteral("square.png")));
        setWorkArea(QRect(0, 0, 1920, 1000));
        QTRY_COMPARE_WITH_TIMEOUT(QGuiApplication::primaryScreen()->availableGeometry(), QRect(0, 0, 1920, 1000), 5000);
        QCOMPARE(widget.pos(), before);
    }

    void shownWindowFollowsTheAvailableArea()
    {
        OsdWidget widget(config.get());
        widget.setOsdValue(QStringLiteral("Touchpad off"));
        widget.show();
        QVERIFY(QTest::qWaitForWindowExposed(&widget));
        QVERIFY(widget.isScreenWatching());
        setWorkArea(QRect(0, 0, 1920, 1000));
        QTRY_COMPARE_WITH_TIMEOUT(widget.pos(), StandardPlacement::position(QRect(0, 0, 1920, 1000), widget.size()), 5000);
    }

    // Needs a second screen (see CMakeLists.txt); the platform's announcement of a new
    // primary screen is played by emitting the application's signal.
    void followsPrimaryScreen()
    {
        const QList<QScreen *> screens = QGuiApplication::screens();
        if (screens.size() < 2) {
            QSKIP("needs a display with two screens");
        }
        QScreen *other = screens.at(1);
        OsdWidget hidden(config.get());
        const QPoint hiddenAt = hidden.pos();
        OsdWidget widget(config.get());
        widget.setOsdValue(QStringLiteral("Desktop 2"));
        widget.show();
        QVERIFY(QTest::qWaitForWindowExposed(&widget));
        QCOMPARE(widget.pos(), StandardPlacement::position(QGuiApplication::primaryScreen()->availableGeometry(), widget.size()));

        Q_EMIT qApp->primaryScreenChanged(other);
        QCOMPARE(widget.pos(), StandardPlacement::position(other->availableGeometry(), widget.size()));
        QCOMPARE(hidden.pos(), hiddenAt);

        widget.hide();
        const QPoint hiddenAfter = widget.pos();
        Q_EMIT qApp->primaryScreenChanged(QGuiApplication::primaryScreen());
        QCOMPARE(widget.pos(), hiddenAfter);
    }

    // A screen that goes away while the window is shown: the window stays where it is and keeps
    // taking content.
    void shownWindowSurvivesLosingItsScreen()
    {
        OsdWidget widget(config.get());
        widget.setOsdValue(QStringLiteral("Wifi On"));
        widget.show();
        QVERIFY(QTest::qWaitForWindowExposed(&widget));
        const QPoint before = widget.pos();
        Q_EMIT qApp->primaryScreenChanged(nullptr);
        widget.setShowingProgress(true);
        widget.setOsdValue(55);
        widget.setIcon(filePath(QStringLiteral("red icon.png")));
        QCOMPARE(widget.pos(), before);
        QVERIFY(widget.isVisible());
        Q_EMIT qApp->primaryScreenChanged(QGuiApplication::primaryScreen());
        QCOMPARE(widget.pos(), before);
    }

    void screenshotShowsThemeColours_data()
    {
        QTest::addColumn<bool>("showingProgress");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("icon");
        QTest::newRow("progress") << true << QVariant(40) << QString();
        QTest::newRow("themed icon and progress") << true << QVariant(40) << QStringLiteral("osd-test-icon");
        QTest::newRow("file icon and text") << false << QVariant(QStringLiteral("Keyboard layout: English (US)")) << filePath(QStringLiteral("red icon.png"));
    }

    // The window in the theme's background colour; the bar filled with the text colour up to
    // 40 % and empty (background) beyond.
    void screenshotShowsThemeColours()
    {
        QFETCH(bool, showingProgress);
        QFETCH(QVariant, value);
        QFETCH(QString, icon);
        OsdWidget widget(config.get());
        widget.setShowingProgress(showingProgress);
        widget.setOsdValue(value);
        widget.setIcon(icon);
        widget.show();
        QVERIFY(QTest::qWaitForWindowExposed(&widget));
        const VeskColorTheme theme = VeskUtils::genColorTheme();
        const QRect window = widget.geometry();
        // Exposed is not yet drawn: wait until the first pixel shows up.
        QTRY_COMPARE_WITH_TIMEOUT(screenPixel(window.topLeft() + QPoint(3, 3)), QColor(theme.backgroundColor()), 5000);

        const QString shot =
            saveScreenshot(grabScreen(window.adjusted(-20, -20, 20, 20)), QStringLiteral("tst_osdwidget-") + QString::fromLatin1(QTest::currentDataTag()));
        qInfo("screenshot: %s", qPrintable(shot));

        QCOMPARE(screenPixel(window.bottomRight() - QPoint(3, 3)), QColor(theme.backgroundColor()));
        QCOMPARE(screenPixel(window.topLeft()).name(), StyleHelper::colorDarker(QColor(theme.backgroundColor()), 0.04, 1, 0.1, 0.9).name());
        if (!icon.isEmpty()) {
            QLabel *label = iconLabel(widget);
            const QImage shown = label->pixmap(Qt::ReturnByValue).toImage();
            const QPoint centre = label->mapToGlobal(label->rect().center());
            QCOMPARE(screenPixel(centre), QColor(shown.pixel(shown.width() / 2, shown.height() / 2)));
        }
        if (showingProgress) {
            QProgressBar *bar = progressBar(widget);
            const QPoint barLeft = bar->mapToGlobal(QPoint(0, bar->height() / 2));
            QCOMPARE(screenPixel(barLeft + QPoint(bar->width() / 5, 0)), QColor(theme.textColor()));
            QCOMPARE(screenPixel(barLeft + QPoint(bar->width() * 4 / 5, 0)), QColor(theme.backgroundColor()));
        }
    }

    // The text reads on its pill in every theme (4.5:1 at least, measured on the screen), and so
    // does the percentage on the window. Light themes keep the palette's button colour for the
    // pill, as before.
    void textReadsInEveryTheme_data()
    {
        addThemeSweepRows("buttonPill");
    }

    // Every icon of the standard style stands out from the window, 3:1 at least as graphics
    // should, measured on the screen in each theme of the sweep; on a light theme the icons are
    // the icon theme's own, as they always were.
    void iconsStandOutInEveryTheme_data()
    {
        addThemeSweepRows();
    }

    void iconsStandOutInEveryTheme()
    {
        QFETCH(QByteArray, settings);
        QFETCH(bool, light);
        const QString icons = QStringLiteral("/usr/share/icons");
        if (!QFileInfo::exists(icons + QStringLiteral("/breeze/index.theme"))) {
            QSKIP("needs the Breeze icon theme (breeze-icon-theme)");
        }
        const QStringList searchPaths = QIcon::themeSearchPaths();
        const QString iconTheme = QIcon::themeName();
        const auto restore = qScopeGuard([&] {
            QIcon::setThemeSearchPaths(searchPaths);
            QIcon::setThemeName(iconTheme);
        });
        QIcon::setThemeSearchPaths({icons});
        QIcon::setThemeName(QStringLiteral("breeze"));
        QVERIFY(home.writeSettings("[Variables]\n" + settings + '\n'));

        OsdWidget widget(config.get());
        if (light) {
            QCOMPARE(QIcon::themeName(), QStringLiteral("breeze"));
        }
        // Painted at once, so that each icon is on the screen when it is looked at.
        delete widget.findChild<FramePacer *>();
        widget.setShowingProgress(true);
        widget.setOsdValue(40);
        widget.show();
        QVERIFY(QTest::qWaitForWindowExposed(&widget));
        const QColor background(VeskUtils::genColorTheme().backgroundColor());
        QLabel *label = iconLabel(widget);
        QStringList faint;
        for (const char *name : {"audio-volume-muted",
                                 "audio-volume-low",
                                 "audio-volume-medium",
                                 "audio-volume-high",
                                 "microphone-sensitivity-muted",
                                 "microphone-sensitivity-low",
                                 "microphone-sensitivity-medium",
                                 "microphone-sensitivity-high",
                                 "video-display-brightness",
                                 "input-keyboard-brightness",
                                 "input-touchpad-on",
                                 "input-touchpad-off",
                                 "network-wireless-on",
                                 "network-wireless-off",
                                 "preferences-system-bluetooth",
                                 "preferences-system-bluetooth-inactive",
                                 "network-mobile-on",
                                 "network-mobile-off",
                                 "input-keyboard-virtual-on",
                                 "input-keyboard-virtual-off",
                                 "audio-headset",
                                 "multimedia-player"}) {
            widget.setIcon(QString::fromLatin1(name));
            // Laid out anew for the icon.
            QCoreApplication::sendPostedEvents();
            widget.repaint();
            QVERIFY2(label->isVisible(), name);
            const double contrast = inkContrast(grabScreen(QRect(label->mapToGlobal(QPoint(0, 0)), label->size())), background);
            if (contrast < 3.0) {
                faint << QStringLiteral("%1 %2:1").arg(QString::fromLatin1(name)).arg(contrast, 0, 'f', 2);
            }
        }
        QVERIFY2(faint.isEmpty(), qPrintable(faint.join(QStringLiteral(", "))));
    }

    void textReadsInEveryTheme()
    {
        QFETCH(QByteArray, settings);
        QFETCH(bool, buttonPill);
        QVERIFY(home.writeSettings("[Variables]\n" + settings + '\n'));
        OsdWidget widget(config.get());
        widget.setShowingProgress(false);
        widget.setOsdValue(QStringLiteral("Wifi On"));
        widget.show();
        QVERIFY(QTest::qWaitForWindowExposed(&widget));
        ResizedText *text = textWidget(widget);
        const QRect textArea(text->mapToGlobal(QPoint(0, 0)), text->size());
        // Inside the pill, above the text and clear of the rounded corners.
        const QPoint pill = textArea.topLeft() + QPoint(textArea.width() / 2, 2);
        QTRY_VERIFY2_WITH_TIMEOUT(shownContrast(textArea, pill) >= 4.5,
                                  qPrintable(QStringLiteral("%1 on %2").arg(shownContrast(textArea, pill)).arg(screenPixel(pill).name())),
                                  5000);
        if (buttonPill) {
            QCOMPARE(screenPixel(pill), QApplication::palette(text).color(QPalette::Button));
        }
        // A list of names and values, on the same pill, as the list paints itself.
        const QColor textPill = screenPixel(pill);
        widget.setListRows({{QStringLiteral("Built-in Screen"), QStringLiteral("70 %"), true}, {QStringLiteral("Dell"), QStringLiteral("40 %"), false}});
        widget.setOsdValue(QStringLiteral("Built-in Screen: 70 %\nDell: 40 %"));
        auto *list = widget.findChild<PopupList *>();
        QVERIFY(list->isVisible() && !text->isVisible());
        const QImage listed = list->grab().toImage();
        const QPoint listPill(listed.width() / 2, 2);
        QCOMPARE(listed.pixelColor(listPill), textPill);
        QVERIFY(shownContrast(listed, listed.rect(), listPill) >= 4.5);
        widget.setListRows({});

        widget.setShowingProgress(true);
        widget.setOsdValue(40);
        QLabel *percent = percentLabel(widget);
        const QRect percentArea(percent->mapToGlobal(QPoint(0, 0)), percent->size());
        // Painted anew for the progress: the window's background at the percentage's corner.
        QTRY_COMPARE_WITH_TIMEOUT(screenPixel(percentArea.topLeft()), QColor(VeskUtils::genColorTheme().backgroundColor()), 5000);
        QTRY_VERIFY2_WITH_TIMEOUT(shownContrast(percentArea, percentArea.topLeft()) >= 4.5, qPrintable(screenPixel(percentArea.topLeft()).name()), 5000);
    }

    // Another always-on-top window shown over the pop-up is put below it again, also while the
    // pop-up is shown again every few milliseconds (a held volume key).
    void staysAboveWindowsShownLater_data()
    {
        QTest::addColumn<bool>("shownAgain");
        QTest::newRow("shown once") << false;
        QTest::newRow("shown again every 20 ms") << true;
    }
    void staysAboveWindowsShownLater()
    {
        QFETCH(bool, shownAgain);
        OsdWidget widget(config.get());
        widget.setOsdValue(QStringLiteral("Wi-Fi on"));
        widget.show();
        QVERIFY(QTest::qWaitForWindowExposed(&widget));
        const QColor background(VeskUtils::genColorTheme().backgroundColor());
        const QPoint inside = widget.geometry().topLeft() + QPoint(3, 3);
        QTRY_COMPARE_WITH_TIMEOUT(screenPixel(inside), background, 5000);

        QWidget cover(nullptr, Qt::ToolTip | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus);
        cover.setAttribute(Qt::WA_ShowWithoutActivating);
        cover.setStyleSheet(QStringLiteral("background-color: #ff00ff;"));
        cover.setGeometry(widget.geometry());
        cover.show();
        QVERIFY(QTest::qWaitForWindowExposed(&cover));
        QTimer again;
        connect(&again, &QTimer::timeout, &widget, [&widget] {
            widget.setVisible(true);
        });
        if (shownAgain) {
            again.start(20);
        }
        QTRY_COMPARE_WITH_TIMEOUT(screenPixel(inside), background, 5000);
    }

    void neverTakesTheFocus()
    {
        FocusHolder holder;
        QVERIFY(holder.start());
        const unsigned long holderWindow = holder.window();
        QCOMPARE(inputFocus(), holderWindow);

        OsdWidget widget(config.get());
        widget.setShowingProgress(true);
        widget.setOsdValue(55);
        widget.show();
        QVERIFY(QTest::qWaitForWindowExposed(&widget));
        // Raised again and again over the field's window, looking at the focus after each.
        for (int i = 0; i < 10; ++i) {
            raiseWindow(holderWindow);
            QTRY_VERIFY(stackedAbove(widget.winId(), holderWindow));
            QCOMPARE(inputFocus(), holderWindow);
        }
        widget.hide();
        QVERIFY2(!holder.reports().contains("lost"), holder.reports().constData());
    }
};

QTEST_MAIN(OsdWidgetTest)
#include "tst_osdwidget.moc"
