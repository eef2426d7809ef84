#include "mascot/primary_mascot.h"
#include "mascot/secondary_mascot.h"
#include "panel/main_panel.h"
#include "support/test_program.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QTest>

// The tray command, the tray icon's notifications and its menu.
class TrayMenuTest final : public QObject
{
    Q_OBJECT
private:
    // A started program with the mascot and the panel on screen, the
    // second mascot not loaded.
    static MainForm* panelOnScreen(TestProgram& t)
    {
        Program::showForm(t.program->form1());
        MainForm* panel = t.program->loadedMainForm();
        Program::showForm(panel);
        return panel;
    }

private slots:
    void trayCommandHidesTheThreeWindowsAndLoadsTheSecondMascotHidden()
    {
        TestProgram t;
        MainForm* panel = panelOnScreen(t);
        QVERIFY(!t.program->loadedForm3());
        panel->Command1_Click();
        QCOMPARE(t.tray->shown, 1);
        QCOMPARE(t.tray->icon.cacheKey(), panel->windowIcon().cacheKey());
        QCOMPARE(t.tray->tips.size(), 1);
        QVERIFY(!t.tray->tips[0].isEmpty());
        QVERIFY(!panel->isVisible());
        QVERIFY(!t.program->loadedForm1()->isVisible());
        QVERIFY(t.program->loadedForm3() && !t.program->loadedForm3()->isVisible());
        // Again: the tip is set anew and the icon shown again.
        panel->Command1_Click();
        QCOMPARE(t.tray->shown, 2);
        QCOMPARE(t.tray->tips.size(), 2);
    }

    void withoutATrayTheMascotStaysOnScreen()
    {
        TestProgram t;
        t.tray->available = false;
        MainForm* panel = panelOnScreen(t);
        panel->Command1_Click();
        QVERIFY(!panel->isVisible());
        QVERIFY(t.program->loadedForm1()->isVisible());
        QVERIFY(!t.program->loadedForm3()->isVisible());
    }

    void codeZeroSaysClickedCodeOneOpensTheMenuOthersDoNothing()
    {
        TestProgram t;
        MainForm* panel = panelOnScreen(t);
        panel->Command1_Click();
        for (qint16 code : {2, -1, 256})
            emit t.tray->notification(code);
        QVERIFY(t.prompts->shown.isEmpty());
        QVERIFY(!panel->mnuPopup->isVisible());

        emit t.tray->notification(0);
        QCOMPARE(t.prompts->shown.size(), 1);
        const RecordingPrompts::Shown& box = t.prompts->shown[0];
        QCOMPARE(box.text, QStringLiteral("Clicked!"));
        QVERIFY(box.title.isEmpty()); // the application's own title
        QCOMPARE(box.buttons, Prompts::Buttons::Ok);
        QCOMPARE(box.icon, Prompts::Icon::Exclamation);
        QVERIFY(!panel->mnuPopup->isVisible());

        emit t.tray->notification(1);
        QVERIFY(panel->mnuPopup->isVisible());
        QCOMPARE(t.prompts->shown.size(), 1);
        QCOMPARE(panel->mnu_Popup[0]->text(), QStringLiteral("メイン画面を表示"));
        QVERIFY(panel->mnu_Popup[1]->isSeparator());
        QCOMPARE(panel->mnu_Popup[2]->text(), QStringLiteral("終了"));
        panel->mnuPopup->hide();
    }

    void firstItemBringsTheMascotBackThenQuitClosesThePanelOnly()
    {
        TestProgram t;
        MainForm* panel = panelOnScreen(t);
        panel->Text7->setText(QStringLiteral("/usr/bin/mailer"));
        panel->Command1_Click();
        panel->mnu_Popup[0]->trigger();
        panel->mnu_Popup[0]->trigger(); // already shown: nothing changes
        QVERIFY(t.program->loadedForm1()->isVisible());
        QVERIFY(!panel->isVisible());
        QCOMPARE(t.tray->hidden, 0);

        t.sound->commands.clear();
        panel->mnu_Popup[2]->trigger();
        QVERIFY(!t.program->loadedMainForm());
        QCOMPARE(t.sound->commands, (QStringList{"stop bgm", "close bgm"}));
        QCOMPARE(ReadSettingText(t.preferences(), "NAME", ""), QStringLiteral("/usr/bin/mailer"));
        QCOMPARE(t.tray->hidden, 1); // the icon goes with the panel
        QCOMPARE(t.endProgramCalls, 0);
        QVERIFY(t.program->loadedForm1()->isVisible());
    }

    void quitWithTheMascotHiddenEndsTheProgram()
    {
        TestProgram t;
        MainForm* panel = panelOnScreen(t);
        panel->Check2->setChecked(true);
        panel->Command1_Click();
        panel->mnu_Popup[2]->trigger();
        QVERIFY(!t.program->loadedMainForm());
        QCOMPARE(ReadSettingText(t.preferences(), "NUMBER3", ""), QStringLiteral("1"));
        QCOMPARE(t.endProgramCalls, 1);
    }
};

QTEST_MAIN(TrayMenuTest)
#include "tray_menu_test.moc"
