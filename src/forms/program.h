#pragma once

#include "forms/form.h"
#include "forms/mailer_settings.h"
#include "mail/nmail.h"
#include "mail/server_trust.h"
#include "platform/services.h"

#include <QByteArray>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QSet>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

class QWidget;
class Form1;
class Form3;
class MainForm;
class MsgForm;
class SetForm;
class OptionForm;
class IdPassForm;

// The running program: its program-wide variables, its services and the
// registry through which every window is reached.
//
// A window is created the first time anything reaches it (one of its
// controls included): it is registered first and then its Form_Load runs, so
// a reach from inside a nested load gets the instance that is loading. It is
// never shown by being reached. Unloading runs Form_Unload, forgets the
// window and deletes it later; the next reach creates it afresh. Every
// window includes this registry, and the registry includes no window: the
// accessors for a window (form1(), loadedForm1() ...) are defined in that
// window's own file, and startUp() beside the main panel.
//
// A window's handlers run under runHandler. A window is deleted only once
// none of its handlers is on the stack: a handler can sit in a Wait or a
// message box while a nested event unloads its window. Such a handler is
// abandoned when it resumes (see HandlerAbandoned), so it does nothing more.
class Program final : public QObject
{
    Q_OBJECT
public:
    struct Environment
    {
        QString programFolder;                        // folder of the executable
        std::function<QString()> currentDirectory;    // the process's working directory
        std::function<void()> endProgram;              // ends the program at once
    };

    Program(Environment environment, Services services);
    ~Program() override;

    // Program-wide variables.
    MailerSettings Mailer;    // PopServer, SmtpServer, MailAddress, UseApop
    QString AccountId;
    QString AccountPassword;
    qint16 AlertMode = 0;
    qint32 MciResult = 0;
    QString MciStatus;
    QPoint CursorPos;
    // True while a mail check runs; a check started meanwhile is skipped.
    bool checkInProgress = false;
    // A failed connection was said in a box, and no check has reached the
    // server since: scheduled checks stay quiet about further failures.
    bool connectFailureSaid = false;
    // Fingerprints of server certificates the user declined in this run.
    QSet<QByteArray> declinedCertificates;

    QString programFolder() const { return m_environment.programFolder; }
    QString currentDirectory() const;

    NMail& mail() { return m_mail; }
    Services& services() { return m_services; }
    /// Sends one multimedia command string to the sound device.
    int mciSendString(const QString& command, QString* reply = nullptr);
    /// Opens the alert tune (program folder + "/Sound/Kouka.mid") under the
    /// alias "bgm" and plays it; each result lands in MciResult.
    void openAndPlayAlertTune();
    /// Stops and closes the alias "bgm"; each result lands in MciResult.
    void stopAndCloseAlertTune();

    // The windows, created and loaded on first reach.
    Form1* form1();
    Form3* form3();
    MainForm* mainForm();
    MsgForm* msgForm();
    SetForm* setForm();
    OptionForm* optionForm();
    IdPassForm* idPassForm();
    // The window if it is loaded now, else nullptr; never creates it.
    Form1* loadedForm1() const;
    Form3* loadedForm3() const;
    MainForm* loadedMainForm() const;
    MsgForm* loadedMsgForm() const;
    SetForm* loadedSetForm() const;
    OptionForm* loadedOptionForm() const;
    IdPassForm* loadedIdPassForm() const;

    /// Shows a window without blocking and brings it forward.
    static void showForm(QWidget* form);
    /// Where boxes, the board and dialogs come up: the available area of the
    /// monitor of the panel while it is on screen, else of the mascot.
    QRect homeArea() const;
    /// The frames of the program's windows on screen, but `except`.
    QList<QRect> openFrames(const QWidget* except) const;
    /// Puts `dialog`, when it is next shown, in the middle of the home area
    /// or as near to it as it can be without covering another window of the
    /// program.
    void placeDialog(QWidget* dialog);
    /// Runs the window's Form_Unload, forgets it and deletes it later, once
    /// none of its handlers is running.
    void unload(QWidget* form);

    /// Runs `handler`, an event handler of `form`. While it runs the window
    /// outlives an unload; a handler abandoned after its window was unloaded
    /// ends quietly here.
    void runHandler(QWidget* form, const std::function<void()>& handler);
    /// Connects `signal` of `sender` to `form`'s `handler`, run under runHandler.
    template <class Sender, class Signal, class Window>
    void connectHandler(Sender* sender, Signal signal, Window* form, void (Window::*handler)())
    {
        QObject::connect(sender, signal, form,
                         [this, form, handler] { runHandler(form, [form, handler] { (form->*handler)(); }); });
    }
    /// As above, for a handler that takes the signal's one argument (a code).
    template <class Sender, class Signal, class Window, class Arg>
    void connectHandler(Sender* sender, Signal signal, Window* form, void (Window::*handler)(Arg))
    {
        QObject::connect(sender, signal, form, [this, form, handler](Arg value) {
            runHandler(form, [form, handler, value] { (form->*handler)(value); });
        });
    }
    /// As above, for a handler of a control array: it gets the control's
    /// `index`, whatever the signal carries.
    template <class Sender, class Signal, class Window>
    void connectHandler(Sender* sender, Signal signal, Window* form, void (Window::*handler)(int), int index)
    {
        QObject::connect(sender, signal, form, [this, form, handler, index] {
            runHandler(form, [form, handler, index] { (form->*handler)(index); });
        });
    }

    /// Shows a message box through the prompts service and returns the
    /// answer. The box is centred in the home area.
    /// Like Wait, it abandons the running handler if its window was unloaded
    /// while the box was up.
    Prompts::Answer messageBox(QWidget* parent, const QString& text, const QString& title,
                               Prompts::Buttons buttons, Prompts::Icon icon);
    /// Shows a box through the prompts service that does not wait for its
    /// OK (Prompts::notify).
    void notify(QWidget* parent, const QString& text, const QString& title);
    /// Ends the program at once; no unload handler runs. Each loaded window
    /// first stores what it would lose (Form::storeBeforeProgramEnds), so
    /// that ending from a mascot loses no setting made in this run.
    void endProgram();

    /// Blocks the caller for `milliseconds` while window events go on being
    /// handled (handlers may run nested inside). Sleeps between events.
    /// Abandons the running handler if its window was unloaded meanwhile.
    void Wait(int milliseconds);

    /// The settings steps of start-up, run by the mascot's load and by the
    /// main panel's load (defined beside the panel).
    void startUp();

private:
    // The window in `slot`, created, registered and loaded when there is none.
    template <class F>
    F* reach(QPointer<QWidget>& slot)
    {
        if (slot)
            return static_cast<F*>(slot.data());
        auto* form = new F(*this);
        slot = form; // registered before its load, so nested reaches find it
        static_cast<Form*>(form)->Form_Load();
        return form;
    }
    QList<QWidget*> loadedForms() const;
    bool forget(QWidget* form);
    void abandonIfUnloaded() const;

    Environment m_environment;
    Services m_services;
    NMail m_mail;
    std::unique_ptr<ServerTrust> m_serverTrust; // set up by startUp()
    QPointer<QWidget> m_form1;
    QPointer<QWidget> m_form3;
    QPointer<QWidget> m_mainForm;
    QPointer<QWidget> m_msgForm;
    QPointer<QWidget> m_setForm;
    QPointer<QWidget> m_optionForm;
    QPointer<QWidget> m_idPassForm;
    QSet<QWidget*> m_unloading;
    // Handlers running now, innermost last, by their window.
    std::vector<QWidget*> m_handlers;
    // Unloaded windows kept alive until their running handlers have ended.
    QSet<QWidget*> m_unloadedRunning;
};
