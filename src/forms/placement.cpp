#include "forms/placement.h"

#include "base/text_value.h"

#include <QRegion>
#include <limits>

namespace {
qint64 overlap(const QRect& a, const QRect& b)
{
    const QRect common = a.intersected(b);
    return common.isEmpty() ? 0 : qint64(common.width()) * common.height();
}

// The gap between two rectangles along one axis; 0 when they meet or overlap.
qint64 gap(int aStart, int aEnd, int bStart, int bEnd)
{
    return std::max<qint64>({0, qint64(bStart) - aEnd, qint64(aStart) - bEnd});
}

qint64 distanceSquared(const QRect& a, const QRect& b)
{
    const qint64 dx = gap(a.left(), a.left() + a.width(), b.left(), b.left() + b.width());
    const qint64 dy = gap(a.top(), a.top() + a.height(), b.top(), b.top() + b.height());
    return dx * dx + dy * dy;
}

qint64 covered(const QRect& frame, const QList<QRect>& others)
{
    qint64 total = 0;
    for (const QRect& other : others)
        total += overlap(frame, other);
    return total;
}
} // namespace

int MonitorHolding(const QRect& window, const QList<QRect>& monitors)
{
    int best = -1;
    qint64 bestOverlap = 0;
    qint64 bestDistance = std::numeric_limits<qint64>::max();
    for (int i = 0; i < monitors.size(); ++i) {
        const qint64 shared = overlap(window, monitors[i]);
        const qint64 distance = shared > 0 ? 0 : distanceSquared(window, monitors[i]);
        if (shared > bestOverlap || (bestOverlap == 0 && shared == 0 && distance < bestDistance)) {
            best = i;
            bestOverlap = shared;
            bestDistance = distance;
        }
    }
    return best;
}

bool OnMonitors(const QRect& window, const QList<QRect>& monitors)
{
    QRegion screens;
    for (const QRect& monitor : monitors)
        screens += monitor;
    return QRegion(window).subtracted(screens).isEmpty();
}

QRect FitInto(QRect frame, const QRect& area)
{
    // Right and bottom first, so that the left and top rules have the last
    // word when the frame is larger than the area.
    if (frame.right() > area.right())
        frame.moveRight(area.right());
    if (frame.bottom() > area.bottom())
        frame.moveBottom(area.bottom());
    if (frame.left() < area.left())
        frame.moveLeft(area.left());
    if (frame.top() < area.top())
        frame.moveTop(area.top());
    return frame;
}

QRect PlacePanel(const QRect& designed, const QRect& mascot, const QRect& area)
{
    QRect frame = designed;
    if (frame.bottom() > area.bottom()) {
        // No room below: as far above the mascot as it was meant to be below.
        const int distance = std::max(0, designed.top() - (mascot.bottom() + 1));
        QRect above = designed;
        above.moveBottom(mascot.top() - 1 - distance);
        if (above.top() >= area.top())
            frame = above;
    }
    return FitInto(frame, area);
}

QRect PlaceAway(const QRect& wanted, const QList<QRect>& others, const QRect& area)
{
    const QRect start = FitInto(wanted, area);
    if (covered(start, others) == 0)
        return start;

    // The places worth trying: where the frame is now, against each edge of
    // the area and just beside each edge of every other window.
    QList<int> xs{start.left(), area.left(), area.right() - start.width() + 1};
    QList<int> ys{start.top(), area.top(), area.bottom() - start.height() + 1};
    for (const QRect& other : others) {
        xs << other.left() - start.width() << other.right() + 1;
        ys << other.top() - start.height() << other.bottom() + 1;
    }
    QRect best = start;
    qint64 bestCovered = covered(start, others);
    qint64 bestCost = 0;
    for (int x : xs) {
        for (int y : ys) {
            const QRect candidate = FitInto(QRect(QPoint(x, y), start.size()), area);
            const qint64 dx = candidate.left() - start.left();
            const qint64 dy = candidate.top() - start.top();
            // Screens are wider than tall: a move up or down counts double.
            const qint64 cost = dx * dx + 4 * dy * dy;
            const qint64 hidden = covered(candidate, others);
            if (hidden < bestCovered || (hidden == bestCovered && cost < bestCost)) {
                best = candidate;
                bestCovered = hidden;
                bestCost = cost;
            }
        }
    }
    return best;
}

TwipsPoint KeepWithin(TwipsPoint at, float width, float height, const QRectF& area)
{
    const float left = float(area.left());
    const float top = float(area.top());
    const float right = float(area.left() + area.width());
    const float bottom = float(area.top() + area.height());
    if (float(at.x) < left)
        at.x = RoundHalfEven(left);
    if (float(at.y) < top)
        at.y = RoundHalfEven(top);
    if (float(at.x) + width > right)
        at.x = RoundHalfEven(right - width);
    if (float(at.y) + height > bottom)
        at.y = RoundHalfEven(bottom - height);
    return at;
}
