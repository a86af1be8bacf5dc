// SPDX-License-Identifier: GPL-2.0-or-later
#include "osdutils.h"
#include "roundedwindow.h"

#include <QtTest>
#include <climits>

namespace
{
int area(const QRegion &region)
{
    int total = 0;
    for (const QRect &rect : region) {
        total += rect.width() * rect.height();
    }
    return total;
}

// With radii 12, rows 0 to 8 of each corner lose this many pixels at the side; rows 9 to 11
// none.
const int cornerCut[] = {9, 6, 5, 4, 3, 2, 1, 1, 1, 0, 0, 0};
const int cornerArea = 9 + 6 + 5 + 4 + 3 + 2 + 1 + 1 + 1;

// Checks the four corners of a mask for a w x h window with radii 12.
bool hasRoundedCorners(const QRegion &mask, int w, int h, QString *failure)
{
    for (int row = 0; row < 12; ++row) {
        const int cut = cornerCut[row];
        for (int x = 0; x <= cut; ++x) {
            const bool inside = x == cut;
            const QPoint points[] = {{x, row}, {w - 1 - x, row}, {x, h - 1 - row}, {w - 1 - x, h - 1 - row}};
            for (const QPoint &p : points) {
                if (mask.contains(p) != inside) {
                    *failure = QStringLiteral("(%1, %2) should be %3").arg(p.x()).arg(p.y()).arg(inside ? "inside" : "outside");
                    return false;
                }
            }
        }
    }
    return true;
}
}

class TestRoundedWindow : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void maskPoints_data();
    void maskPoints();
    void roundedCornersEverywhere();
    void maskFollowsSwitchSizeAndRadii();
    void roundedRectBadInput_data();
    void roundedRectBadInput();
    void ellipse_data();
    void ellipse();
};

void TestRoundedWindow::maskPoints_data()
{
    QTest::addColumn<QPoint>("point");
    QTest::addColumn<bool>("inside");

    const struct {
        int x, y;
        bool inside;
    } points[] = {{0, 0, false}, {8, 0, false}, {9, 0, true}, {0, 6, false}, {0, 7, false}, {0, 8, false}, {0, 9, true}, {48, 48, true}};
    for (const auto &p : points) {
        // The same point mirrored into each corner of the 96x96 window.
        const QPoint mirrored[] = {{p.x, p.y}, {95 - p.x, p.y}, {p.x, 95 - p.y}, {95 - p.x, 95 - p.y}};
        for (const QPoint &m : mirrored) {
            QTest::addRow("(%d, %d) %s", m.x(), m.y(), p.inside ? "inside" : "outside") << m << p.inside;
        }
    }
}

void TestRoundedWindow::maskPoints()
{
    QFETCH(QPoint, point);
    QFETCH(bool, inside);

    RoundedWindow window;
    window.resize(96, 96);
    window.setUpdatingRoundedMask(true);
    QCOMPARE(window.mask().contains(point), inside);
}

void TestRoundedWindow::roundedCornersEverywhere()
{
    RoundedWindow window;
    window.resize(96, 96);
    window.setUpdatingRoundedMask(true);
    QString failure;
    QVERIFY2(hasRoundedCorners(window.mask(), 96, 96, &failure), qPrintable(failure));
    QCOMPARE(area(window.mask()), 96 * 96 - 4 * cornerArea);
    // The region starts at (0, 0) wherever the rectangle lies.
    QCOMPARE(OsdUtils::roundedRect(QRect(300, 200, 96, 96), 12, 12), window.mask());
}

void TestRoundedWindow::maskFollowsSwitchSizeAndRadii()
{
    RoundedWindow window;
    window.resize(96, 96);
    QVERIFY(window.mask().isEmpty());

    window.setUpdatingRoundedMask(true);
    QCOMPARE(window.mask().boundingRect(), QRect(0, 0, 96, 96));
    window.setUpdatingRoundedMask(false);
    QVERIFY(window.mask().isEmpty());

    // Resized while off, the mask is computed for the new size when switched on again.
    window.resize(120, 80);
    QVERIFY(window.mask().isEmpty());
    window.setUpdatingRoundedMask(true);
    QString failure;
    QVERIFY2(hasRoundedCorners(window.mask(), 120, 80, &failure), qPrintable(failure));

    // A hidden window gets its resize event when shown.
    window.resize(200, 50);
    window.show();
    QVERIFY2(hasRoundedCorners(window.mask(), 200, 50, &failure), qPrintable(failure));
    window.resize(150, 60);
    QTRY_VERIFY2(hasRoundedCorners(window.mask(), 150, 60, &failure), qPrintable(failure));

    window.setBorderRadiusVertical(0);
    QVERIFY(window.mask().isEmpty());
    window.setBorderRadiusVertical(12);
    QVERIFY2(hasRoundedCorners(window.mask(), 150, 60, &failure), qPrintable(failure));
}

void TestRoundedWindow::roundedRectBadInput_data()
{
    QTest::addColumn<QRect>("rect");
    QTest::addColumn<int>("rx");
    QTest::addColumn<int>("ry");
    QTest::addColumn<int>("expectedArea");

    QTest::newRow("square corners") << QRect(0, 0, 10, 10) << 0 << 12 << 100;
    QTest::newRow("negative radii as their magnitude") << QRect(0, 0, 96, 96) << -12 << -12 << 96 * 96 - 4 * cornerArea;
    QTest::newRow("empty rectangle") << QRect(0, 0, 0, 10) << 12 << 12 << 0;
    QTest::newRow("inverted rectangle") << QRect(10, 10, -5, -5) << 12 << 12 << 0;
    // A radius beyond the rectangle cuts the corners' ellipse down to what fits; only the
    // centre pixels of the 4x4 square survive the 1.1 threshold.
    QTest::newRow("radii larger than the rectangle") << QRect(0, 0, 4, 4) << 1000 << 1000 << 0;
    QTest::newRow("radii INT_MIN and INT_MAX") << QRect(0, 0, 6, 6) << INT_MIN << INT_MAX << 0;
}

void TestRoundedWindow::roundedRectBadInput()
{
    QFETCH(QRect, rect);
    QFETCH(int, rx);
    QFETCH(int, ry);
    QFETCH(int, expectedArea);

    const QRegion region = OsdUtils::roundedRect(rect, rx, ry);
    QCOMPARE(area(region), expectedArea);
}

void TestRoundedWindow::ellipse_data()
{
    QTest::addColumn<QRect>("rect");
    QTest::addColumn<double>("outer");
    QTest::addColumn<double>("inner");
    QTest::addColumn<QVector<QPoint>>("inside");
    QTest::addColumn<QVector<QPoint>>("outside");

    const QVector<QPoint> rim = {{0, 0}, {99, 0}, {0, 99}, {99, 99}, {14, 14}, {85, 85}};
    QTest::newRow("disc") << QRect(0, 0, 100, 100) << 50.0 << 0.0 << QVector<QPoint>{{50, 50}, {50, 0}, {0, 50}, {99, 50}, {49, 99}} << rim;
    QTest::newRow("ring") << QRect(0, 0, 100, 100) << 50.0 << 30.0 << QVector<QPoint>{{50, 5}, {5, 50}, {94, 50}}
                          << rim + QVector<QPoint>{{50, 50}, {50, 21}, {21, 50}};
    // The disc is centred in its own W x H area however far the rectangle lies from the origin.
    QTest::newRow("disc of an offset rectangle") << QRect(300, 400, 100, 100) << 50.0 << 0.0 << QVector<QPoint>{{50, 50}, {50, 0}, {0, 50}, {99, 50}, {49, 99}}
                                                 << rim;
    QTest::newRow("odd size is centred") << QRect(0, 0, 5, 5) << 1.0 << 0.0 << QVector<QPoint>{{2, 2}} << QVector<QPoint>{{1, 2}, {3, 2}, {2, 1}, {2, 3}};
    QTest::newRow("negative outer radius is empty") << QRect(0, 0, 10, 10) << -5.0 << 0.0 << QVector<QPoint>{} << QVector<QPoint>{{5, 5}};
    QTest::newRow("negative inner radius has no hole") << QRect(0, 0, 10, 10) << 5.0 << -3.0 << QVector<QPoint>{{5, 5}} << QVector<QPoint>{};
    QTest::newRow("empty rectangle") << QRect(0, 0, 0, 0) << 5.0 << 0.0 << QVector<QPoint>{} << QVector<QPoint>{{0, 0}};
}

void TestRoundedWindow::ellipse()
{
    QFETCH(QRect, rect);
    QFETCH(double, outer);
    QFETCH(double, inner);
    QFETCH(QVector<QPoint>, inside);
    QFETCH(QVector<QPoint>, outside);

    const QRegion region = OsdUtils::ellipse(rect, outer, inner);
    QVERIFY(QRect(0, 0, qMax(0, rect.width()), qMax(0, rect.height())).contains(region.boundingRect()) || region.isEmpty());
    for (const QPoint &p : inside) {
        QVERIFY2(region.contains(p), qPrintable(QStringLiteral("(%1, %2) inside").arg(p.x()).arg(p.y())));
    }
    for (const QPoint &p : outside) {
        QVERIFY2(!region.contains(p), qPrintable(QStringLiteral("(%1, %2) outside").arg(p.x()).arg(p.y())));
    }
}

QTEST_MAIN(TestRoundedWindow)
#include "tst_roundedwindow.moc"
