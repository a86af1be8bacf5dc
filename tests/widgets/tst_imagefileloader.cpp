// SPDX-License-Identifier: GPL-2.0-or-later
// The image loader against hostile paths, and against Qt's own loading for ordinary images.

#include "deadlines.h"
#include "hostileimagefiles.h"
#include "imagefileloader.h"
#include "memory.h"
#include "svgsafetycheck.h"

#include <QApplication>
#include <QBuffer>
#include <QFile>
#include <QIcon>
#include <QLinearGradient>
#include <QPainter>
#include <QTest>

#include <algorithm>

#include <cstdio>

Q_DECLARE_METATYPE(QIcon::Mode)

namespace
{
// What one case may add to the process's peak memory: room for what a first pop-up loads
// (fonts, icon engines, about 50 MiB), far below what any unbounded decode of the hostile
// files needs (hundreds of MiB to gigabytes).
constexpr qint64 peakGrowthLimitMiB = 128;

QImage gradientImage(const QSize &size, bool alpha)
{
    QImage image(size, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, size.width(), size.height());
    gradient.setColorAt(0, QColor(200, 30, 30, alpha ? 40 : 255));
    gradient.setColorAt(1, QColor(20, 90, 220));
    painter.fillRect(image.rect(), gradient);
    painter.setBrush(Qt::yellow);
    painter.drawEllipse(image.rect().adjusted(size.width() / 4, size.height() / 4, -size.width() / 4, -size.height() / 4));
    return image;
}

QByteArray pngOf(const QImage &image)
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return data;
}

// Largest difference of one colour channel (alpha included) between two images of one size.
int largestDifference(const QImage &a, const QImage &b)
{
    const QImage x = a.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage y = b.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    int largest = 0;
    for (int row = 0; row < x.height(); ++row) {
        for (int column = 0; column < x.width(); ++column) {
            const QRgb p = x.pixel(column, row);
            const QRgb q = y.pixel(column, row);
            largest = std::max({largest, qAbs(qRed(p) - qRed(q)), qAbs(qGreen(p) - qGreen(q)), qAbs(qBlue(p) - qBlue(q)), qAbs(qAlpha(p) - qAlpha(q))});
        }
    }
    return largest;
}

const QByteArray iconSvg =
    "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"48\" height=\"48\">"
    "<defs><linearGradient id=\"g\"><stop offset=\"0\" stop-color=\"#c03030\"/><stop offset=\"1\" stop-color=\"#3050e0\"/></linearGradient></defs>"
    "<circle cx=\"24\" cy=\"24\" r=\"20\" fill=\"url(#g)\"/><rect x=\"14\" y=\"20\" width=\"20\" height=\"8\" fill=\"#ffffff\" opacity=\"0.7\"/></svg>";
}

class ImageFileLoaderTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;
    HostileImageFiles hostile;

    QString path(const char *name) const
    {
        return dir.filePath(QString::fromLatin1(name));
    }

    void write(const char *name, const QByteArray &contents)
    {
        QFile file(path(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(contents), qint64(contents.size()));
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(hostile.isValid(), qPrintable(hostile.error()));
        QVERIFY(gradientImage(QSize(64, 64), true).save(path("square.png")));
        QVERIFY(gradientImage(QSize(16, 16), true).save(path("small.png")));
        QVERIFY(gradientImage(QSize(1000, 1000), false).save(path("big.png")));
        QVERIFY(gradientImage(QSize(1000, 800), false).save(path("photo.jpg"), "JPEG", 90));
        QVERIFY(gradientImage(QSize(2000, 2), false).save(path("thin.png")));
        write("png-content.jpg", pngOf(gradientImage(QSize(64, 64), true)));
        write("icon.svg", iconSvg);
        write("icon.svgz", HostileImageFiles::gzip(iconSvg));
        write("svg-content", iconSvg);
        write("svg-content.png", iconSvg);
        write("wide.svg", "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"400\" height=\"200\"><rect width=\"400\" height=\"200\" fill=\"#208040\"/></svg>");
        write("two-sizes.ico", HostileImageFiles::icoWithPngs({pngOf(gradientImage(QSize(16, 16), true)), pngOf(gradientImage(QSize(32, 32), false))}));
    }

    void hostilePathsGiveNothing_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("drawsAtBoundedSize");
        for (const HostileImageFiles::Case &c : hostile.cases()) {
            QTest::newRow(c.name.constData()) << c.path << c.drawsAtBoundedSize;
        }
    }

    // Each path is refused at once (the watchdog catches a hang) and without a large
    // allocation; only an SVG that merely declares a huge size is drawn, at the bounded size.
    void hostilePathsGiveNothing()
    {
        QFETCH(QString, file);
        QFETCH(bool, drawsAtBoundedSize);
        const PeakMemory memory;
        {
            const Watchdog watchdog(QTest::currentDataTag(), 10);
            QVERIFY(ImageFileLoader::loadPixmap(file).isNull());
            const QPixmap bounded = ImageFileLoader::loadPixmap(file, QSize(320, 180));
            QCOMPARE(bounded.isNull(), !drawsAtBoundedSize);
            QCOMPARE(bounded.size(), drawsAtBoundedSize ? QSize(180, 180) : QSize(0, 0));
            const QIcon icon = ImageFileLoader::loadIcon(file);
            QCOMPARE(icon.isNull(), !drawsAtBoundedSize);
            QCOMPARE(icon.pixmap(32).size(), drawsAtBoundedSize ? QSize(32, 32) : QSize(0, 0));
        }
        QVERIFY2(memory.growthMiB() < peakGrowthLimitMiB, qPrintable(QStringLiteral("peak memory growth %1 MiB").arg(memory.growthMiB())));
    }

    void imagesMatchQPixmap_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QSize>("bound");
        QTest::addColumn<QSize>("expectedSize");
        QTest::addColumn<int>("tolerance");
        QTest::newRow("PNG without bound") << path("square.png") << QSize() << QSize(64, 64) << 0;
        QTest::newRow("PNG inside the bound") << path("square.png") << QSize(320, 180) << QSize(64, 64) << 0;
        QTest::newRow("PNG 1000x1000 into 320x180") << path("big.png") << QSize(320, 180) << QSize(180, 180) << 0;
        QTest::newRow("JPEG 1000x800 into 320x180") << path("photo.jpg") << QSize(320, 180) << QSize(225, 180) << 0;
        QTest::newRow("PNG content named .jpg") << path("png-content.jpg") << QSize() << QSize(64, 64) << 0;
        QTest::newRow("SVG at its size") << path("icon.svg") << QSize() << QSize(48, 48) << 0;
        QTest::newRow("SVGZ at its size") << path("icon.svgz") << QSize() << QSize(48, 48) << 0;
        QTest::newRow("SVG content named .png") << path("svg-content.png") << QSize() << QSize(48, 48) << 0;
        QTest::newRow("SVG 400x200 into 100x100") << path("wide.svg") << QSize(100, 100) << QSize(100, 50) << 2;
        QTest::newRow("resource SVG") << QStringLiteral(":/test/badge.svg") << QSize() << QSize(24, 24) << 0;
    }

    void imagesMatchQPixmap()
    {
        QFETCH(QString, file);
        QFETCH(QSize, bound);
        QFETCH(QSize, expectedSize);
        QFETCH(int, tolerance);

        const QPixmap loaded = ImageFileLoader::loadPixmap(file, bound);
        QCOMPARE(loaded.size(), expectedSize);
        QPixmap plain(file);
        if (plain.size() != expectedSize) {
            plain = plain.scaled(expectedSize, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        }
        QCOMPARE(plain.size(), expectedSize);
        const int difference = largestDifference(loaded.toImage(), plain.toImage());
        QVERIFY2(difference <= tolerance, qPrintable(QStringLiteral("difference %1").arg(difference)));
    }

    // Beyond 4096 x 4096 pixels the decoder scales while decoding.
    void largeImageDecodedIntoBound()
    {
        write("large.png", HostileImageFiles::zeroPng(8000, 6000));
        const QPixmap loaded = ImageFileLoader::loadPixmap(path("large.png"), QSize(320, 180));
        QCOMPARE(loaded.size(), QSize(240, 180));
        QCOMPARE(loaded.toImage().pixel(120, 90), qRgb(0, 0, 0));
    }

    // QPixmap::scaled gives no image for a zero side; the loader keeps one pixel.
    void longThinImageKeepsOnePixel()
    {
        QCOMPARE(ImageFileLoader::loadPixmap(path("thin.png"), QSize(100, 100)).size(), QSize(100, 1));
    }

    void iconsMatchQIcon_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("extent");
        QTest::addColumn<QIcon::Mode>("mode");
        QTest::newRow("PNG 64 down to 32") << path("square.png") << 32 << QIcon::Normal;
        QTest::newRow("PNG 16 not enlarged to 32") << path("small.png") << 32 << QIcon::Normal;
        QTest::newRow("PNG disabled") << path("square.png") << 32 << QIcon::Disabled;
        QTest::newRow("SVG down to 32") << path("icon.svg") << 32 << QIcon::Normal;
        QTest::newRow("SVG up to 96") << path("icon.svg") << 96 << QIcon::Normal;
        QTest::newRow("SVG disabled") << path("icon.svg") << 32 << QIcon::Disabled;
        QTest::newRow("SVG 400x200 at 40") << path("wide.svg") << 40 << QIcon::Normal;
        QTest::newRow("SVGZ at 24") << path("icon.svgz") << 24 << QIcon::Normal;
        QTest::newRow("SVG content without suffix") << path("svg-content") << 64 << QIcon::Normal;
        QTest::newRow("SVG content named .png") << path("svg-content.png") << 96 << QIcon::Normal;
        QTest::newRow("ICO picks 16") << path("two-sizes.ico") << 16 << QIcon::Normal;
        QTest::newRow("ICO picks 32 for 24") << path("two-sizes.ico") << 24 << QIcon::Normal;
        QTest::newRow("ICO picks 32") << path("two-sizes.ico") << 32 << QIcon::Normal;
        QTest::newRow("resource SVG") << QStringLiteral(":/test/badge.svg") << 48 << QIcon::Normal;
    }

    void iconsMatchQIcon()
    {
        QFETCH(QString, file);
        QFETCH(int, extent);
        QFETCH(QIcon::Mode, mode);

        const QIcon plain(file);
        const QIcon loaded = ImageFileLoader::loadIcon(file);
        QVERIFY(!loaded.isNull());
        const QImage expected = plain.pixmap(extent, mode).toImage();
        QVERIFY(!expected.isNull());
        // Drawn at another size in between, an icon draws the same again.
        for (const int between : {0, extent * 2}) {
            if (between) {
                QVERIFY(!loaded.pixmap(between, mode).isNull());
            }
            const QImage actual = loaded.pixmap(extent, mode).toImage();
            QCOMPARE(actual.size(), expected.size());
            QCOMPARE(largestDifference(actual, expected), 0);
        }
        QCOMPARE(loaded.actualSize(QSize(extent, extent), mode), plain.actualSize(QSize(extent, extent), mode));
    }

    void changedFileIsReadAgain_data()
    {
        QTest::addColumn<bool>("byRename");
        QTest::newRow("rewritten in place") << false;
        QTest::newRow("replaced by rename") << true;
    }

    // Results are cached per file; a changed file must not show its old picture.
    void changedFileIsReadAgain()
    {
        QFETCH(bool, byRename);
        const QString file = path(byRename ? "renamed.png" : "rewritten.png");
        QImage before(16, 16, QImage::Format_RGB32);
        before.fill(Qt::red);
        QVERIFY(before.save(file));
        QCOMPARE(ImageFileLoader::loadPixmap(file).toImage().pixel(0, 0), qRgb(255, 0, 0));
        QCOMPARE(ImageFileLoader::loadIcon(file).pixmap(16).toImage().pixel(0, 0), qRgb(255, 0, 0));

        QImage after(16, 16, QImage::Format_RGB32);
        after.fill(Qt::blue);
        if (byRename) {
            QVERIFY(after.save(file + QStringLiteral(".new"), "PNG"));
            QVERIFY(::rename(QFile::encodeName(file + QStringLiteral(".new")).constData(), QFile::encodeName(file).constData()) == 0);
        } else {
            QFile rewrite(file);
            QVERIFY(rewrite.open(QIODevice::ReadWrite));
            QVERIFY(rewrite.write(pngOf(after)) > 0);
            QVERIFY(rewrite.resize(rewrite.pos()));
        }
        QCOMPARE(ImageFileLoader::loadPixmap(file).toImage().pixel(0, 0), qRgb(0, 0, 255));
        QCOMPARE(ImageFileLoader::loadIcon(file).pixmap(16).toImage().pixel(0, 0), qRgb(0, 0, 255));
    }

    void svgStructure_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("safe");
        const QByteArray small = pngOf(gradientImage(QSize(8, 8), true)).toBase64();
        QByteArray chain = "<path id=\"l0\" d=\"M0 0h1v1z\"/>";
        for (int level = 1; level <= 5; ++level) {
            chain += "<g id=\"l" + QByteArray::number(level) + "\">" + QByteArray("<use xlink:href=\"#l" + QByteArray::number(level - 1) + "\"/>").repeated(5)
                + "</g>";
        }
        QTest::newRow("use chain of 5^5 draws") << chain << true;
        QTest::newRow("use chain of 5^6 draws") << chain + "<g>" + QByteArray("<use xlink:href=\"#l5\"/>").repeated(5) + "</g>" << false;
        QTest::newRow("use before its target") << QByteArray("<use xlink:href=\"#r\"/><rect id=\"r\" width=\"4\" height=\"4\"/>") << true;
        QTest::newRow("use of itself") << QByteArray("<g id=\"s\"><use xlink:href=\"#s\"/></g>") << false;
        QTest::newRow("use of an unknown id") << QByteArray("<use xlink:href=\"#nothing\"/>") << true;
        QTest::newRow("elements beyond the budget") << QByteArray("<rect width=\"1\" height=\"1\"/>").repeated(int(SvgSafetyCheck::maxCost)) << false;
        QTest::newRow("embedded small PNG") << "<image width=\"8\" height=\"8\" xlink:href=\"data:image/png;base64," + small + "\"/>" << true;
        QTest::newRow("embedded SVG") << "<image width=\"8\" height=\"8\" xlink:href=\"data:image/svg+xml;base64," + iconSvg.toBase64() + "\"/>" << false;
        QTest::newRow("image file by another prefix") << QByteArray(
            "<image xmlns:l=\"http://www.w3.org/1999/xlink\" width=\"8\" height=\"8\" l:href=\"/dev/zero\"/>")
                                                      << false;
        QTest::newRow("malformed") << QByteArray("<g><rect></g>") << false;
    }

    void svgStructure()
    {
        QFETCH(QByteArray, body);
        QFETCH(bool, safe);
        const QByteArray document =
            "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" width=\"32\" height=\"32\">" + body + "</svg>";
        QCOMPARE(SvgSafetyCheck::isSafe(document), safe);
    }
};

QTEST_MAIN(ImageFileLoaderTest)
#include "tst_imagefileloader.moc"
