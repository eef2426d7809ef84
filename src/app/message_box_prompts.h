#pragma once

#include "platform/prompts.h"

#include <QMessageBox>
#include <QPointer>
#include <map>

// The toolkit's message boxes, above every window of the program.
class MessageBoxPrompts final : public Prompts
{
public:
    Answer messageBox(QWidget* parent, const QString& text, const QString& title, Buttons buttons,
                      Icon icon) override;
    void notify(QWidget* parent, const QString& text, const QString& title) override;

private:
    // The boxes notify() left open, by title.
    std::map<QString, QPointer<QMessageBox>> m_notices;
};
