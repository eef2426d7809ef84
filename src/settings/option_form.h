#pragma once

#include "forms/form.h"

#include <QDialog>
#include <memory>

class Program;
class QCheckBox;
class QLineEdit;

namespace Ui {
class OptionForm;
}

// The server dialog: SMTP server, POP3 server, mail address and APOP. It
// edits the program's server settings and, on OK, writes them to the
// companion mailer's kestra.ini. Always on top; Enter does not confirm it.
class OptionForm final : public QDialog, public Form
{
    Q_OBJECT
public:
    explicit OptionForm(Program& program);
    ~OptionForm() override;

    void Form_Load() override;

    void OkCommand_Click();
    void CancelCommand_Click();

    QLineEdit* SmtpText;
    QLineEdit* Pop3Text;
    QLineEdit* MailText;
    QCheckBox* ApopCheck;

    // Esc and the close box both end here: they cancel.
    void reject() override;

private:
    std::unique_ptr<Ui::OptionForm> m_ui;
    Program& m_program;
};
