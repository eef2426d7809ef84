#include "forms/desktop_hints.h"

// A window system without these hints: windows keep Qt's defaults, and
// frames are learnt from the first window shown.

void KeepOutOfTaskbar(QWidget*) {}

std::optional<QMargins> AskFrameMargins()
{
    return std::nullopt;
}
