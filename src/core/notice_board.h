#pragma once

#include "core/form.h"
#include "ui_notice_board.h"

#include <QWidget>

class Program;

// The new-mail notice board: one line with the message and the number of
// messages on the server. Created by the check's first write into it; it
// comes up topmost at once. Closing it ends the alert state.
class MsgForm final : public QWidget, public Form, public Ui::MsgForm
{
    Q_OBJECT
public:
    explicit MsgForm(Program& program);
    ~MsgForm() override;

    void Form_Load() override;
    void Form_Unload() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    Program& m_program;
};
