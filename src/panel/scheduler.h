#pragma once

#include <QString>

// The arithmetic of the automatic checks. The counters live as texts in two
// hidden boxes of the main panel; these functions read and write those texts.

// One seconds tick: closes the window of minutes that reached the interval,
// then counts a second, or a minute after every 61 ticks. Returns true when
// this tick raised the minutes counter to or past the interval: it opens a
// check window, which lasts until the next tick.
//
// The minutes counter goes back to "0" once it has reached or passed the
// interval, not only on equality: otherwise an interval lowered below the
// minutes already counted (10 -> 3 at minute 5) would never be matched again
// and automatic checks would silently stop while the panel still says "ON".
//
// Only a tick that raises the counter opens a window. An interval lowered
// below the minutes already counted is otherwise due at once, and typing
// "15" over "20" passes through "1": the poll would log in in the middle of
// the typing. So a lowered interval takes effect at the next raise.
bool SecondsTick(const QString& intervalText, QString& elapsedSeconds, QString& elapsedMinutes);

// Whether the minutes counter stands in a check window: the interval is
// above 0 and the counter has reached or passed it. The counter only holds whole
// numbers, so a fractional interval (2.5) opens its window at the next whole
// minute (3) instead of never.
bool CheckDue(const QString& intervalText, const QString& elapsedMinutes);
