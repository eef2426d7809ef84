#pragma once

#include "forms/form.h"

#include <QDialog>
#include <memory>

class Program;
class QLineEdit;

namespace Ui {
class IdPassForm;
}

// The account dialog: the POP3 account name and password, and whether to
// save them in the account file. Its two boxes are also where the start-up
// and the mail check look at and put the saved account.
class IdPassForm final : public QDialog, public Form
{
    Q_OBJECT
public:
    explicit IdPassForm(Program& program);
    ~IdPassForm() override;

    void Form_Load() override;

    void OkCommand_Click();
    void CancelCommand_Click();

    QLineEdit* IdText;   // account name
    QLineEdit* PassText; // password, shown as asterisks

    // Esc and the close box both end here: they cancel.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    std::unique_ptr<Ui::IdPassForm> m_ui;
    Program& m_program;
};
