#include "settings/id_pass_form.h"

#include "forms/program.h"
#include "forms/window_placement.h"
#include "settings/setting_keys.h"
#include "settings/settings_files.h"
#include "settings/text_refusal.h"
#include "ui_id_pass_form.h"

IdPassForm::IdPassForm(Program& program)
    : QDialog(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint)
    , m_ui(std::make_unique<Ui::IdPassForm>())
    , m_program(program)
{
    m_ui->setupUi(this);
    IdText = m_ui->IdText;
    PassText = m_ui->PassText;
    m_ui->Check1->setFocus(); // the first control in keyboard order
    connect(m_ui->OkCommand, &QPushButton::clicked, this, &IdPassForm::OkCommand_Click);
    connect(m_ui->CancelCommand, &QPushButton::clicked, this, &IdPassForm::CancelCommand_Click);
    // Apply the dialog's style sheet (the asterisk mask among it) now, not
    // only when it is first shown: the boxes are read and written hidden.
    ensurePolished();
    m_program.placeDialog(this);
}

IdPassForm::~IdPassForm() = default;

void IdPassForm::Form_Load()
{
    // The save box stays clear whatever the last save choice was.
    const QString account = AccountFile(m_program.programFolder());
    IdText->setText(ReadSettingText(account, SettingKey::AccountName, QString()));
    PassText->setText(ReadSettingText(account, SettingKey::AccountPassword, QString()));
}

void IdPassForm::OkCommand_Click()
{
    // The pair goes to the mail library in CP932, and into the account file
    // when the save box is ticked. What would arrive changed is refused here,
    // before any variable is set or anything is written.
    const TextStore store = m_ui->Check1->isChecked() ? TextStore::SettingsFile : TextStore::CodePageOnly;
    if (!AcceptStorableText(m_program, this,
                            {{QStringLiteral("ID"), IdText}, {QStringLiteral("パスワード"), PassText}},
                            store))
        return;
    m_program.AccountId = IdText->text();
    m_program.AccountPassword = PassText->text();
    const QString account = AccountFile(m_program.programFolder());
    if (m_ui->Check1->isChecked()) {
        // One replacement of the file: a name never stands with the
        // password of another (a kill or a full disk between the keys).
        WriteSettingTexts(account, {{SettingKey::AccountName, IdText->text()},
                                    {SettingKey::AccountPassword, PassText->text()},
                                    {SettingKey::AccountSaved, QStringLiteral("1")}});
    } else {
        // Only the choice is recorded; a pair saved earlier stays.
        WriteSettingText(account, SettingKey::AccountSaved, QStringLiteral("0"));
    }
    m_program.unload(this);
}

void IdPassForm::CancelCommand_Click()
{
    m_program.unload(this);
}

void IdPassForm::showEvent(QShowEvent* event)
{
    // Typing goes where something is missing.
    FocusFirstEmpty({IdText, PassText});
    QDialog::showEvent(event);
}

void IdPassForm::reject()
{
    CancelCommand_Click();
}

IdPassForm* Program::idPassForm()
{
    return reach<IdPassForm>(m_idPassForm);
}

IdPassForm* Program::loadedIdPassForm() const
{
    return static_cast<IdPassForm*>(m_idPassForm.data());
}
