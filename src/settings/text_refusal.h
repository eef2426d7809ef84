#pragma once

#include "settings/settings_files.h"

#include <QString>
#include <initializer_list>

class Program;
class QLineEdit;
class QWidget;

// One text box of a dialog and the name the user knows it by.
struct TextField
{
    QString name;
    QLineEdit* box = nullptr;
};

/// Whether every box's text can go to `store` unchanged. When one cannot,
/// shows one error box (through the program's Prompts) that names what each
/// such box cannot keep, puts the focus in the first of them and returns
/// false; the boxes keep their text.
bool AcceptStorableText(Program& program, QWidget* dialog, std::initializer_list<TextField> fields,
                        TextStore store);
