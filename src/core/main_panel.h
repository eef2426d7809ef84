#pragma once

#include "core/form.h"
#include "ui_main_panel.h"

#include <QWidget>

class FormTimer;
class Program;

// The main panel: the command buttons, the interval display, the status lamp
// and the scrolling name of the mail program, plus the hidden storage boxes
// that hold the scheduler's counters and the mail program's path. Its
// controls are public (they come from its designer form) because the other
// windows read and write them.
class MainForm final : public QWidget, public Form, public Ui::MainForm
{
    Q_OBJECT
public:
    explicit MainForm(Program& program);
    ~MainForm() override;

    void Form_Load() override;
    void Form_Unload() override;
    /// Writes the mailer path and the launch box to the preferences file, as
    /// the unload does.
    void storeSettings();

    // Alert start and end; the check runs Command2_Click on new mail.
    void Command2_Click();
    void Command3_Click();
    // Dial-up hang-up, also run after a check when that is asked for.
    void Command5_Click();
    void Command9_Click();
    void Command15_Click();
    void Command16_Click();

    void Timer1_Timer();
    void Timer2_Timer();
    void Timer3_Timer();
    void Timer5_Timer();

    FormTimer* Timer1; // check poll, 100 ms
    FormTimer* Timer2; // sound poll, 100 ms
    FormTimer* Timer3; // seconds and minutes, 1000 ms while an interval is set
    FormTimer* Timer4; // scrolling name display, 20 ms
    FormTimer* Timer5; // status lamp, 1000 ms

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void showLamp(const QString& fileName);

    Program& m_program;
    // A scheduled check ran since the last seconds tick.
    bool m_checkedThisWindow = false;
};
