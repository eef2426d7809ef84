// The main panel's commands and timer handlers: the check, its schedule and
// status lamp, the alert start and end, and the dial-up hang-up.

#include "base/text_value.h"
#include "forms/form_timer.h"
#include "forms/program.h"
#include "mascot/secondary_mascot.h"
#include "panel/check_mail.h"
#include "panel/main_panel.h"
#include "panel/scheduler.h"
#include "settings/set_form.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QDir>
#include <QPixmap>

void MainForm::Command16_Click()
{
    CheckMail(m_program, CheckTrigger::Button);
}

void MainForm::Command15_Click()
{
    Program::showForm(m_program.setForm());
}

void MainForm::Command9_Click()
{
    Program::showForm(m_program.setForm());
}

void MainForm::Command2_Click()
{
    m_program.AlertMode = 1;
    m_program.openAndPlayAlertTune();
    Program::showForm(m_program.form3());
    Timer1->setEnabled(true);
}

void MainForm::Command3_Click()
{
    m_program.AlertMode = 0;
    m_program.stopAndCloseAlertTune();
    if (Form3* walker = m_program.loadedForm3())
        m_program.unload(walker);
}

void MainForm::Command5_Click()
{
    DialUp* dialUp = m_program.services().dialUp.get();
    QList<QString> connections;
    if (!dialUp || !dialUp->enumConnections(&connections))
        return;
    for (const QString& connection : connections)
        dialUp->hangUp(connection);
}

void MainForm::Timer1_Timer()
{
    // One check per window: a window lasts a whole second, and a poll every
    // 100 ms would otherwise log in about ten times in it.
    if (m_checkedThisWindow || !CheckDue(m_program.setForm()->Text2->text(), Text1->text()))
        return;
    m_checkedThisWindow = true;
    CheckMail(m_program);
}

void MainForm::Timer2_Timer()
{
    QString reply;
    m_program.mciSendString(QStringLiteral("status bgm mode"), &reply);
    if (!reply.isEmpty())
        m_program.MciStatus = reply;
    if (m_program.MciStatus.left(7) != QLatin1StringView("stopped"))
        return;
    if (Check1->isChecked()) {
        m_program.mciSendString(QStringLiteral("play bgm from 0"));
    } else {
        m_program.mciSendString(QStringLiteral("stop bgm"));
        m_program.mciSendString(QStringLiteral("close bgm"));
        Timer2->setEnabled(false);
    }
}

void MainForm::Timer3_Timer()
{
    m_checkedThisWindow = false; // every tick closes the window or opens a new one
    QString seconds = Text4->text();
    QString minutes = Text1->text();
    SecondsTick(m_program.setForm()->Text2->text(), seconds, minutes);
    Text4->setText(seconds);
    Text1->setText(minutes);
}

void MainForm::Timer5_Timer()
{
    if (Check3->isChecked()) {
        showLamp(QStringLiteral("Green.gif"));
        m_program.Wait(2000);
        showLamp(QStringLiteral("Red.gif"));
    } else {
        showLamp(QStringLiteral("Green.gif"));
    }
}

void MainForm::showLamp(const QString& fileName)
{
    const QString path = m_program.programFolder() + QDir::separator() + QStringLiteral("画像データ")
                         + QDir::separator() + fileName;
    // A missing or unreadable picture leaves the previous one showing.
    const QPixmap picture(path);
    if (!picture.isNull())
        Image1->setPixmap(picture);
}
