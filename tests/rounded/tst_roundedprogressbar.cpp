// SPDX-License-Identifier: GPL-2.0-or-later
#include "ringarc.h"
#include "roundedprogressbar.h"

#include <QPainter>
#include <QSignalSpy>
#include <QtTest>
#include <climits>
#include <cmath>

Q_DECLARE_METATYPE(RingArc::Kind)

namespace
{
const QColor trackColor(255, 0, 0);
const QColor arcColor(0, 0, 255);

// The bar drawn on a transparent image, track in red (or @p track), arc in blue.
QImage render(RoundedProgressBar *bar, const QColor &track = trackColor)
{
    QPalette palette = bar->palette();
    palette.setColor(QPalette::Window, track);
    palette.setColor(QPalette::WindowText, arcColor);
    bar->setPalette(palette);
    QImage image(bar->size(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    bar->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

// The pixel on the ring's centre line of a 78x78 bar (radius 35 around (39, 39)) at the given
// angle, counted clockwise from the top as a clock would.
QPoint ringPixel(qreal clockwiseDegrees)
{
    const qreal radians = qDegreesToRadians(clockwiseDegrees);
    return QPoint(int(std::floor(39 + 35 * std::sin(radians))), int(std::floor(39 - 35 * std::cos(radians))));
}
}

class TestRoundedProgressBar : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void arc_data();
    void arc();
    void paintedRing_data();
    void paintedRing();
    void smallWidgets_data();
    void smallWidgets();
    void valueChangedOnlyOnChange();
    void repaintFollowsChanges_data();
    void repaintFollowsChanges();
};

void TestRoundedProgressBar::arc_data()
{
    QTest::addColumn<int>("minimum");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("height");
    QTest::addColumn<RingArc::Kind>("kind");
    QTest::addColumn<qreal>("start");
    QTest::addColumn<qreal>("sweep");

    const qreal gap = std::asin(4.0 / 36.0) * 180 / M_PI;
    QTest::newRow("40 of 0..100") << 0 << 100 << 40 << 78 << RingArc::Partial << 90 - gap << -0.4 * (360 - 2 * gap);
    QTest::newRow("0 of 0..100") << 0 << 100 << 0 << 78 << RingArc::None << 0.0 << 0.0;
    QTest::newRow("100 of 0..100") << 0 << 100 << 100 << 78 << RingArc::Full << 0.0 << 0.0;
    QTest::newRow("999 of 0..1000") << 0 << 1000 << 999 << 78 << RingArc::Full << 0.0 << 0.0;
    QTest::newRow("998 of 0..1000") << 0 << 1000 << 998 << 78 << RingArc::Partial << 90 - gap << -0.998 * (360 - 2 * gap);
    QTest::newRow("1 of 0..1000 (0.001)") << 0 << 1000 << 1 << 78 << RingArc::Partial << 90 - gap << -0.001 * (360 - 2 * gap);
    QTest::newRow("range 0..0") << 0 << 0 << 0 << 78 << RingArc::None << 0.0 << 0.0;
    QTest::newRow("inverted range") << 100 << 0 << 50 << 78 << RingArc::None << 0.0 << 0.0;
    QTest::newRow("60 of 10..110 is 0.6") << 10 << 110 << 60 << 78 << RingArc::Partial << 90 - gap << -0.6 * (360 - 2 * gap);
    QTest::newRow("negative value") << 0 << 100 << -5 << 78 << RingArc::None << 0.0 << 0.0;
    QTest::newRow("value beyond the span") << 0 << 100 << 150 << 78 << RingArc::Full << 0.0 << 0.0;
    QTest::newRow("INT_MAX of INT_MIN..INT_MAX") << INT_MIN << INT_MAX << INT_MAX << 78 << RingArc::Partial << 90 - gap
                                                 << -(INT_MAX / 4294967295.0) * (360 - 2 * gap);
    QTest::newRow("ring too small for the gap") << 0 << 100 << 40 << 13 << RingArc::Partial << 90.0 << -0.4 * 360;
}

void TestRoundedProgressBar::arc()
{
    QFETCH(int, minimum);
    QFETCH(int, maximum);
    QFETCH(int, value);
    QFETCH(int, height);
    QFETCH(RingArc::Kind, kind);
    QFETCH(qreal, start);
    QFETCH(qreal, sweep);

    const RingArc arc = RingArc::forValue(minimum, maximum, value, 6, height);
    QCOMPARE(arc.kind, kind);
    if (kind == RingArc::Partial) {
        QVERIFY2(qAbs(arc.startAngle - start) < 1e-9, qPrintable(QString::number(arc.startAngle)));
        QVERIFY2(qAbs(arc.sweepLength - sweep) < 1e-9, qPrintable(QString::number(arc.sweepLength)));
    }
}

void TestRoundedProgressBar::paintedRing_data()
{
    QTest::addColumn<int>("minimum");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<int>("value");
    QTest::addColumn<QVector<qreal>>("arcAt"); // clockwise degrees from the top
    QTest::addColumn<QVector<qreal>>("trackAt");

    // 40 % covers about 6.4 to 145.3 degrees clockwise; the caps reach some 5 degrees further.
    QTest::newRow("40 of 0..100") << 0 << 100 << 40 << QVector<qreal>{15, 45, 90, 135} << QVector<qreal>{-10, 160, 200, 270, 345};
    QTest::newRow("0 of 0..100") << 0 << 100 << 0 << QVector<qreal>{} << QVector<qreal>{-1, 1, 90, 180, 270};
    QTest::newRow("100 of 0..100") << 0 << 100 << 100 << QVector<qreal>{-1, 0, 90, 180, 270} << QVector<qreal>{};
    QTest::newRow("999 of 0..1000") << 0 << 1000 << 999 << QVector<qreal>{-1, 0, 90, 180, 270} << QVector<qreal>{};
    QTest::newRow("998 of 0..1000") << 0 << 1000 << 998 << QVector<qreal>{15, 90, 180, 270, 345} << QVector<qreal>{-1};
    QTest::newRow("range 0..0") << 0 << 0 << 0 << QVector<qreal>{} << QVector<qreal>{-1, 90, 180, 270};
    QTest::newRow("60 of 10..110") << 10 << 110 << 60 << QVector<qreal>{200} << QVector<qreal>{240};
}

void TestRoundedProgressBar::paintedRing()
{
    QFETCH(int, minimum);
    QFETCH(int, maximum);
    QFETCH(int, value);
    QFETCH(QVector<qreal>, arcAt);
    QFETCH(QVector<qreal>, trackAt);

    RoundedProgressBar bar;
    bar.resize(78, 78);
    bar.setRange(minimum, maximum);
    bar.setValue(value);
    const QImage image = render(&bar);

    const auto check = [&](qreal degrees, const QColor &expected) {
        const QPoint pixel = ringPixel(degrees);
        const QString message = QStringLiteral("%1 degrees, pixel (%2, %3)").arg(degrees).arg(pixel.x()).arg(pixel.y());
        QVERIFY2(QColor(image.pixel(pixel)) == expected, qPrintable(message));
    };
    for (qreal degrees : arcAt) {
        check(degrees, arcColor);
    }
    for (qreal degrees : trackAt) {
        check(degrees, trackColor);
    }
    // The ring keeps one pixel free to the widget's edge and leaves the middle empty.
    for (const QPoint &free : {QPoint(39, 0), QPoint(0, 39), QPoint(77, 39), QPoint(39, 77), QPoint(39, 39), QPoint(39, 9)}) {
        QVERIFY2(qAlpha(image.pixel(free)) == 0, qPrintable(QStringLiteral("(%1, %2)").arg(free.x()).arg(free.y())));
    }
}

void TestRoundedProgressBar::smallWidgets_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("thickness");
    QTest::addColumn<int>("expectedThickness");
    QTest::addColumn<bool>("painted");

    QTest::newRow("no room beside the line") << QSize(8, 8) << 6 << 6 << false;
    QTest::newRow("empty widget") << QSize(0, 0) << 6 << 6 << false;
    QTest::newRow("too small for the gap") << QSize(12, 12) << 6 << 6 << true;
    QTest::newRow("thickness 0 is a hairline") << QSize(40, 40) << 0 << 0 << true;
    QTest::newRow("negative thickness taken as 0") << QSize(40, 40) << -4 << 0 << true;
}

void TestRoundedProgressBar::smallWidgets()
{
    QFETCH(QSize, size);
    QFETCH(int, thickness);
    QFETCH(int, expectedThickness);
    QFETCH(bool, painted);

    RoundedProgressBar bar;
    bar.resize(size);
    bar.setLineThickness(thickness);
    bar.setValue(40);
    QCOMPARE(bar.lineThickness(), expectedThickness);
    if (size.isEmpty()) {
        QVERIFY(bar.grab().isNull());
        return;
    }
    const QImage image = render(&bar);
    bool anyPainted = false;
    for (int x = 0; x < image.width(); ++x) {
        for (int y = 0; y < image.height(); ++y) {
            anyPainted = anyPainted || qAlpha(image.pixel(x, y)) != 0;
        }
    }
    QCOMPARE(anyPainted, painted);
}

void TestRoundedProgressBar::valueChangedOnlyOnChange()
{
    RoundedProgressBar bar;
    QSignalSpy spy(&bar, &RoundedProgressBar::valueChanged);
    bar.setValue(40);
    bar.setValue(40);
    QVERIFY(bar.setProperty("value", 41));
    QCOMPARE(spy.count(), 2);
    QCOMPARE(spy.at(0).at(0).toInt(), 40);
    QCOMPARE(spy.at(1).at(0).toInt(), 41);
}

// The track is kept as a picture between paints: after any change it depends on, a bar that
// has painted before must paint exactly like a new one.
void TestRoundedProgressBar::repaintFollowsChanges_data()
{
    QTest::addColumn<QColor>("track");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("thickness");
    QTest::addColumn<int>("value");

    QTest::newRow("nothing changed") << trackColor << QSize(78, 78) << 6 << 40;
    QTest::newRow("value") << trackColor << QSize(78, 78) << 6 << 75;
    QTest::newRow("track colour") << QColor(0, 160, 0) << QSize(78, 78) << 6 << 40;
    QTest::newRow("translucent track colour") << QColor(0, 160, 0, 120) << QSize(78, 78) << 6 << 40;
    QTest::newRow("size") << trackColor << QSize(120, 120) << 6 << 40;
    QTest::newRow("not square") << trackColor << QSize(120, 60) << 6 << 40;
    QTest::newRow("thickness") << trackColor << QSize(78, 78) << 12 << 40;
    QTest::newRow("no room for the ring") << trackColor << QSize(5, 5) << 6 << 40;
}

void TestRoundedProgressBar::repaintFollowsChanges()
{
    QFETCH(QColor, track);
    QFETCH(QSize, size);
    QFETCH(int, thickness);
    QFETCH(int, value);

    const auto paint = [&](RoundedProgressBar *bar) {
        bar->resize(size);
        bar->setLineThickness(thickness);
        bar->setValue(value);
        return render(bar, track);
    };

    RoundedProgressBar used;
    used.resize(78, 78);
    used.setValue(40);
    render(&used);
    RoundedProgressBar fresh;
    QCOMPARE(paint(&used), paint(&fresh));
}

QTEST_MAIN(TestRoundedProgressBar)
#include "tst_roundedprogressbar.moc"
