#include "panel/start_up.h"

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

void StartUp(Program& program)
{
    // Hang-up preference: reaching the preferences dialog's box loads the
    // dialog, whose interval box loads the main panel (hidden) in turn.
    ApplySettingFlag(ReadSettingInt(PreferencesFile(program.programFolder()), SettingKey::HangUpAfterCheck),
                     [&program] { return program.setForm()->Check1; });
    // A hang-up flag other than 0 or 1 reaches neither window above; the
    // panel, whose timers run the scheduled checks, is created all the same.
    program.setForm();
    program.mainForm();

    ImportMailerSettings(program.currentDirectory(), program.Mailer);

    if (!program.serverTrust) {
        program.serverTrust = std::make_unique<ServerTrustFile>(ServersFile(program.programFolder()));
        program.mail().setServerTrust(program.serverTrust.get());
    }
    program.mail().NMailInitializeWinSock();
    program.mail().NMailSetOption(1, 8192);

    if (program.Mailer.PopServer.isEmpty())
        Program::showForm(program.optionForm());

    IdPassForm* account = program.idPassForm();
    if (account->IdText->text().isEmpty() || account->PassText->text().isEmpty())
        Program::showForm(account);
}
