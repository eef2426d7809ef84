#include "forms/placement.h"

#include <QTest>

namespace {
// Two monitors side by side, the right one taller.
const QRect kLeft(0, 0, 1024, 768);
const QRect kRight(1024, 0, 1280, 1024);
} // namespace

Q_DECLARE_METATYPE(TwipsPoint)

class PlacementTest final : public QObject
{
    Q_OBJECT
private slots:
    void monitorHoldingMostOfAWindow_data()
    {
        QTest::addColumn<QRect>("window");
        QTest::addColumn<int>("expected");
        QTest::newRow("wholly on the right") << QRect(1500, 300, 100, 100) << 1;
        QTest::newRow("straddling, more on the left") << QRect(970, 300, 100, 100) << 0;
        QTest::newRow("straddling, more on the right") << QRect(1000, 300, 100, 100) << 1;
        QTest::newRow("below the left one, beside the right one") << QRect(900, 900, 100, 100) << 1;
        QTest::newRow("far past the right edge") << QRect(5000, 100, 100, 100) << 1;
        QTest::newRow("above both, nearer the left") << QRect(100, -500, 100, 100) << 0;
    }
    void monitorHoldingMostOfAWindow()
    {
        QFETCH(QRect, window);
        QFETCH(int, expected);
        QCOMPARE(MonitorHolding(window, {kLeft, kRight}), expected);
        QCOMPARE(MonitorHolding(window, {}), -1);
    }

    void onMonitorsCountsTheGapsBetweenThem()
    {
        QVERIFY(OnMonitors(QRect(970, 300, 100, 100), {kLeft, kRight}));
        // Below the shorter monitor, half on the taller one.
        QVERIFY(!OnMonitors(QRect(970, 700, 100, 100), {kLeft, kRight}));
    }

    void panelGoesBelowTheMascotOrAboveItWhenThereIsNoRoom_data()
    {
        QTest::addColumn<QRect>("mascot");
        QTest::addColumn<QRect>("expected");
        // The designed place: 40 pixels to the left, 107 below the mascot's
        // top (7 below its bottom edge); the frame is 187 x 137.
        QTest::newRow("room below") << QRect(400, 300, 100, 100) << QRect(360, 407, 187, 137);
        QTest::newRow("at the bottom") << QRect(400, 668, 100, 100) << QRect(360, 524, 187, 137);
        QTest::newRow("bottom right corner") << QRect(924, 668, 100, 100) << QRect(837, 524, 187, 137);
        QTest::newRow("left edge") << QRect(0, 100, 100, 100) << QRect(0, 207, 187, 137);
        QTest::newRow("right monitor's left edge")
            << QRect(1024, 100, 100, 100) << QRect(1024, 207, 187, 137);
    }
    void panelGoesBelowTheMascotOrAboveItWhenThereIsNoRoom()
    {
        QFETCH(QRect, mascot);
        QFETCH(QRect, expected);
        const QRect designed(mascot.left() - 40, mascot.top() + 107, 187, 137);
        const QRect area = mascot.left() >= 1024 ? kRight : kLeft;
        QCOMPARE(PlacePanel(designed, mascot, area), expected);
    }

    void panelTooTallForEitherSideStaysOnTheMonitorTitleBarFirst()
    {
        const QRect area(0, 0, 300, 200);
        const QRect placed = PlacePanel(QRect(60, 157, 187, 137), QRect(100, 50, 100, 100), area);
        QCOMPARE(placed, QRect(60, 63, 187, 137));
        // Larger than the monitor: the top-left corner stays on it.
        QCOMPARE(FitInto(QRect(-50, -50, 400, 300), area).topLeft(), QPoint(0, 0));
    }

    void placeAwayMovesJustClearOfOtherWindows()
    {
        const QRect area(0, 0, 1024, 768);
        const QRect dialog(417, 315, 190, 139);
        // Nothing in the way: where it was wanted.
        QCOMPARE(PlaceAway(dialog, {QRect(0, 0, 100, 100)}, area), dialog);
        // Over another dialog in the middle: beside it, not above or below,
        // the way that moves it least.
        const QRect other(412, 274, 200, 219);
        const QRect beside = PlaceAway(dialog, {other}, area);
        QVERIFY(!beside.intersects(other));
        QCOMPARE(beside.top(), dialog.top());
        QCOMPARE(beside.right(), other.left() - 1);
        // A board over the panel's buttons goes just clear of the panel, by
        // the shortest way (here 55 pixels to the right).
        const QRect board(391, 366, 244, 39);
        const QRect panel(259, 287, 187, 137);
        QCOMPARE(PlaceAway(board, {panel}, area), QRect(446, 366, 244, 39));
        // Hemmed in by the monitor's edge: the other side.
        const QRect atEdge(900, 300, 120, 100);
        const QRect placed = PlaceAway(QRect(950, 320, 60, 40), {atEdge}, area);
        QVERIFY(area.contains(placed) && !placed.intersects(atEdge));
    }

    void placeAwayWithNoFreePlaceCoversTheLeast()
    {
        const QRect area(0, 0, 300, 200);
        const QList<QRect> others{QRect(0, 0, 300, 150)};
        const QRect placed = PlaceAway(QRect(100, 50, 100, 100), others, area);
        QVERIFY(area.contains(placed));
        QCOMPARE(placed.top(), 100); // only 50 rows of it still covered
    }

    void mascotEdgeRuleOnAMonitorOffTheOrigin_data()
    {
        QTest::addColumn<TwipsPoint>("at");
        QTest::addColumn<TwipsPoint>("expected");
        // The right monitor in twips: 15360 .. 34560 across, 0 .. 15360 down.
        QTest::newRow("inside") << TwipsPoint{20000, 3000} << TwipsPoint{20000, 3000};
        QTest::newRow("past its left edge") << TwipsPoint{15000, 3000} << TwipsPoint{15360, 3000};
        QTest::newRow("past its bottom right") << TwipsPoint{34000, 15000} << TwipsPoint{33060, 13860};
    }
    void mascotEdgeRuleOnAMonitorOffTheOrigin()
    {
        QFETCH(TwipsPoint, at);
        QFETCH(TwipsPoint, expected);
        QCOMPARE(KeepWithin(at, 1500, 1500, QRectF(15360, 0, 19200, 15360)), expected);
    }

    void mascotWiderThanItsMonitorEndsFlushRight()
    {
        // Left first, right last: Left goes past the monitor's left edge.
        const TwipsPoint kept = KeepWithin({16000, 0}, 1500, 1500, QRectF(15360, 0, 900, 1200));
        QCOMPARE(kept, (TwipsPoint{14760, -300}));
    }
};

QTEST_GUILESS_MAIN(PlacementTest)
#include "placement_test.moc"
