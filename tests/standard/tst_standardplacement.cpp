// SPDX-License-Identifier: GPL-2.0-or-later
// Where the standard pop-up sits on a screen's available area, and how large it may grow.

#include "standardplacement.h"

#include <QTest>

class StandardPlacementTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void position_data()
    {
        QTest::addColumn<QRect>("available");
        QTest::addColumn<QSize>("window");
        QTest::addColumn<QPoint>("expected");
        // Centre (959, 539): x = 959 - 149, y = 539 - 29 + (486 - 30).
        QTest::newRow("300x60 on 1920x1080") << QRect(0, 0, 1920, 1080) << QSize(300, 60) << QPoint(810, 966);
        // Centre (959, 559): y = 559 - 49 + (468 - 50).
        QTest::newRow("300x100 below a 40 px panel") << QRect(0, 40, 1920, 1040) << QSize(300, 100) << QPoint(810, 928);
        // Centre (2559, 511), odd sizes: x = 2559 - 150, y = 511 - 30 + int(460.8 - 30).
        QTest::newRow("301x61 on a second monitor") << QRect(1920, 0, 1280, 1024) << QSize(301, 61) << QPoint(2409, 911);
        // A negative offset truncates toward zero: 50 - 59 + int(45.45 - 60), not floor.
        QTest::newRow("negative offset truncated") << QRect(0, 0, 200, 101) << QSize(50, 120) << QPoint(75, -23);
    }

    void position()
    {
        QFETCH(QRect, available);
        QFETCH(QSize, window);
        QFETCH(QPoint, expected);
        QCOMPARE(StandardPlacement::position(available, window), expected);
    }

    void maximumSize_data()
    {
        QTest::addColumn<QRect>("available");
        QTest::addColumn<QSize>("expected");
        QTest::newRow("1920x1080") << QRect(0, 0, 1920, 1080) << QSize(1152, 864);
        QTest::newRow("1366x768 truncates") << QRect(100, 0, 1366, 768) << QSize(819, 614);
    }

    void maximumSize()
    {
        QFETCH(QRect, available);
        QFETCH(QSize, expected);
        QCOMPARE(StandardPlacement::maximumSize(available), expected);
    }
};

QTEST_GUILESS_MAIN(StandardPlacementTest)
#include "tst_standardplacement.moc"
