// The main panel's tray: the tray command, the icon's notifications and the
// icon's menu.

#include "forms/program.h"
#include "mascot/primary_mascot.h"
#include "mascot/secondary_mascot.h"
#include "panel/general_date.h"
#include "panel/main_panel.h"

#include <QCursor>
#include <QDateTime>
#include <QLocale>
#include <QMenu>

void MainForm::Command1_Click()
{
    Tray* tray = m_program.services().tray.get();
    const bool trayShown = tray && tray->isAvailable();
    if (tray) {
        tray->setIcon(windowIcon());
        // The moment the panel went to the tray; nothing updates it later.
        tray->setTipText(GeneralDate(QDateTime::currentDateTime(), QLocale::system()));
        tray->show();
    }
    hide();
    // With no tray on the desktop there is no icon to come back through:
    // the mascot stays up, and a double-click on it brings the panel back.
    if (trayShown)
        m_program.form1()->hide();
    else
        Program::showForm(m_program.form1());
    // Reaching the second mascot loads it (hidden) when it is not loaded yet.
    m_program.form3()->hide();
}

void MainForm::TrayControl1_Notification(qint16 code)
{
    switch (code) {
    case 0:
        m_program.handlers().messageBox(this, QStringLiteral("Clicked!"), QString(), Prompts::Buttons::Ok,
                                        Prompts::Icon::Exclamation);
        break;
    case 1:
        mnuPopup->popup(QCursor::pos());
        break;
    default:
        break;
    }
}

void MainForm::mnu_Popup_Click(int Index)
{
    if (Index == 0) {
        Program::showForm(m_program.form1());
        return;
    }
    if (Index != 2)
        return;
    // A mascot that is hidden cannot be asked to end the program, and with
    // the panel gone so is the tray icon: the program would run on with no
    // window to reach it and nothing to check mail. So "終了" ends the whole
    // program then; with the mascot on screen it closes the panel only.
    Form1* mascot = m_program.loadedForm1();
    const bool mascotShown = mascot && mascot->isVisible();
    m_program.unload(this);
    if (mascotShown)
        return;
    if (mascot)
        m_program.unload(mascot); // closing the mascot ends the program
    else
        m_program.endProgram();
}
