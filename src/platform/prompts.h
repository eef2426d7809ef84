#pragma once

#include <QRect>
#include <QString>
#include <functional>

class QWidget;

// Message boxes. The production service shows a modal box (plain text,
// never rich text: a server's words are shown as they are); tests record.
class Prompts
{
public:
    // YesNoDefaultNo: a warning, where only a deliberate "Yes" goes on.
    enum class Buttons
    {
        Ok,
        YesNo,
        YesNoDefaultNo
    };
    enum class Icon
    {
        None,
        Question,
        Exclamation
    };
    enum class Answer
    {
        Ok,
        Yes,
        No
    };

    virtual ~Prompts() = default;
    /// Shows `text` under `title` and returns the button the user pressed.
    /// An empty title means the application's default title.
    virtual Answer messageBox(QWidget* parent, const QString& text, const QString& title, Buttons buttons,
                              Icon icon) = 0;
    /// Shows `text` under `title` with an OK button, without waiting: the
    /// box stays until the user closes it. A box of the same title that an
    /// earlier call left open takes the new text and comes forward, so boxes
    /// nobody answers never pile up.
    virtual void notify(QWidget* parent, const QString& text, const QString& title) = 0;

    /// The area a box is centred in: the available area of the monitor the
    /// program's windows are on. Set by the program; unset, the toolkit
    /// places the box.
    std::function<QRect()> centreArea;
};
