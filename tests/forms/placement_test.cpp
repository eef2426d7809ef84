#include "forms/placement.h"

#include <QTest>

namespace {
// Two monitors side by side, the right one taller.
const QRect kLeft(0, 0, 1024, 768);
const QRect kRight(1024, 0, 1280, 1024);
// The panel's frame, 40 pixels left of the mascot and 7 below it.
QRect designedPanel(const QRect& mascot)
{
    return QRect(mascot.left() - 40, mascot.top() + 107, 187, 137);
}
} // namespace

class PlacementTest final : public QObject
{
    Q_OBJECT
private slots:
    void monitorHoldingMostOrNearest()
    {
        const QList<QRect> both{kLeft, kRight};
        QCOMPARE(MonitorHolding(QRect(970, 300, 100, 100), both), 0); // more on the left
        QCOMPARE(MonitorHolding(QRect(1000, 300, 100, 100), both), 1);
        QCOMPARE(MonitorHolding(QRect(900, 900, 100, 100), both), 1); // on neither: the nearer
        QCOMPARE(MonitorHolding(QRect(100, -500, 100, 100), both), 0);
        QCOMPARE(MonitorHolding(QRect(0, 0, 10, 10), {}), -1);
        // Below the shorter monitor, half on the taller one: not on screen.
        QVERIFY(OnMonitors(QRect(970, 300, 100, 100), both));
        QVERIFY(!OnMonitors(QRect(970, 700, 100, 100), both));
    }

    void panelBelowTheMascotElseAboveItAndInwardAtTheSides()
    {
        auto place = [](QRect mascot, QRect area) { return PlacePanel(designedPanel(mascot), mascot, area); };
        QCOMPARE(place(QRect(400, 300, 100, 100), kLeft), QRect(360, 407, 187, 137));
        QCOMPARE(place(QRect(400, 668, 100, 100), kLeft), QRect(360, 524, 187, 137));
        QCOMPARE(place(QRect(924, 668, 100, 100), kLeft), QRect(837, 524, 187, 137));
        QCOMPARE(place(QRect(0, 100, 100, 100), kLeft), QRect(0, 207, 187, 137));
        QCOMPARE(place(QRect(1024, 100, 100, 100), kRight), QRect(1024, 207, 187, 137));
        // Room neither below nor above: as low as it fits.
        QCOMPARE(place(QRect(100, 50, 100, 100), QRect(0, 0, 300, 200)), QRect(60, 63, 187, 137));
        // Larger than the monitor: its title bar stays on it.
        QCOMPARE(FitInto(QRect(-50, -50, 400, 300), QRect(0, 0, 300, 200)).topLeft(), QPoint(0, 0));
    }

    void placeAwayMovesTheShortestWayClearOfOthers()
    {
        const QRect area(0, 0, 1024, 768);
        const QRect dialog(417, 315, 190, 139);
        QCOMPARE(PlaceAway(dialog, {QRect(0, 0, 100, 100)}, area), dialog);
        // Over a taller dialog in the middle: beside it rather than above,
        // though that is a little nearer.
        QCOMPARE(PlaceAway(dialog, {QRect(412, 274, 200, 219)}, area), QRect(222, 315, 190, 139));
        // A board over the panel's buttons: 55 pixels to its right.
        QCOMPARE(PlaceAway(QRect(391, 366, 244, 39), {QRect(259, 287, 187, 137)}, area),
                 QRect(446, 366, 244, 39));
        // Against the monitor's edge: the other way.
        QCOMPARE(PlaceAway(QRect(950, 320, 60, 40), {QRect(900, 300, 120, 100)}, area),
                 QRect(840, 320, 60, 40));
        // No free place: the one that covers least.
        QCOMPARE(PlaceAway(QRect(100, 50, 100, 100), {QRect(0, 0, 300, 150)}, QRect(0, 0, 300, 200)),
                 QRect(100, 100, 100, 100));
    }

    void mascotEdgeRuleOnAMonitorAwayFromTheOrigin()
    {
        // The right monitor in twips: 15360 to 34560 across, 0 to 15360 down.
        const QRectF right(15360, 0, 19200, 15360);
        QCOMPARE(KeepWithin({20000, 3000}, 1500, 1500, right), (TwipsPoint{20000, 3000}));
        QCOMPARE(KeepWithin({15000, 3000}, 1500, 1500, right), (TwipsPoint{15360, 3000}));
        QCOMPARE(KeepWithin({34000, 15000}, 1500, 1500, right), (TwipsPoint{33060, 13860}));
        // Wider than the monitor: left first, right last, so Left goes past
        // the monitor's left edge.
        QCOMPARE(KeepWithin({16000, 0}, 1500, 1500, QRectF(15360, 0, 900, 1200)), (TwipsPoint{14760, -300}));
    }
};

QTEST_GUILESS_MAIN(PlacementTest)
#include "placement_test.moc"
