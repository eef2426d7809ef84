#pragma once

#include "forms/form.h"

#include <QWidget>
#include <array>
#include <memory>

class FormTimer;
class Program;
class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;

namespace Ui {
class MainForm;
}

// The main panel: the command buttons, the interval display, the status lamp
// and the scrolling name of the mail program, plus the hidden storage boxes
// that hold the scheduler's counters and the mail program's path. It owns
// the tray icon's answers and menu while it is loaded. The controls that
// other windows read and write are reachable below; the rest of its
// designer form stays its own.
class MainForm final : public QWidget, public Form
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
    void storeBeforeProgramEnds() override { storeSettings(); }

    // To the tray: the icon with the moment as its tip, the panel and both
    // mascots hidden (the primary one stays when there is no tray).
    void Command1_Click();
    // The tray icon's notification: 0 a message box, 1 the menu.
    void TrayControl1_Notification(qint16 code);
    // The tray menu: 0 shows the mascot, 2 closes the panel.
    void mnu_Popup_Click(int Index);

    // Alert start and end; the check runs Command2_Click on new mail.
    void Command2_Click();
    void Command3_Click();
    // Dial-up hang-up, also run after a check when that is asked for.
    void Command5_Click();
    // Links: the maker's page (Command10, Command14), the icon artist's (Command4).
    void Command4_Click();
    void Command10_Click();
    void Command14_Click();
    // Choosing the mail program with the open-file dialog.
    void Command7_Click();
    void Command9_Click();
    void Command15_Click();
    void Command16_Click();

    void Timer1_Timer();
    void Timer2_Timer();
    void Timer3_Timer();
    // The name display: one step of Label1 to the left.
    void Timer4_Timer();
    void Timer5_Timer();

    QCheckBox* Check1; // loop the alert tune; always ticked, outside the visible area
    QCheckBox* Check2; // on new mail start the mailer instead of the notice board
    QCheckBox* Check3; // interval checking on (the interval is above 0)
    QLabel* Image1;    // the status lamp
    QLabel* Label1;    // the scrolling name of the mail program
    QLabel* Label4;    // "ON" or "OFF" for interval checking
    QLineEdit* Text1;  // minutes counted towards the interval (hidden storage)
    QLineEdit* Text4;  // seconds counted within the minute (hidden storage)
    QLineEdit* Text5;  // the interval as shown
    QLineEdit* Text7;  // the mailer's path; "未設定" for none (hidden storage)
    QLineEdit* Text8;  // the mailer's display title (hidden storage)

    // Label1's left edge in twips, as the name display moves it.
    int Label1Left = 2760;

    QMenu* mnuPopup;                   // the tray menu
    std::array<QAction*, 3> mnu_Popup; // its items; 1 is the separator

    FormTimer* Timer1; // check poll, 100 ms
    FormTimer* Timer2; // sound poll, 100 ms
    FormTimer* Timer3; // seconds and minutes, 1000 ms while an interval is set
    FormTimer* Timer4; // scrolling name display, 20 ms
    FormTimer* Timer5; // status lamp, 1000 ms

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void showLamp(const QString& fileName);
    void Text7_Change();
    // Asks `question`; on Yes opens `page` in the user's browser.
    void offerPage(const QString& question, const QString& page);

    std::unique_ptr<Ui::MainForm> m_ui;
    Program& m_program;
    // The last seconds tick opened a check window, and no check has run in it.
    bool m_windowOpen = false;
    // The open-file dialog's file name: the last file chosen on this panel.
    QString m_dialogFileName;
};
