#include "settings/option_form.h"

#include "forms/program.h"
#include "forms/window_placement.h"
#include "settings/settings_files.h"
#include "settings/text_refusal.h"
#include "ui_option_form.h"

#include <QDir>

OptionForm::OptionForm(Program& program)
    : QDialog(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                           Qt::WindowStaysOnTopHint)
    , m_ui(std::make_unique<Ui::OptionForm>())
    , m_program(program)
{
    m_ui->setupUi(this);
    SmtpText = m_ui->SmtpText;
    Pop3Text = m_ui->Pop3Text;
    MailText = m_ui->MailText;
    ApopCheck = m_ui->ApopCheck;
    MailText->setFocus(); // the first control in keyboard order
    connect(m_ui->OkCommand, &QPushButton::clicked, this, &OptionForm::OkCommand_Click);
    connect(m_ui->CancelCommand, &QPushButton::clicked, this, &OptionForm::CancelCommand_Click);
    m_program.placeDialog(this);
}

OptionForm::~OptionForm() = default;

void OptionForm::Form_Load()
{
    // The dialog exists only while it is on screen: it is created by being
    // shown, and comes up at once, above ordinary windows.
    show();
    raise();
    const MailerSettings& mailer = m_program.Mailer;
    SmtpText->setText(mailer.SmtpServer);
    Pop3Text->setText(mailer.PopServer);
    MailText->setText(mailer.MailAddress);
    // Any non-zero value means APOP to the mail check, so the box shows it.
    ApopCheck->setChecked(mailer.UseApop != 0);
    // Typing goes where something is missing.
    FocusFirstEmpty({SmtpText, Pop3Text, MailText});
}

void OptionForm::OkCommand_Click()
{
    // What kestra.ini could not give back unchanged is refused before any
    // setting changes.
    if (!AcceptStorableText(m_program, this,
                            {{QStringLiteral("SMTPサーバー名"), SmtpText},
                             {QStringLiteral("POP3サーバー名"), Pop3Text},
                             {QStringLiteral("メールアドレス"), MailText}},
                            TextStore::MailerFile))
        return;
    MailerSettings& mailer = m_program.Mailer;
    mailer.SmtpServer = SmtpText->text();
    mailer.PopServer = Pop3Text->text();
    mailer.MailAddress = MailText->text();
    mailer.UseApop = ApopCheck->isChecked() ? 1 : 0;
    // The new values are in effect for this run either way; the user is told
    // when they could not be kept for the next one.
    const QString folder = m_program.currentDirectory();
    if (!ExportMailerSettings(folder, mailer))
        m_program.messageBox(this,
                             QStringLiteral("%1 に設定を保存できませんでした。")
                                 .arg(QDir::toNativeSeparators(QDir(folder).filePath("kestra.ini"))),
                             QStringLiteral("エラー"), Prompts::Buttons::Ok, Prompts::Icon::Exclamation);
    m_program.unload(this);
}

void OptionForm::CancelCommand_Click()
{
    m_program.unload(this);
}

void OptionForm::reject()
{
    CancelCommand_Click();
}

OptionForm* Program::optionForm()
{
    return reach<OptionForm>(m_optionForm);
}

OptionForm* Program::loadedOptionForm() const
{
    return static_cast<OptionForm*>(m_optionForm.data());
}
