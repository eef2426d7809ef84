#pragma once

#include <QList>
#include <QRect>
#include <QRectF>
#include <QtGlobal>

// Where windows go on a desktop of one or more monitors: plain arithmetic on
// rectangles in pixels (the mascots' edge rule in twips), so that it is
// tested without a display. Rectangles are whole frames, window manager
// decoration included.

/// The monitor holding the largest part of `window`; when none holds any of
/// it, the nearest one. -1 when there is no monitor.
int MonitorHolding(const QRect& window, const QList<QRect>& monitors);

/// Whether every pixel of `window` lies on one of the monitors.
bool OnMonitors(const QRect& window, const QList<QRect>& monitors);

/// `frame` moved into `area` as little as possible. A frame larger than the
/// area keeps its top-left corner (title bar and close box) in the area.
QRect FitInto(QRect frame, const QRect& area);

/// The main panel's frame: `designed` (its place beside the mascot) moved
/// just as far as it must to lie wholly in `area`. When it does not fit
/// below the mascot it goes above it, the same distance away.
QRect PlacePanel(const QRect& designed, const QRect& mascot, const QRect& area);

/// `wanted` moved to the nearest place in `area` where it covers none of
/// `others`; a sideways move counts for less than one up or down, so that
/// windows end up side by side. Where no such place exists, the place that
/// covers the least of them.
QRect PlaceAway(const QRect& wanted, const QList<QRect>& others, const QRect& area);

/// A position in whole twips.
struct TwipsPoint
{
    qint64 x = 0;
    qint64 y = 0;
    bool operator==(const TwipsPoint&) const = default;
};

/// The mascots' edge rule: the left and top edges first, then the right and
/// bottom ones, each compared as 32-bit floats in twips, so that a window
/// larger than `area` lines up with its right and bottom edges (and Left
/// goes below the area's left).
TwipsPoint KeepWithin(TwipsPoint at, float width, float height, const QRectF& area);
