#include "core/program.h"

#include "core/form.h"
#include "core/main_panel.h"
#include "core/notice_board.h"
#include "core/text_value.h"
#include "core/wait.h"
#include "mascot/primary_mascot.h"
#include "mascot/secondary_mascot.h"
#include "settings/id_pass_form.h"
#include "settings/option_form.h"
#include "settings/set_form.h"
#include "settings/setting_flags.h"

#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QScopeGuard>
#include <QTimer>

#include <algorithm>

Program::Program(Environment environment, Services services)
    : m_environment(std::move(environment))
    , m_services(std::move(services))
{
}

Program::~Program()
{
    // Leaving the program runs no unload handler: the windows just go.
    const QList<QWidget*> forms{m_form1.data(),   m_form3.data(),      m_mainForm.data(),  m_msgForm.data(),
                                m_setForm.data(), m_optionForm.data(), m_idPassForm.data()};
    for (QWidget* form : forms)
        delete form;
}

QString Program::currentDirectory() const
{
    return m_environment.currentDirectory ? m_environment.currentDirectory() : QDir::currentPath();
}

QString Program::preferencesFile() const
{
    return PreferencesFile(programFolder());
}

QString Program::accountFile() const
{
    return AccountFile(programFolder());
}

int Program::mciSendString(const QString& command, QString* reply)
{
    return m_services.sound ? m_services.sound->sendString(command, reply) : 263;
}

void Program::openAndPlayAlertTune()
{
    // Joined as text: a folder path that already ends in a separator gives two.
    // The path stays Unicode on its way to the device, so the tune plays from
    // a folder whose name the settings files' code page could not hold.
    const QString tune = programFolder() + QDir::separator() + QStringLiteral("Sound") + QDir::separator() +
                         QStringLiteral("Kouka.mid");
    MciResult = mciSendString(QStringLiteral("open \"") + tune + QStringLiteral("\" alias bgm"));
    MciResult = mciSendString(QStringLiteral("play bgm"));
}

void Program::stopAndCloseAlertTune()
{
    MciResult = mciSendString(QStringLiteral("stop bgm"));
    MciResult = mciSendString(QStringLiteral("close bgm"));
}

template <class F>
F* Program::reach(QPointer<F>& slot)
{
    if (slot)
        return slot.data();
    auto* form = new F(*this);
    slot = form; // registered before its load, so nested reaches find it
    static_cast<Form*>(form)->Form_Load();
    return form;
}

Form1* Program::form1()
{
    return reach(m_form1);
}

Form3* Program::form3()
{
    return reach(m_form3);
}

MainForm* Program::mainForm()
{
    return reach(m_mainForm);
}

MsgForm* Program::msgForm()
{
    return reach(m_msgForm);
}

SetForm* Program::setForm()
{
    return reach(m_setForm);
}

OptionForm* Program::optionForm()
{
    return reach(m_optionForm);
}

IdPassForm* Program::idPassForm()
{
    return reach(m_idPassForm);
}

Form1* Program::loadedForm1() const
{
    return m_form1.data();
}

Form3* Program::loadedForm3() const
{
    return m_form3.data();
}

MainForm* Program::loadedMainForm() const
{
    return m_mainForm.data();
}

MsgForm* Program::loadedMsgForm() const
{
    return m_msgForm.data();
}

SetForm* Program::loadedSetForm() const
{
    return m_setForm.data();
}

OptionForm* Program::loadedOptionForm() const
{
    return m_optionForm.data();
}

IdPassForm* Program::loadedIdPassForm() const
{
    return m_idPassForm.data();
}

void Program::showForm(QWidget* form)
{
    form->show();
    form->raise();
    form->activateWindow();
}

bool Program::forget(QWidget* form)
{
    bool found = false;
    auto drop = [&](auto& slot) {
        if (slot.data() == form) {
            slot.clear();
            found = true;
        }
    };
    drop(m_form1);
    drop(m_form3);
    drop(m_mainForm);
    drop(m_msgForm);
    drop(m_setForm);
    drop(m_optionForm);
    drop(m_idPassForm);
    return found;
}

void Program::unload(QWidget* form)
{
    auto* hooks = dynamic_cast<Form*>(form);
    if (!form || !hooks || m_unloading.contains(form))
        return;
    m_unloading.insert(form);
    hooks->Form_Unload();
    // Stop the window's timers now: a deleted-later window must not tick.
    for (QTimer* timer : form->findChildren<QTimer*>())
        timer->stop();
    forget(form);
    form->hide();
    if (std::find(m_handlers.begin(), m_handlers.end(), form) != m_handlers.end())
        m_unloadedRunning.insert(form); // deleted when its last handler ends
    else
        form->deleteLater();
    m_unloading.remove(form);
}

void Program::runHandler(QWidget* form, const std::function<void()>& handler)
{
    m_handlers.push_back(form);
    auto leave = qScopeGuard([this, form] {
        m_handlers.pop_back();
        if (m_unloadedRunning.contains(form) &&
            std::find(m_handlers.begin(), m_handlers.end(), form) == m_handlers.end()) {
            m_unloadedRunning.remove(form);
            form->deleteLater();
        }
    });
    try {
        handler();
    } catch (const HandlerAbandoned&) {
        // Its window was unloaded while it waited: nothing more to do.
    }
}

void Program::abandonIfUnloaded() const
{
    if (!m_handlers.empty() && m_unloadedRunning.contains(m_handlers.back()))
        throw HandlerAbandoned{};
}

Prompts::Answer Program::messageBox(QWidget* parent, const QString& text, const QString& title,
                                    Prompts::Buttons buttons, Prompts::Icon icon)
{
    if (parent && !parent->isVisible())
        parent = nullptr; // a hidden window would put the box in a corner
    const Prompts::Answer answer =
        m_services.prompts ? m_services.prompts->messageBox(parent, text, title, buttons, icon) : Prompts::Answer::Ok;
    abandonIfUnloaded();
    return answer;
}

void Program::endProgram()
{
    if (MainForm* panel = loadedMainForm())
        panel->storeSettings();
    if (SetForm* preferences = loadedSetForm(); preferences && preferences->isVisible())
        preferences->storeSettings();
    if (m_environment.endProgram)
        m_environment.endProgram();
}

void Program::Wait(int milliseconds)
{
    WaitOnClock(*m_services.clock, milliseconds);
    abandonIfUnloaded();
}

void Program::startUp()
{
    // Hang-up preference: reaching the preferences dialog's box loads the
    // dialog, whose interval box loads the main panel (hidden) in turn.
    ApplySettingFlag(ReadSettingInt(preferencesFile(), QStringLiteral("NUMBER")),
                     [this] { return setForm()->Check1; });
    // A hang-up flag other than 0 or 1 reaches neither window above; the
    // panel, whose timers run the scheduled checks, is created all the same.
    setForm();
    mainForm();

    ImportMailerSettings(currentDirectory(), Mailer);

    m_mail.NMailInitializeWinSock();
    m_mail.NMailSetOption(1, 8192);

    if (Mailer.PopServer.isEmpty())
        showForm(optionForm());

    IdPassForm* account = idPassForm();
    if (account->IdText->text().isEmpty() || account->PassText->text().isEmpty())
        showForm(account);
}
