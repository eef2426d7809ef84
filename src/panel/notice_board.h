#pragma once

#include "forms/form.h"

#include <QWidget>
#include <memory>

class Program;
class QLineEdit;

namespace Ui {
class MsgForm;
}

// The new-mail notice board: one line with the message and the number of
// messages on the server. Created by the check's first write into it; it
// comes up topmost at once. Closing it ends the alert state.
class MsgForm final : public QWidget, public Form
{
    Q_OBJECT
public:
    explicit MsgForm(Program& program);
    ~MsgForm() override;

    void Form_Load() override;
    void Form_Unload() override;

    QLineEdit* Text1; // the message, "新着メールが有ります"
    QLineEdit* Text2; // the number of messages on the server

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    std::unique_ptr<Ui::MsgForm> m_ui;
    Program& m_program;
};
