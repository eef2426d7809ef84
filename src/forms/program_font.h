#pragma once

#include <QFont>

// The windows are laid out for a 9-point proportional Japanese interface
// font, as on the desktops the layout was drawn for; a wider or larger font
// clips their captions. This is that font, with fallbacks.
QFont ProgramFont();

// Makes ProgramFont() the application's default font.
void UseProgramFont();
