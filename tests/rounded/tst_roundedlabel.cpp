// SPDX-License-Identifier: GPL-2.0-or-later
#include "roundedlabel.h"

#include <QLabel>
#include <QPainter>
#include <QtTest>
#include <cmath>

namespace
{
using Pixels = QVector<QPair<QPoint, QRgb>>;

// A 24x24 transparent image with the given pixels set.
QImage iconImage(const Pixels &pixels)
{
    QImage image(24, 24, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    for (const auto &pixel : pixels) {
        image.setPixel(pixel.first, pixel.second);
    }
    return image;
}

Pixels block(const QRect &rect, QRgb color)
{
    Pixels pixels;
    for (int x = rect.left(); x <= rect.right(); ++x) {
        for (int y = rect.top(); y <= rect.bottom(); ++y) {
            pixels.append({QPoint(x, y), color});
        }
    }
    return pixels;
}

// What the badge shows, in the form the comparison needs: the view keeps a QPixmap, which
// stores premultiplied colours, so the expectation goes through the same conversion.
QImage shown(const RoundedLabel &label)
{
    return label.findChild<QLabel *>(QStringLiteral("iconView"))->pixmap(Qt::ReturnByValue).toImage().convertToFormat(QImage::Format_ARGB32);
}

QImage throughPixmap(const QImage &image)
{
    return QPixmap::fromImage(image).toImage().convertToFormat(QImage::Format_ARGB32);
}

void setTextColor(QWidget *widget, const QColor &color)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, color);
    widget->setPalette(palette);
}
}

class TestRoundedLabel : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void recoloring_data();
    void recoloring();
    void recoloringFollowsStyleSheet();
    void clipping_data();
    void clipping();
    void unclippedPixmapKeepsAspect();
    void badInputShowsNothing_data();
    void badInputShowsNothing();
    void nullPixmapClearsPreviousImage();
    void freeIconSize();
    void discFollowsChanges_data();
    void discFollowsChanges();
};

void TestRoundedLabel::recoloring_data()
{
    QTest::addColumn<QImage>("icon");
    QTest::addColumn<QColor>("textColor");
    QTest::addColumn<bool>("recolored");
    // When valid, the icon was shown before in this text colour, then another icon.
    QTest::addColumn<QColor>("colorBefore");

    const Pixels blackStrokes = block(QRect(4, 10, 16, 3), qRgb(0, 0, 0)) + block(QRect(4, 13, 16, 1), qRgba(0, 0, 0, 128));
    QTest::newRow("black strokes, white text") << iconImage(blackStrokes) << QColor(Qt::white) << true << QColor();
    QTest::newRow("black strokes, black text") << iconImage(blackStrokes) << QColor(Qt::black) << true << QColor();
    QTest::newRow("(51,51,51) is dark") << iconImage(block(QRect(4, 4, 8, 8), qRgb(51, 51, 51))) << QColor(10, 200, 30) << true << QColor();
    QTest::newRow("(52,52,52) is neither") << iconImage(block(QRect(4, 4, 8, 8), qRgb(52, 52, 52))) << QColor(10, 200, 30) << false << QColor();
    QTest::newRow("white strokes are light") << iconImage(block(QRect(2, 2, 20, 2), qRgb(255, 255, 255))) << QColor(200, 20, 90) << true << QColor();
    QTest::newRow("(204,204,204) is light") << iconImage(block(QRect(2, 2, 20, 2), qRgb(204, 204, 204))) << QColor(200, 20, 90) << true << QColor();
    // Red comes first column by column, black first row by row: only the column order keeps red.
    QTest::newRow("red before black in a tie keeps red")
        << iconImage(block(QRect(0, 10, 1, 10), qRgb(255, 0, 0)) + block(QRect(1, 0, 10, 1), qRgb(0, 0, 0))) << QColor(Qt::white) << false << QColor();
    QTest::newRow("mid-range colour keeps its dark details")
        << iconImage(block(QRect(0, 0, 12, 12), qRgb(30, 120, 200)) + block(QRect(14, 14, 4, 4), qRgb(0, 0, 0))) << QColor(Qt::white) << false << QColor();
    // Transparent black is dark, so every pixel takes the text colour's RGB, yet none may
    // become visible.
    QTest::newRow("fully transparent") << iconImage({}) << QColor(Qt::white) << true << QColor();
    QTest::newRow("again after another icon") << iconImage(blackStrokes) << QColor(Qt::white) << true << QColor(Qt::white);
    QTest::newRow("again in another text colour") << iconImage(blackStrokes) << QColor(Qt::white) << true << QColor(Qt::black);
}

void TestRoundedLabel::recoloring()
{
    QFETCH(QImage, icon);
    QFETCH(QColor, textColor);
    QFETCH(bool, recolored);
    QFETCH(QColor, colorBefore);

    RoundedLabel label;
    const QIcon shownIcon(QPixmap::fromImage(icon));
    if (colorBefore.isValid()) {
        setTextColor(&label, colorBefore);
        label.setIcon(shownIcon);
        label.setIcon(QIcon(QPixmap::fromImage(iconImage(block(QRect(0, 0, 24, 24), qRgb(255, 255, 255))))));
    }
    setTextColor(&label, textColor);
    label.setIcon(shownIcon);

    QImage expected = icon;
    if (recolored) {
        // The visible pixels of each test icon are all of one class, so they all take the text
        // colour's RGB; the invisible ones read back as transparent black whatever they hold.
        for (int x = 0; x < 24; ++x) {
            for (int y = 0; y < 24; ++y) {
                expected.setPixel(x, y, (icon.pixel(x, y) & 0xff000000) | (textColor.rgb() & 0x00ffffff));
            }
        }
    }
    const QImage actual = shown(label);
    QCOMPARE(actual.size(), QSize(24, 24));
    expected = throughPixmap(expected);
    for (int x = 0; x < 24; ++x) {
        for (int y = 0; y < 24; ++y) {
            if (actual.pixel(x, y) != expected.pixel(x, y)) {
                QFAIL(qPrintable(
                    QStringLiteral("pixel (%1, %2): %3, expected %4").arg(x).arg(y).arg(actual.pixel(x, y), 8, 16).arg(expected.pixel(x, y), 8, 16)));
            }
        }
    }
}

void TestRoundedLabel::recoloringFollowsStyleSheet()
{
    RoundedLabel label;
    label.setIcon(QIcon(QPixmap::fromImage(iconImage(block(QRect(4, 4, 16, 2), qRgb(0, 0, 0))))));
    label.setStyleSheet(QStringLiteral("QWidget { color: #ff0000; background-color: #000000; }"));
    // A style sheet reaches the palette when the widget is polished, as it is when shown.
    label.ensurePolished();
    QCOMPARE(QColor(shown(label).pixel(10, 4)), QColor(Qt::red));
    label.setStyleSheet(QStringLiteral("QWidget { color: #00ff00; background-color: #000000; }"));
    QCOMPARE(QColor(shown(label).pixel(10, 4)), QColor(Qt::green));
}

void TestRoundedLabel::clipping_data()
{
    QTest::addColumn<int>("viewSize");
    QTest::addColumn<QSize>("pixmapSize");
    QTest::addColumn<QRect>("covered"); // where the scaled image lies on the canvas, before clipping

    QTest::newRow("240, square: inset 19") << 240 << QSize(100, 100) << QRect(19, 19, 202, 202);
    QTest::newRow("24, square: inset 2") << 24 << QSize(100, 100) << QRect(2, 2, 20, 20);
    QTest::newRow("10, square: inset raised to 2") << 10 << QSize(100, 100) << QRect(2, 2, 6, 6);
    QTest::newRow("240, wide") << 240 << QSize(200, 100) << QRect(-82, 19, 404, 202);
    QTest::newRow("240, tall") << 240 << QSize(100, 200) << QRect(19, -82, 202, 404);
    QTest::newRow("240, 20000x2") << 240 << QSize(20000, 2) << QRect(-(2020000 - 240) / 2, 19, 2020000, 202);
}

void TestRoundedLabel::clipping()
{
    QFETCH(int, viewSize);
    QFETCH(QSize, pixmapSize);
    QFETCH(QRect, covered);

    // Red in the first half along the longer side, blue in the second: the boundary shows the
    // scale.
    const bool wide = pixmapSize.width() >= pixmapSize.height();
    QImage source(pixmapSize, QImage::Format_ARGB32);
    source.fill(Qt::blue);
    {
        QPainter painter(&source);
        painter.fillRect(wide ? QRect(0, 0, pixmapSize.width() / 2, pixmapSize.height()) : QRect(0, 0, pixmapSize.width(), pixmapSize.height() / 2), Qt::red);
    }

    RoundedLabel label;
    label.setStandartIconSize(QSize(viewSize, viewSize));
    label.setPixmap(QPixmap::fromImage(source));
    const QImage image = shown(label);
    QCOMPARE(image.size(), QSize(viewSize, viewSize));

    const qreal radius = viewSize / 2.0;
    const int boundary = wide ? covered.x() + covered.width() / 2 : covered.y() + covered.height() / 2;
    // Smooth scaling blends the two colours over about one source pixel's width.
    const qreal blend = qreal(covered.width()) / pixmapSize.width() + 2;
    for (int x = 0; x < viewSize; ++x) {
        for (int y = 0; y < viewSize; ++y) {
            const qreal distance = std::hypot(x + 0.5 - radius, y + 0.5 - radius);
            // The circle's antialiased rim and the smoothed colour boundary are not compared.
            if (qAbs(distance - radius) < 1.5 || qAbs((wide ? x : y) - boundary) < blend) {
                continue;
            }
            const bool visible = distance < radius && covered.contains(x, y);
            const QRgb pixel = image.pixel(x, y);
            const QString where = QStringLiteral("pixel (%1, %2)").arg(x).arg(y);
            QVERIFY2(qAlpha(pixel) == (visible ? 255 : 0), qPrintable(where));
            if (visible) {
                QVERIFY2(QColor(pixel) == QColor((wide ? x : y) < boundary ? Qt::red : Qt::blue), qPrintable(where));
            }
        }
    }
}

void TestRoundedLabel::unclippedPixmapKeepsAspect()
{
    RoundedLabel label;
    label.setStandartIconSize(QSize(240, 240));
    label.setCustomPixmapClipEnabled(false);
    QPixmap pixmap(200, 100);
    pixmap.fill(Qt::red);
    label.setPixmap(pixmap);
    QCOMPARE(shown(label).size(), QSize(240, 120));
    QCOMPARE(QColor(shown(label).pixel(0, 0)), QColor(Qt::red));
}

void TestRoundedLabel::badInputShowsNothing_data()
{
    QTest::addColumn<QSize>("iconSize");
    QTest::addColumn<QPixmap>("pixmap");
    QTest::addColumn<bool>("asIcon");

    QPixmap tiny(1, 1);
    tiny.fill(Qt::black);
    QPixmap normal(30, 30);
    normal.fill(Qt::black);
    QTest::newRow("icon renders 1x1") << QSize(24, 24) << tiny << true;
    QTest::newRow("icon at size 0x0") << QSize(0, 0) << normal << true;
    QTest::newRow("pixmap at size 0x0") << QSize(0, 0) << normal << false;
    QTest::newRow("pixmap at size 0x24") << QSize(0, 24) << normal << false;
    QTest::newRow("pixmap at a size too large for memory") << QSize(100000, 100000) << normal << false;
}

void TestRoundedLabel::badInputShowsNothing()
{
    QFETCH(QSize, iconSize);
    QFETCH(QPixmap, pixmap);
    QFETCH(bool, asIcon);

    RoundedLabel label;
    label.setStandartIconSize(iconSize);
    if (asIcon) {
        label.setIcon(QIcon(pixmap));
    } else {
        label.setPixmap(pixmap);
    }
    QVERIFY(shown(label).isNull());
}

void TestRoundedLabel::nullPixmapClearsPreviousImage()
{
    RoundedLabel label;
    QPixmap pixmap(30, 30);
    pixmap.fill(Qt::red);
    label.setPixmap(pixmap);
    QVERIFY(!shown(label).isNull());
    label.setPixmap(QPixmap());
    QVERIFY(shown(label).isNull());
}

void TestRoundedLabel::freeIconSize()
{
    RoundedLabel label;
    label.setStandartIconSize(QSize(-1, -1));
    const QLabel *view = label.findChild<QLabel *>(QStringLiteral("iconView"));
    QCOMPARE(view->minimumSize(), QSize(24, 24));
    QCOMPARE(view->maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
}

// The disc is kept as a picture between paints: after a change of colour or size, a badge that
// has painted before must paint exactly like a new one.
void TestRoundedLabel::discFollowsChanges_data()
{
    QTest::addColumn<QColor>("color");
    QTest::addColumn<QSize>("size");

    QTest::newRow("nothing changed") << QColor(Qt::white) << QSize(58, 58);
    QTest::newRow("colour") << QColor(0x33, 0x66, 0xcc) << QSize(58, 58);
    QTest::newRow("translucent colour") << QColor(0x33, 0x66, 0xcc, 100) << QSize(58, 58);
    QTest::newRow("size") << QColor(Qt::white) << QSize(96, 96);
    QTest::newRow("wide") << QColor(Qt::white) << QSize(200, 80);
    QTest::newRow("too small for a disc") << QColor(Qt::white) << QSize(2, 2);
}

void TestRoundedLabel::discFollowsChanges()
{
    QFETCH(QColor, color);
    QFETCH(QSize, size);

    const auto paint = [](RoundedLabel *label, const QColor &discColor, const QSize &labelSize) {
        label->setStandartIconSize(QSize(24, 24));
        label->setFixedSize(labelSize);
        QPalette palette = label->palette();
        palette.setColor(QPalette::Window, discColor);
        label->setPalette(palette);
        QImage image(label->size(), QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        label->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        return image;
    };

    RoundedLabel used;
    paint(&used, Qt::white, QSize(58, 58));
    RoundedLabel fresh;
    const QImage repainted = paint(&used, color, size);
    QCOMPARE(used.size(), size);
    QCOMPARE(repainted, paint(&fresh, color, size));
}

QTEST_MAIN(TestRoundedLabel)
#include "tst_roundedlabel.moc"
