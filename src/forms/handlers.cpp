#include "forms/handlers.h"

#include "forms/form.h"
#include "forms/wait.h"

#include <QScopeGuard>
#include <QWidget>
#include <algorithm>

bool Handlers::running(QWidget* form) const
{
    return std::find(m_running.begin(), m_running.end(), form) != m_running.end();
}

void Handlers::run(QWidget* form, const std::function<void()>& handler)
{
    m_running.push_back(form);
    auto leave = qScopeGuard([this, form] {
        m_running.pop_back();
        if (m_unloadedRunning.contains(form) && !running(form)) {
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

void Handlers::deleteWhenDone(QWidget* form)
{
    if (running(form))
        m_unloadedRunning.insert(form); // deleted when its last handler ends
    else
        form->deleteLater();
}

void Handlers::abandonIfUnloaded() const
{
    if (!m_running.empty() && m_unloadedRunning.contains(m_running.back()))
        throw HandlerAbandoned{};
}

Prompts::Answer Handlers::messageBox(QWidget* parent, const QString& text, const QString& title,
                                     Prompts::Buttons buttons, Prompts::Icon icon)
{
    if (parent && !parent->isVisible())
        parent = nullptr; // a hidden window would put the box in a corner
    const Prompts::Answer answer =
        m_prompts ? m_prompts->messageBox(parent, text, title, buttons, icon) : Prompts::Answer::Ok;
    abandonIfUnloaded();
    return answer;
}

void Handlers::notify(QWidget* parent, const QString& text, const QString& title)
{
    if (parent && !parent->isVisible())
        parent = nullptr;
    if (m_prompts)
        m_prompts->notify(parent, text, title);
}

void Handlers::Wait(int milliseconds)
{
    WaitOnClock(*m_clock, milliseconds);
    abandonIfUnloaded();
}
