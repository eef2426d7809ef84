#pragma once

#include "platform/prompts.h"

#include <QObject>
#include <QSet>
#include <functional>
#include <vector>

class Clock;
class QWidget;

// Runs the windows' event handlers and the two ways a handler waits while
// events go on: a message box and Wait.
//
// A handler can sit in a Wait or a message box while a nested event unloads
// its window. So a window is deleted only once none of its handlers is on
// the stack, and a handler whose window was unloaded while it waited is
// abandoned when it resumes (see HandlerAbandoned): it does nothing more.
class Handlers
{
public:
    Handlers(Prompts* prompts, Clock* clock)
        : m_prompts(prompts)
        , m_clock(clock)
    {
    }

    /// Runs `handler`, an event handler of `form`. While it runs the window
    /// outlives an unload; a handler abandoned after its window was unloaded
    /// ends quietly here.
    void run(QWidget* form, const std::function<void()>& handler);

    /// Connects `signal` of `sender` to `form`'s `handler`, run under run().
    /// The handler is passed on by reference, which leaves the lambda small
    /// enough to need no allocation: some timers' handlers run 50 times a
    /// second.
    template <class Sender, class Signal, class Window>
    void connect(Sender* sender, Signal signal, Window* form, void (Window::*handler)())
    {
        QObject::connect(sender, signal, form,
                         [this, form, handler] { run(form, [&] { (form->*handler)(); }); });
    }
    /// As above, for a handler that takes the signal's one argument (a code).
    template <class Sender, class Signal, class Window, class Arg>
    void connect(Sender* sender, Signal signal, Window* form, void (Window::*handler)(Arg))
    {
        QObject::connect(sender, signal, form,
                         [this, form, handler](Arg value) { run(form, [&] { (form->*handler)(value); }); });
    }
    /// As above, for a handler of a control array: it gets the control's
    /// `index`, whatever the signal carries.
    template <class Sender, class Signal, class Window>
    void connect(Sender* sender, Signal signal, Window* form, void (Window::*handler)(int), int index)
    {
        QObject::connect(sender, signal, form,
                         [this, form, handler, index] { run(form, [&] { (form->*handler)(index); }); });
    }

    /// Deletes the unloaded `form` later: at once when none of its handlers
    /// runs, else when the last of them ends.
    void deleteWhenDone(QWidget* form);

    /// Shows a message box through the prompts service and returns the
    /// answer (OK without a service). A hidden parent is passed as none, as
    /// it would put the box in a corner. Abandons the running handler if its
    /// window was unloaded while the box was up.
    Prompts::Answer messageBox(QWidget* parent, const QString& text, const QString& title,
                               Prompts::Buttons buttons, Prompts::Icon icon);
    /// Shows a box through the prompts service that does not wait for its
    /// OK (Prompts::notify).
    void notify(QWidget* parent, const QString& text, const QString& title);
    /// Blocks the caller for `milliseconds` while window events go on being
    /// handled (handlers may run nested inside). Sleeps between events.
    /// Abandons the running handler if its window was unloaded meanwhile.
    void Wait(int milliseconds);

private:
    bool running(QWidget* form) const;
    void abandonIfUnloaded() const;

    Prompts* m_prompts;
    Clock* m_clock;
    // Handlers running now, innermost last, by their window.
    std::vector<QWidget*> m_running;
    // Unloaded windows kept alive until their running handlers have ended.
    QSet<QWidget*> m_unloadedRunning;
};
