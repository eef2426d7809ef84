#include "forms/program.h"

#include "forms/placement.h"
#include "forms/wait.h"
#include "forms/window_placement.h"

#include <QDir>
#include <QScopeGuard>
#include <QTimer>
#include <QWidget>

#include <algorithm>

Program::Program(Environment environment, Services services)
    : m_environment(std::move(environment))
    , m_services(std::move(services))
{
    if (m_services.prompts)
        m_services.prompts->centreArea = [this] { return homeArea(); };
}

Program::~Program()
{
    // Leaving the program runs no unload handler: the windows just go.
    qDeleteAll(loadedForms());
}

QList<QWidget*> Program::loadedForms() const
{
    QList<QWidget*> forms;
    for (const QPointer<QWidget>* slot :
         {&m_form1, &m_form3, &m_mainForm, &m_msgForm, &m_setForm, &m_optionForm, &m_idPassForm})
        if (*slot)
            forms.append(slot->data());
    return forms;
}

QString Program::currentDirectory() const
{
    return m_environment.currentDirectory ? m_environment.currentDirectory() : QDir::currentPath();
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

void Program::showForm(QWidget* form)
{
    form->show();
    form->raise();
    // The mascots take no keyboard focus, so that they leave it where it is.
    if (!(form->windowFlags() & Qt::WindowDoesNotAcceptFocus))
        form->activateWindow();
}

QRect Program::homeArea() const
{
    return HomeArea(m_mainForm.data(), m_form1.data());
}

QList<QRect> Program::openFrames(const QWidget* except) const
{
    QList<QRect> frames;
    for (const QWidget* form : loadedForms()) {
        // The mascot is on the desktop from the moment its load, which opens
        // the first dialogs, returns and it is shown.
        const bool comingUp = form == m_form1 && !form->testAttribute(Qt::WA_WState_ExplicitShowHide);
        if (form != except && (form->isVisible() || comingUp))
            frames.append(ExpectedFrame(form));
    }
    return frames;
}

void Program::placeDialog(QWidget* dialog)
{
    PlaceFrame(dialog, [this, dialog](QSize frame) {
        const QRect area = homeArea();
        return PlaceAway(CentredIn(frame, area), openFrames(dialog), area);
    });
}

bool Program::forget(QWidget* form)
{
    bool found = false;
    for (QPointer<QWidget>* slot :
         {&m_form1, &m_form3, &m_mainForm, &m_msgForm, &m_setForm, &m_optionForm, &m_idPassForm}) {
        if (slot->data() == form) {
            slot->clear();
            found = true;
        }
    }
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

void Program::notify(QWidget* parent, const QString& text, const QString& title)
{
    if (parent && !parent->isVisible())
        parent = nullptr;
    if (m_services.prompts)
        m_services.prompts->notify(parent, text, title);
}

void Program::endProgram()
{
    for (QWidget* form : loadedForms())
        if (auto* hooks = dynamic_cast<Form*>(form))
            hooks->storeBeforeProgramEnds();
    if (m_environment.endProgram)
        m_environment.endProgram();
}

void Program::Wait(int milliseconds)
{
    WaitOnClock(*m_services.clock, milliseconds);
    abandonIfUnloaded();
}
