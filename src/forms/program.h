#pragma once

#include "forms/form.h"
#include "forms/handlers.h"
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
#include <type_traits>

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
// window and deletes it later, once none of its handlers runs (see
// Handlers); the next reach creates it afresh.
//
// Every window includes this registry, and the registry includes no window:
// each accessor is a template over the window's type, defaulted, so that the
// type is completed where the window is reached, by a file that includes
// that window's header. They are called without template arguments.
class Program final : public QObject
{
    Q_OBJECT
public:
    struct Environment
    {
        QString programFolder;                     // folder of the executable
        std::function<QString()> currentDirectory; // the process's working directory
        std::function<void()> endProgram;          // ends the program at once
    };

    Program(Environment environment, Services services);
    ~Program() override;

    // Program-wide variables.
    MailerSettings Mailer; // PopServer, SmtpServer, MailAddress, UseApop
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
    // Servers (by their key in the servers file) the user would not send a
    // password in clear to, in this run.
    QSet<QByteArray> declinedClearLogins;
    // That a trust answer could not be stored has been said in this run.
    bool trustNotKeptSaid = false;
    // The servers file, which the mail library asks whom to trust; opened by
    // the start-up steps.
    std::unique_ptr<ServerTrust> serverTrust;

    QString programFolder() const { return m_environment.programFolder; }
    QString currentDirectory() const;

    NMail& mail() { return m_mail; }
    Services& services() { return m_services; }
    Handlers& handlers() { return m_handlers; }

    // The windows, created and loaded on first reach.
    template <class F = Form1>
    F* form1()
    {
        return reach<F>(m_form1);
    }
    template <class F = Form3>
    F* form3()
    {
        return reach<F>(m_form3);
    }
    template <class F = MainForm>
    F* mainForm()
    {
        return reach<F>(m_mainForm);
    }
    template <class F = MsgForm>
    F* msgForm()
    {
        return reach<F>(m_msgForm);
    }
    template <class F = SetForm>
    F* setForm()
    {
        return reach<F>(m_setForm);
    }
    template <class F = OptionForm>
    F* optionForm()
    {
        return reach<F>(m_optionForm);
    }
    template <class F = IdPassForm>
    F* idPassForm()
    {
        return reach<F>(m_idPassForm);
    }
    // The window if it is loaded now, else nullptr; never creates it.
    template <class F = Form1>
    F* loadedForm1() const
    {
        return loaded<F>(m_form1);
    }
    template <class F = Form3>
    F* loadedForm3() const
    {
        return loaded<F>(m_form3);
    }
    template <class F = MainForm>
    F* loadedMainForm() const
    {
        return loaded<F>(m_mainForm);
    }
    template <class F = MsgForm>
    F* loadedMsgForm() const
    {
        return loaded<F>(m_msgForm);
    }
    template <class F = SetForm>
    F* loadedSetForm() const
    {
        return loaded<F>(m_setForm);
    }
    template <class F = OptionForm>
    F* loadedOptionForm() const
    {
        return loaded<F>(m_optionForm);
    }
    template <class F = IdPassForm>
    F* loadedIdPassForm() const
    {
        return loaded<F>(m_idPassForm);
    }

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

    /// Ends the program at once; no unload handler runs. Each loaded window
    /// first stores what it would lose (Form::storeBeforeProgramEnds), so
    /// that ending from a mascot loses no setting made in this run.
    void endProgram();

private:
    // The window in `slot`, created, registered and loaded when there is none.
    template <class F>
    F* reach(QPointer<QWidget>& slot)
    {
        static_assert(std::is_base_of_v<Form, F> && std::is_base_of_v<QWidget, F>,
                      "only windows are registered");
        if (slot)
            return static_cast<F*>(slot.data());
        auto* form = new F(*this);
        slot = form; // registered before its load, so nested reaches find it
        static_cast<Form*>(form)->Form_Load();
        return form;
    }
    template <class F>
    static F* loaded(const QPointer<QWidget>& slot)
    {
        return static_cast<F*>(slot.data());
    }
    QList<QWidget*> loadedForms() const;
    bool forget(QWidget* form);

    Environment m_environment;
    Services m_services;
    Handlers m_handlers;
    NMail m_mail;
    QPointer<QWidget> m_form1;
    QPointer<QWidget> m_form3;
    QPointer<QWidget> m_mainForm;
    QPointer<QWidget> m_msgForm;
    QPointer<QWidget> m_setForm;
    QPointer<QWidget> m_optionForm;
    QPointer<QWidget> m_idPassForm;
    QSet<QWidget*> m_unloading;
};
