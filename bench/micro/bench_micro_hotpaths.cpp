// SPDX-License-Identifier: GPL-2.0-or-later
// Micro-benchmarks of what the daemon does for every pop-up: the colour theme read from the
// theme files, one paint and one content update of each pop-up style, the recolouring of the
// built-in icons, the window mask regions and the eliding of long texts.
//
// Meant for an X display: scripts/bench runs it under Xvfb with QT_QPA_PLATFORM=xcb, where no
// compositor runs, so the rounded pop-up takes its opaque path (background painted, corners cut
// by the window mask) as on a desktop without compositing. Paints go into a QImage through
// QWidget::render(), which calls the same paintEvent()s as the screen does but leaves the X
// server out; the "show" cases repaint() the visible window, X included.
//
//   xvfb-run -a bench_micro_hotpaths -csv
//   valgrind --tool=callgrind bench_micro_hotpaths -iterations 20 paint
//
// The process gets a temporary HOME and XDG_DATA_HOME with theme files of its own, set up
// before QApplication exists, so the desktop's real theme plays no part.

#include "elidedhtmltextdocument.h"
#include "framepacer.h"
#include "osdconfig.h"
#include "osdutils.h"
#include "osdwidget.h"
#include "roundedlabel.h"
#include "roundedosdwidget.h"
#include "veskutils.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QImage>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QtTest>

#include <memory>

namespace
{
// The theme files live here for the whole run; see main().
QTemporaryDir *root = nullptr;

QString homePath()
{
    return root->filePath(QStringLiteral("home"));
}

QString settingsPath()
{
    return homePath() + QStringLiteral("/.vesk/theme/current.themerc");
}

QString palettePath()
{
    return homePath() + QStringLiteral("/.vesk/paletterc");
}

QString themesRoot()
{
    return root->filePath(QStringLiteral("data/vesk/themes"));
}

bool writeFile(const QString &path, const QByteArray &contents)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(contents) == contents.size();
}

// A settings file as a theme writes it: the few keys the pop-ups read among many others.
QByteArray themeSettings(const QByteArray &colourKeys)
{
    return "[Variables]\n"
           "Name=Evening\n"
           "Comment=Theme of the desktop\n"
           "IconTheme=breeze\n"
           "CursorTheme=breeze_cursors\n"
           "Font=PT Orvel Fact,10,-1,5,50,0,0,0,0,0\n"
           "FixedFont=PT Mono,10,-1,5,50,0,0,0,0,0\n"
           "UseComposite=false\n"
           "Animations=true\n"
           "ShowDesktopButton=true\n"
           "TaskbarPosition=bottom\n"
           "TaskbarHeight=40\n"
           "TaskbarOpacity=100\n"
           "StartButtonIcon=start-here\n"
           "WallpaperMode=stretch\n"
           "Wallpaper=/usr/share/wallpapers/evening.jpg\n"
           "ScreenSaver=blank\n"
           "SoundTheme=freedesktop\n"
        + colourKeys;
}

const QByteArray realisticPalette =
    "[Variables]\n"
    "PrimaryColor=#2a5d8f\n"
    "SecondaryColor=#e0e4ea\n"
    "AccentColor=#3daee9\n"
    "WarningColor=#f67400\n"
    "ErrorColor=#da4453\n";

// Removes every theme file, then writes the given ones; an empty content writes no file.
void writeTheme(const QByteArray &settings, const QByteArray &palette, const QSize &decorPicture)
{
    QDir(homePath()).removeRecursively();
    QDir(themesRoot()).removeRecursively();
    QDir().mkpath(homePath());
    QDir().mkpath(themesRoot());
    if (!settings.isEmpty()) {
        QVERIFY(writeFile(settingsPath(), settings));
    }
    if (!palette.isEmpty()) {
        QVERIFY(writeFile(palettePath(), palette));
    }
    if (!decorPicture.isEmpty()) {
        // A horizontal gradient, as a taskbar background is; only its top-left pixel is read.
        QImage image(decorPicture, QImage::Format_RGB32);
        for (int x = 0; x < image.width(); ++x) {
            const int shade = 0x30 + x * 0x40 / image.width();
            for (int y = 0; y < image.height(); ++y) {
                image.setPixel(x, y, qRgb(shade / 2, shade, shade + 0x20));
            }
        }
        const QString path = themesRoot() + QStringLiteral("/Evening/taskbar/taskbarbg.xpm");
        QDir().mkpath(QFileInfo(path).absolutePath());
        QVERIFY(image.save(path, "XPM"));
    }
}

// The theme the pop-up benchmarks run with: the taskbar takes the desktop's primary colour.
void writeRealisticTheme()
{
    writeTheme(themeSettings("TaskbarColor=primary\n"), realisticPalette, QSize());
}

enum class Style {
    Rounded,
    Standard,
};

struct Content {
    bool progress = false;
    QVariant value;
    QString icon;
};

// The calls OsdService makes on the pop-up for showProgress() and showTextInternal(), minus
// the D-Bus call, the sound and the hide timer.
void showLikeService(QWidget *popup, Style style, const Content &content)
{
    if (content.progress) {
        if (style == Style::Rounded) {
            auto *rounded = static_cast<RoundedOsdWidget *>(popup);
            rounded->setCustomImageMode(false);
            rounded->setNoBackgroundMode(false);
            rounded->setCustomBackgroundColor(QString());
            rounded->setOsdPosition(QString());
        } else {
            static_cast<OsdWidget *>(popup)->setCustomImageMode(false);
        }
        popup->setProperty("osdValue", content.value);
        popup->setProperty("showingProgress", true);
        popup->setProperty("icon", content.icon);
    } else {
        popup->setProperty("showingProgress", false);
        popup->setProperty("osdValue", content.value);
        popup->setProperty("icon", content.icon);
        const char *const methods[3][2] = {{"reloadIcon", "updateIcon"}, {"updateProgress", "updateProgressBar"}, {"updateText", "updateText"}};
        for (const auto &method : methods) {
            QMetaObject::invokeMethod(popup, method[style == Style::Rounded ? 0 : 1], Qt::DirectConnection);
        }
        popup->adjustSize();
    }
    popup->setProperty("visible", true);
}

// What the daemon shows for a volume of 40 and for a switch or desktop name, in either style.
Content volumeContent(Style style, int value)
{
    return {true, value, style == Style::Rounded ? QStringLiteral("mono-audio-volume") : QStringLiteral("audio-volume-medium")};
}

Content textContent(Style style, const QString &text)
{
    return {false, text, style == Style::Rounded ? QStringLiteral("mono-network-wireless-on") : QStringLiteral("network-wireless")};
}

QString repeated(const QString &piece, int length)
{
    QString text;
    text.reserve(length + piece.size());
    while (text.size() < length) {
        text += piece;
    }
    text.truncate(length);
    return text;
}
} // namespace

Q_DECLARE_METATYPE(Style)

class BenchMicroHotpaths : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();

    void colorTheme_data();
    void colorTheme();

    void paint_data();
    void paint();

    void show_data();
    void show();

    void iconRecolor_data();
    void iconRecolor();

    void maskRegion_data();
    void maskRegion();

    void elide_data();
    void elide();

private:
    std::unique_ptr<QWidget> makePopup(Style style);
    void popupRows();

    std::unique_ptr<OsdConfig> config;
};

void BenchMicroHotpaths::initTestCase()
{
    writeRealisticTheme();
    config = std::make_unique<OsdConfig>(KSharedConfig::openConfig(homePath() + QStringLiteral("/.config/vesknotifyrc"), KConfig::SimpleConfig), nullptr);
    // The standard style names icons of the desktop's icon theme.
    QIcon::setThemeName(QStringLiteral("breeze"));
}

void BenchMicroHotpaths::colorTheme_data()
{
    QTest::addColumn<QByteArray>("settings");
    QTest::addColumn<QByteArray>("palette");
    QTest::addColumn<QSize>("decorPicture");

    QTest::newRow("no theme files") << QByteArray() << QByteArray() << QSize();
    QTest::newRow("taskbar colour") << themeSettings("TaskbarColor=#31363b\n") << realisticPalette << QSize();
    QTest::newRow("primary colour from palette") << themeSettings("TaskbarColor=primary\n") << realisticPalette << QSize();
    QTest::newRow("decor picture 64x40") << themeSettings("DecorTheme=Evening\n") << realisticPalette << QSize(64, 40);
    QTest::newRow("decor picture 1920x40") << themeSettings("DecorTheme=Evening\n") << realisticPalette << QSize(1920, 40);
}

void BenchMicroHotpaths::colorTheme()
{
    QFETCH(QByteArray, settings);
    QFETCH(QByteArray, palette);
    QFETCH(QSize, decorPicture);
    writeTheme(settings, palette, decorPicture);

    VeskColorTheme theme;
    QBENCHMARK {
        theme = VeskUtils::genColorTheme();
    }
    QVERIFY(QColor(theme.backgroundColor()).isValid());
    writeRealisticTheme();
}

std::unique_ptr<QWidget> BenchMicroHotpaths::makePopup(Style style)
{
    if (style == Style::Rounded) {
        return std::make_unique<RoundedOsdWidget>(config.get(), nullptr);
    }
    return std::make_unique<OsdWidget>(config.get());
}

void BenchMicroHotpaths::popupRows()
{
    QTest::addColumn<Style>("style");
    QTest::addColumn<bool>("progress");

    QTest::newRow("rounded volume") << Style::Rounded << true;
    QTest::newRow("rounded text") << Style::Rounded << false;
    QTest::newRow("standard volume") << Style::Standard << true;
    QTest::newRow("standard text") << Style::Standard << false;
}

void BenchMicroHotpaths::paint_data()
{
    popupRows();
}

void BenchMicroHotpaths::paint()
{
    QFETCH(Style, style);
    QFETCH(bool, progress);
    const std::unique_ptr<QWidget> popup = makePopup(style);
    showLikeService(popup.get(), style, progress ? volumeContent(style, 40) : textContent(style, QStringLiteral("Wi-Fi Enabled")));
    QVERIFY(QTest::qWaitForWindowExposed(popup.get()));

    QImage image(popup->size(), QImage::Format_ARGB32_Premultiplied);
    QBENCHMARK {
        popup->render(&image);
    }
}

void BenchMicroHotpaths::show_data()
{
    popupRows();
}

// One update of a visible pop-up, as when a volume key is held or switches follow each other:
// the service's calls with a changed value, then a synchronous repaint of the window.
void BenchMicroHotpaths::show()
{
    QFETCH(Style, style);
    QFETCH(bool, progress);
    const std::unique_ptr<QWidget> popup = makePopup(style);
    // Each iteration paints: the pacer would hold back every repaint within a frame of the last.
    delete popup->findChild<FramePacer *>();
    const Content first = progress ? volumeContent(style, 40) : textContent(style, QStringLiteral("Wi-Fi Enabled"));
    const Content second = progress ? volumeContent(style, 41) : textContent(style, QStringLiteral("Wi-Fi Disabled"));
    showLikeService(popup.get(), style, first);
    QVERIFY(QTest::qWaitForWindowExposed(popup.get()));

    bool flip = false;
    QBENCHMARK {
        flip = !flip;
        showLikeService(popup.get(), style, flip ? second : first);
        popup->repaint();
    }
}

void BenchMicroHotpaths::iconRecolor_data()
{
    QTest::addColumn<QString>("icon");
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("freshIcon");

    // The pop-up draws its icons at 24x24; 48x48 is the same at a device pixel ratio of 2.
    // A fresh icon is what reloadIcon() makes for every text shown: a new QIcon, so the SVG is
    // drawn again. The same icon again finds its drawing in the pixmap cache.
    const QString volume = QStringLiteral(":/icons/mono-audio-volume");
    const QString desktops = QStringLiteral(":/icons/mono-virtual-desktops");
    QTest::newRow("volume 24 same icon") << volume << 24 << false;
    QTest::newRow("volume 24 fresh icon") << volume << 24 << true;
    QTest::newRow("volume 48 same icon") << volume << 48 << false;
    QTest::newRow("volume 48 fresh icon") << volume << 48 << true;
    QTest::newRow("desktops 24 fresh icon") << desktops << 24 << true;
}

void BenchMicroHotpaths::iconRecolor()
{
    QFETCH(QString, icon);
    QFETCH(int, size);
    QFETCH(bool, freshIcon);
    QVERIFY(QFileInfo::exists(icon));

    RoundedLabel label;
    label.setStandartIconSize(QSize(size, size));
    label.setFixedSize(size + 34, size + 34);
    const QIcon same(icon);
    label.setIcon(same);
    QBENCHMARK {
        label.setIcon(freshIcon ? QIcon(icon) : same);
    }
}

void BenchMicroHotpaths::maskRegion_data()
{
    QTest::addColumn<bool>("ring");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<double>("outer");
    QTest::addColumn<double>("inner");

    // Window masks of the rounded pop-up (corner radius 12): the volume pop-up, a one-line text
    // pop-up and the largest a text makes it (60% x 80% of a 1920x1080 screen).
    QTest::newRow("roundedRect volume 96x96") << false << QSize(96, 96) << 12.0 << 12.0;
    QTest::newRow("roundedRect text 258x106") << false << QSize(258, 106) << 12.0 << 12.0;
    QTest::newRow("roundedRect largest 1152x864") << false << QSize(1152, 864) << 12.0 << 12.0;
    // Discs of the ring (78x78, line 6) and the badge (58x58).
    QTest::newRow("ellipse ring 78x78") << true << QSize(78, 78) << 39.0 << 33.0;
    QTest::newRow("ellipse badge 58x58") << true << QSize(58, 58) << 29.0 << 0.0;
}

void BenchMicroHotpaths::maskRegion()
{
    QFETCH(bool, ring);
    QFETCH(QSize, size);
    QFETCH(double, outer);
    QFETCH(double, inner);
    const QRect rect(QPoint(809, 40), size);

    QRegion region;
    if (ring) {
        QBENCHMARK {
            region = OsdUtils::ellipse(rect, outer, inner);
        }
    } else {
        QBENCHMARK {
            region = OsdUtils::roundedRect(rect, int(outer), int(inner));
        }
    }
    QVERIFY(!region.isEmpty());
}

void BenchMicroHotpaths::elide_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("target");
    QTest::addColumn<bool>("cut");

    const QString words = QStringLiteral("Lorem ipsum dolor sit amet, consectetur adipiscing elit. ");
    // A one-line pop-up text, a text of some lines in the smallest text area, and a 100 KB text
    // in the largest pop-up (60% x 80% of a 1920x1080 screen).
    QTest::newRow("short") << QStringLiteral("Wi-Fi Enabled") << 240 << 40 << false;
    QTest::newRow("few lines, cut to 3") << repeated(words, 600) << 240 << 60 << true;
    QTest::newRow("100 KB") << repeated(words, 100 << 10) << 1152 << 864 << true;
}

void BenchMicroHotpaths::elide()
{
    QFETCH(QString, text);
    QFETCH(int, width);
    QFETCH(int, target);
    QFETCH(bool, cut);

    QTextDocument document;
    document.setDocumentMargin(2.0);
    document.setDefaultFont(QApplication::font());
    document.setTextWidth(width);
    bool elided = false;
    QBENCHMARK {
        elided = ElidedHtmlTextDocument::updateElideText(&document, text, QStringLiteral("..."), target, Qt::PlainText);
    }
    QCOMPARE(elided, cut);
}

int main(int argc, char **argv)
{
    // The environment first: QApplication and the theme code read it.
    QTemporaryDir dir;
    if (!dir.isValid()) {
        return 1;
    }
    root = &dir;
    qputenv("HOME", QFile::encodeName(homePath()));
    qputenv("XDG_DATA_HOME", QFile::encodeName(dir.filePath(QStringLiteral("data"))));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(homePath() + QStringLiteral("/.config")));
    qunsetenv("SUDO_USER");
    qunsetenv("VESK_SESSION_CONFIG_SUFFIX");

    QApplication app(argc, argv);
    BenchMicroHotpaths bench;
    return QTest::qExec(&bench, argc, argv);
}

#include "bench_micro_hotpaths.moc"
