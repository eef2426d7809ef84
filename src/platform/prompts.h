#pragma once

#include <QString>

class QWidget;

// Message boxes. The production service shows a modal box (plain text,
// never rich text: a server's words are shown as they are); tests record.
class Prompts
{
public:
    // YesNoDefaultNo: a warning, where only a deliberate "Yes" goes on.
    enum class Buttons { Ok, YesNo, YesNoDefaultNo };
    enum class Icon { None, Question, Exclamation };
    enum class Answer { Ok, Yes, No };

    virtual ~Prompts() = default;
    /// Shows `text` under `title` and returns the button the user pressed.
    /// An empty title means the application's default title.
    virtual Answer messageBox(QWidget* parent, const QString& text, const QString& title, Buttons buttons,
                              Icon icon) = 0;
};
