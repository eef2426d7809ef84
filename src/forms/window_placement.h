#pragma once

class QWidget;

// Moves a top-level window so that it sits in the centre of the primary
// screen's available area.
void CentreOnScreen(QWidget* window);
