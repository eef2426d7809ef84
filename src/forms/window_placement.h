#pragma once

#include <QList>
#include <QRect>
#include <QSize>
#include <functional>
#include <initializer_list>

class QLineEdit;
class QWidget;

// Putting the program's windows on the desktop's monitors. A window's frame
// (the window manager's title bar and border) is known only once the
// window is on screen; until then it is expected to be the frame the window
// manager gave this window before, or another window of the program, or
// that it says it would give. The arithmetic is in forms/placement.h.

/// Every monitor's whole area, in pixels.
QList<QRect> MonitorGeometries();

/// The area free of panels and docks on the monitor that holds most of
/// `frame` (the primary monitor's when there is no monitor at all).
QRect AvailableAreaFor(const QRect& frame);

/// Where the program's windows without a place of their own come up: the
/// available area of the monitor of `panel` while it is on screen, else of
/// `mascot` (either may be null).
QRect HomeArea(const QWidget* panel, const QWidget* mascot);

/// The frame of `window`: as drawn when it is on screen and framed, else as
/// it is expected to be around its client area.
QRect ExpectedFrame(const QWidget* window);

/// A rectangle of `size` in the middle of `area`.
QRect CentredIn(QSize size, const QRect& area);

/// Gives the keyboard focus to the first of `boxes`, in reading order, that
/// is empty; false when none is.
bool FocusFirstEmpty(std::initializer_list<QLineEdit*> boxes);

/// Puts the frame of `window` where `place` says for the frame's size: at
/// once when the window is on screen, else when it is next shown. When the
/// window manager then frames it otherwise than expected, `place` runs once
/// more with the real frame. Each call replaces the previous `place`.
void PlaceFrame(QWidget* window, std::function<QRect(QSize frameSize)> place);
