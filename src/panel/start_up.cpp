// The settings steps that both the mascot's load and the main panel's load
// run, in this order; and the registry's accessors for the panel's windows.

#include "forms/program.h"
#include "panel/main_panel.h"
#include "panel/notice_board.h"
#include "settings/id_pass_form.h"
#include "settings/option_form.h"
#include "settings/server_trust_file.h"
#include "settings/set_form.h"
#include "settings/setting_flags.h"
#include "settings/setting_keys.h"
#include "settings/settings_files.h"

#include <QCheckBox>
#include <QLineEdit>

void Program::startUp()
{
    // Hang-up preference: reaching the preferences dialog's box loads the
    // dialog, whose interval box loads the main panel (hidden) in turn.
    ApplySettingFlag(ReadSettingInt(PreferencesFile(programFolder()), SettingKey::HangUpAfterCheck),
                     [this] { return setForm()->Check1; });
    // A hang-up flag other than 0 or 1 reaches neither window above; the
    // panel, whose timers run the scheduled checks, is created all the same.
    setForm();
    mainForm();

    ImportMailerSettings(currentDirectory(), Mailer);

    if (!m_serverTrust) {
        m_serverTrust = std::make_unique<ServerTrustFile>(ServersFile(programFolder()));
        m_mail.setServerTrust(m_serverTrust.get());
    }
    m_mail.NMailInitializeWinSock();
    m_mail.NMailSetOption(1, 8192);

    if (Mailer.PopServer.isEmpty())
        showForm(optionForm());

    IdPassForm* account = idPassForm();
    if (account->IdText->text().isEmpty() || account->PassText->text().isEmpty())
        showForm(account);
}

MainForm* Program::mainForm()
{
    return reach<MainForm>(m_mainForm);
}

MainForm* Program::loadedMainForm() const
{
    return static_cast<MainForm*>(m_mainForm.data());
}

MsgForm* Program::msgForm()
{
    return reach<MsgForm>(m_msgForm);
}

MsgForm* Program::loadedMsgForm() const
{
    return static_cast<MsgForm*>(m_msgForm.data());
}
