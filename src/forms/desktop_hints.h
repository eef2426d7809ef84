#pragma once

#include <QMargins>
#include <optional>

class QWidget;

// What the program tells the window manager beyond what Qt says for it, and
// what it asks it. Without a window system that has these (another
// platform, the offscreen one of the tests) both do nothing.

/// Keeps `window` out of task bars and pagers. Call it before every show:
/// a window manager forgets the state when the window is hidden.
void KeepOutOfTaskbar(QWidget* window);

/// The frame the window manager gives a fixed-size window of the program,
/// in the program's pixels, when it says so before any window is shown; none
/// without a window manager that answers.
std::optional<QMargins> AskFrameMargins();
