#include "forms/program.h"

#include "forms/form_timer.h"
#include "forms/placement.h"
#include "forms/window_placement.h"

#include <QDir>
#include <QTimer>
#include <QWidget>

Program::Program(Environment environment, Services services)
    : m_environment(std::move(environment))
    , m_services(std::move(services))
    , m_handlers(m_services.prompts.get(), m_services.clock.get())
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
    for (FormTimer* timer : form->findChildren<FormTimer*>())
        timer->setPaused(true);
    for (QTimer* timer : form->findChildren<QTimer*>())
        timer->stop();
    forget(form);
    form->hide();
    m_handlers.deleteWhenDone(form);
    m_unloading.remove(form);
}

void Program::endProgram()
{
    for (QWidget* form : loadedForms())
        if (auto* hooks = dynamic_cast<Form*>(form))
            hooks->storeBeforeProgramEnds();
    if (m_environment.endProgram)
        m_environment.endProgram();
}
