// SPDX-License-Identifier: GPL-2.0-or-later
#include "iconthemecaches.h"
#include "popupicon.h"
#include "roundedlabel.h"
#include "testhome.h"

#include <QDirIterator>
#include <QFileInfo>
#include <QHash>
#include <QIconEngine>
#include <QLabel>
#include <QPainter>
#include <QProcess>
#include <QResource>
#include <QSvgRenderer>
#include <QtTest>
#include <private/qguiapplication_p.h>
#include <qpa/qplatformtheme.h>

#include <ctime>

#include <utime.h>

namespace
{
// Taken on the first line of main(), before any Qt object exists: the collection must have
// registered itself during static initialisation.
bool registeredBeforeMain = false;

// The most frequent RGB value among the pixels that are not fully transparent, and how many
// such pixels there are.
QPair<QRgb, int> dominantOpaqueColor(const QImage &image)
{
    QHash<QRgb, int> counts;
    int opaque = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            if (qAlpha(pixel) != 0) {
                ++counts[pixel & 0x00ffffff];
                ++opaque;
            }
        }
    }
    QRgb best = 0;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        if (it.value() > counts.value(best)) {
            best = it.key();
        }
    }
    return {best, opaque};
}

// A platform theme with an icon engine of its own, as Plasma's: it draws every name.
class IconEngineOfItsOwn : public QIconEngine
{
public:
    void paint(QPainter *painter, const QRect &rect, QIcon::Mode, QIcon::State) override
    {
        painter->fillRect(rect, QColor(0x30, 0x30, 0xc0));
    }
    QIconEngine *clone() const override
    {
        return new IconEngineOfItsOwn;
    }
};

class PlatformThemeWithIcons : public QPlatformTheme
{
public:
    QIconEngine *createIconEngine(const QString &) const override
    {
        return new IconEngineOfItsOwn;
    }
};
}

class TestBuiltinIcons : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void registeredFromStart();
    void icon_data();
    void icon();
    void namedIconWithoutTheme_data();
    void namedIconWithoutTheme();
    void namedIconAsQtFinds_data();
    void namedIconAsQtFinds();
};

void TestBuiltinIcons::registeredFromStart()
{
    QVERIFY(registeredBeforeMain);
}

void TestBuiltinIcons::icon_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("size");

    const char *const square[] = {
        "mono-audio-volume",
        "mono-audio-volume-muted",
        "mono-input-caps-off",
        "mono-input-caps-on",
        "mono-input-keyboard-brightness",
        "mono-input-keyboard-virtual",
        "mono-input-num-off",
        "mono-input-num-on",
        "mono-input-scroll-off",
        "mono-input-scroll-on",
        "mono-input-touchpad-off",
        "mono-input-touchpad-on",
        "mono-microphone-sensitivity-muted",
        "mono-network-mobile-off",
        "mono-network-mobile-on",
        "mono-network-wireless-off",
        "mono-network-wireless-on",
        "mono-play-circle",
        "mono-power-profile",
        "mono-power-profile-balanced",
        "mono-power-profile-performance",
        "mono-power-profile-power-saver",
        "mono-preferences-system-bluetooth",
        "mono-preferences-system-bluetooth-inactive",
        "mono-system-suspend",
        "mono-system-suspend-inhibited",
        "mono-video-display-brightness",
        "mono-virtual-desktops",
    };
    for (const char *name : square) {
        QTest::newRow(name) << QString::fromLatin1(name) << QSize(24, 24);
    }
    QTest::newRow("mono-microphone-sensitivity") << QStringLiteral("mono-microphone-sensitivity") << QSize(16, 22);
}

void TestBuiltinIcons::icon()
{
    QFETCH(QString, name);
    QFETCH(QSize, size);

    const QString path = QStringLiteral(":/icons/") + name;
    QVERIFY(QFileInfo::exists(path));
    QVERIFY(!QFileInfo::exists(path + QStringLiteral(".svg")));
    QCOMPARE(QResource(path).compressionAlgorithm(), QResource::NoCompression);

    QSvgRenderer renderer(path);
    QVERIFY(renderer.isValid());
    QCOMPARE(renderer.defaultSize(), size);

    // Black line art, and enough of it to be seen at 24x24.
    const QImage image = QIcon(path).pixmap(24, 24).toImage().convertToFormat(QImage::Format_ARGB32);
    const auto dominant = dominantOpaqueColor(image);
    QCOMPARE(QColor(dominant.first), QColor(Qt::black));
    QVERIFY2(dominant.second >= 40, qPrintable(QString::number(dominant.second)));

    // On a badge with white text the drawing turns white.
    RoundedLabel badge;
    badge.setStyleSheet(QStringLiteral("QWidget { color: #ffffff; background-color: #202020; }"));
    badge.ensurePolished();
    badge.setIcon(QIcon(path));
    const QImage shown = badge.findChild<QLabel *>(QStringLiteral("iconView"))->pixmap(Qt::ReturnByValue).toImage().convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(QColor(dominantOpaqueColor(shown).first), QColor(Qt::white));
}

// Where the icon theme lacks a name, the pop-ups draw the built-in drawing of that meaning.
void TestBuiltinIcons::namedIconWithoutTheme_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("drawing");

    QTest::newRow("built-in name") << QStringLiteral("mono-audio-volume") << QStringLiteral("mono-audio-volume");
    QTest::newRow("built-in name, not square") << QStringLiteral("mono-microphone-sensitivity") << QStringLiteral("mono-microphone-sensitivity");
    QTest::newRow("theme name with a drawing") << QStringLiteral("preferences-system-bluetooth-inactive")
                                               << QStringLiteral("mono-preferences-system-bluetooth-inactive");
    QTest::newRow("theme name without one") << QStringLiteral("keyboard-layout") << QString();
}

void TestBuiltinIcons::namedIconWithoutTheme()
{
    QFETCH(QString, name);
    QFETCH(QString, drawing);
    QIcon::setThemeSearchPaths({});
    QIcon::setThemeName(QStringLiteral("no-such-theme"));

    const QIcon icon = PopupIcon::namedIcon(name);
    if (drawing.isEmpty()) {
        QVERIFY(icon.isNull());
    } else {
        QCOMPARE(icon.pixmap(24, 24).toImage(), QIcon(QStringLiteral(":/icons/") + drawing).pixmap(24, 24).toImage());
    }
}

// The built-in drawing is shown without asking Qt only where the themes' caches prove that Qt
// finds nothing: wherever a theme may hold the name, or a shorter name Qt falls back to, its icon
// wins as before, cached or not, the cache fresh or not.
void TestBuiltinIcons::namedIconAsQtFinds_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("cachedThemes");
    QTest::addColumn<QStringList>("laterFiles");
    QTest::addColumn<bool>("platformIcons");
    QTest::addColumn<bool>("themeShown");
    // Whether the caches alone tell that Qt finds nothing.
    QTest::addColumn<bool>("proved");

    const QStringList both{QStringLiteral("osdtest"), QStringLiteral("osdparent")};
    const QString inTheme = QStringLiteral("osdtest/24x24/apps/mono-audio-volume.png");
    const QString inParent = QStringLiteral("osdparent/24x24/apps/mono-audio-volume.png");
    QTest::newRow("in no theme, cached") << QStringList() << both << QStringList() << false << false << true;
    QTest::newRow("in no theme, no caches") << QStringList() << QStringList() << QStringList() << false << false << false;
    QTest::newRow("in the theme, cached") << QStringList{inTheme} << both << QStringList() << false << true << false;
    QTest::newRow("added after the cache") << QStringList() << both << QStringList{inTheme} << false << true << false;
    QTest::newRow("a shorter name in the theme") << QStringList{QStringLiteral("osdtest/24x24/apps/mono-audio.png")} << both << QStringList() << false << true
                                                 << false;
    QTest::newRow("in the inherited theme, cached") << QStringList{inParent} << both << QStringList() << false << true << false;
    QTest::newRow("in the inherited theme, not cached")
        << QStringList{inParent} << QStringList{QStringLiteral("osdtest")} << QStringList() << false << true << false;
    QTest::newRow("in the fallback folder") << QStringList{QStringLiteral("loose/mono-audio-volume.png")} << both << QStringList() << false << true << false;
    // Qt 5 asks the platform's engine only where the application sets no theme of its own.
    QTest::newRow("in no theme, the platform's engine")
        << QStringList() << both << QStringList() << true << (QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)) << (QT_VERSION < QT_VERSION_CHECK(6, 0, 0));
}

void TestBuiltinIcons::namedIconAsQtFinds()
{
    QFETCH(QStringList, files);
    QFETCH(QStringList, cachedThemes);
    QFETCH(QStringList, laterFiles);
    QFETCH(bool, platformIcons);
    QFETCH(bool, themeShown);
    QFETCH(bool, proved);
    const QString name = QStringLiteral("mono-audio-volume");
    QTemporaryDir root;
    QImage themed(24, 24, QImage::Format_ARGB32);
    themed.fill(QColor(0xc0, 0x30, 0x30));
    const auto save = [&](const QStringList &paths) {
        for (const QString &path : paths) {
            QVERIFY(QDir().mkpath(QFileInfo(root.filePath(path)).path()));
            QVERIFY(themed.save(root.filePath(path)));
        }
    };
    for (const QString &theme : {QStringLiteral("osdtest"), QStringLiteral("osdparent")}) {
        QVERIFY(QDir().mkpath(root.filePath(theme + QStringLiteral("/24x24/apps"))));
        QVERIFY(
            TestHome::write(root.filePath(theme + QStringLiteral("/index.theme")),
                            "[Icon Theme]\nName=" + theme.toUtf8() + "\nInherits=osdparent\nDirectories=24x24/apps\n\n[24x24/apps]\nSize=24\nType=Fixed\n"));
    }
    // gtk-update-icon-cache writes no cache for a theme without icons.
    save(files + QStringList{QStringLiteral("osdtest/24x24/apps/other.png"), QStringLiteral("osdparent/24x24/apps/other.png")});
    for (const QString &theme : cachedThemes) {
        QCOMPARE(QProcess::execute(QStringLiteral("gtk-update-icon-cache"), {QStringLiteral("-q"), QStringLiteral("-f"), root.filePath(theme)}), 0);
    }
    // The caches younger than every folder, the files written later younger than the caches,
    // however coarse the file system's clock.
    const time_t now = std::time(nullptr);
    QDirIterator folders(root.path(), QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (folders.hasNext()) {
        const utimbuf past{now - 120, now - 120};
        QCOMPARE(::utime(QFile::encodeName(folders.next()).constData(), &past), 0);
    }
    for (const QString &theme : cachedThemes) {
        const utimbuf written{now - 60, now - 60};
        QCOMPARE(::utime(QFile::encodeName(root.filePath(theme + QStringLiteral("/icon-theme.cache"))).constData(), &written), 0);
    }
    save(laterFiles);
    QIcon::setThemeSearchPaths({root.path()});
    QIcon::setFallbackSearchPaths({root.filePath(QStringLiteral("loose"))});
    QIcon::setThemeName(QStringLiteral("osdtest"));
    PlatformThemeWithIcons platformTheme;
    QPlatformTheme *const ownTheme = QGuiApplicationPrivate::platform_theme;
    if (platformIcons) {
        QGuiApplicationPrivate::platform_theme = &platformTheme;
    }

    const bool cachesProve = IconThemeCaches::provesNull(name);
    const QImage shown = PopupIcon::namedIcon(name).pixmap(24, 24).toImage();
    // Qt's own answer, asked only now.
    const QIcon qtAnswer = QIcon::fromTheme(name);
    const bool qtFinds = !qtAnswer.isNull();
    const QImage qtImage = qtAnswer.pixmap(24, 24).toImage();
    QGuiApplicationPrivate::platform_theme = ownTheme;
    QCOMPARE(cachesProve, proved);
    QCOMPARE(qtFinds, themeShown);
    QCOMPARE(shown, themeShown ? qtImage : QIcon(QStringLiteral(":/icons/") + name).pixmap(24, 24).toImage());
    QIcon::setFallbackSearchPaths({});
}

int main(int argc, char **argv)
{
    registeredBeforeMain = QFileInfo::exists(QStringLiteral(":/icons/mono-audio-volume"));
    QApplication app(argc, argv);
    TestBuiltinIcons test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_builtinicons.moc"
