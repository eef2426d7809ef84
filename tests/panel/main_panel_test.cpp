#include "forms/form_timer.h"
#include "panel/main_panel.h"
#include "settings/id_pass_form.h"
#include "settings/option_form.h"
#include "settings/set_form.h"
#include "support/test_program.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <algorithm>

class MainPanelTest final : public QObject
{
    Q_OBJECT
private slots:
    void firstStartWithEmptySettingsFolder()
    {
        TestProgram t;
        Program& program = *t.program;
        program.startUp();

        // Preferences loaded first; the panel came into being nested, hidden.
        QVERIFY(program.loadedSetForm());
        MainForm* panel = program.loadedMainForm();
        QVERIFY(panel);
        QVERIFY(!panel->isVisible());
        QVERIFY(!program.loadedSetForm()->isVisible());
        QCOMPARE(panel->Label4->text(), QStringLiteral("OFF"));
        QVERIFY(!panel->Check3->isChecked());
        QCOMPARE(panel->Text5->text(), QStringLiteral("0"));
        QCOMPARE(panel->Text7->text(), QStringLiteral("未設定"));
        QVERIFY(!panel->Check2->isChecked());
        QCOMPARE(ReadSettingText(t.preferences(), "NUMBER2", "absent"), QStringLiteral("0"));

        // Its timers run from creation; the seconds timer waits for an interval.
        QVERIFY(panel->Timer1->running());
        QVERIFY(panel->Timer2->running());
        QVERIFY(!panel->Timer3->running());
        QVERIFY(panel->Timer4->running());
        QVERIFY(panel->Timer5->running());
        QCOMPARE(panel->Timer1->interval(), 100);
        QCOMPARE(panel->Timer4->interval(), 20);

        // Both settings dialogs are up, neither modal.
        QVERIFY(program.loadedOptionForm() && program.loadedOptionForm()->isVisible());
        QVERIFY(program.loadedIdPassForm() && program.loadedIdPassForm()->isVisible());
        QVERIFY(!program.loadedOptionForm()->isModal());
        QVERIFY(!program.loadedIdPassForm()->isModal());

        // The panel's load silenced the alert device once.
        QCOMPARE(t.sound->commands, (QStringList{"stop bgm", "close bgm"}));
    }

    void completeSettingsOpenNoDialog()
    {
        TestProgram t;
        writeBytes(t.kestra(), "SMTP=smtp.example\r\nPOP3=pop.example\r\nMAIL=a@b\r\nAPOP=1\r\n");
        WriteSettingText(t.account(), "NAME", "user");
        WriteSettingText(t.account(), "NAME2", "secret");
        WriteSettingText(t.preferences(), "NUMBER", "1");
        WriteSettingText(t.preferences(), "NUMBER2", "15");
        WriteSettingText(t.preferences(), "NAME", "/usr/bin/mailer");
        t.program->startUp();

        Program& program = *t.program;
        QCOMPARE(program.Mailer.PopServer, QStringLiteral("pop.example"));
        QCOMPARE(program.Mailer.UseApop, qint16(1));
        QVERIFY(!program.loadedOptionForm());
        QVERIFY(!program.loadedIdPassForm()->isVisible());
        QVERIFY(program.loadedSetForm()->Check1->isChecked());
        MainForm* panel = program.loadedMainForm();
        QCOMPARE(panel->Label4->text(), QStringLiteral("ON"));
        QVERIFY(panel->Check3->isChecked());
        QCOMPARE(panel->Text5->text(), QStringLiteral("15"));
        QVERIFY(panel->Timer3->running());
        QCOMPARE(panel->Timer3->interval(), 1000);
        QCOMPARE(panel->Text7->text(), QStringLiteral("/usr/bin/mailer"));
    }

    void startUpCreatesThePanelWhateverTheHangUpFlagHolds()
    {
        TestProgram t;
        WriteSettingText(t.preferences(), "NUMBER", "2");
        WriteSettingText(t.preferences(), "NUMBER2", "3");
        t.program->startUp();
        MainForm* panel = t.program->loadedMainForm();
        QVERIFY(panel && !panel->isVisible());
        QVERIFY(panel->Timer3->running()); // scheduled checks are on
        QVERIFY(!t.program->setForm()->Check1->isChecked());
    }

    void launchFlagRoundTripsThroughLoadAndUnload()
    {
        TestProgram t;
        WriteSettingText(t.preferences(), "NUMBER3", "1");
        Program& program = *t.program;
        MainForm* panel = program.mainForm();
        QVERIFY(panel->Check2->isChecked());
        panel->Check2->setChecked(false);
        t.sound->commands.clear();
        panel->close();

        QVERIFY(!program.loadedMainForm());
        QCOMPARE(ReadSettingText(t.preferences(), "NUMBER3", ""), QStringLiteral("0"));
        // An absent mailer path is written back as "未設定".
        QCOMPARE(ReadSettingText(t.preferences(), "NAME", ""), QStringLiteral("未設定"));
        QCOMPARE(t.sound->commands, (QStringList{"stop bgm", "close bgm"}));
        QVERIFY(!panel->Timer2->isActive());

        // Reaching it again creates it afresh and loads it again.
        MainForm* again = program.mainForm();
        QVERIFY(again);
        QVERIFY(!again->Check2->isChecked());
        QCOMPARE(t.sound->commands.size(), 4);
    }

    void reopenedPanelRunsTheIntervalThePreferencesHold()
    {
        // The preferences dialog outlives the panel, holding the interval the
        // new panel's load would set again.
        TestProgram t;
        WriteSettingText(t.preferences(), "NUMBER2", "1");
        t.program->startUp();
        t.program->loadedMainForm()->close();
        QVERIFY(t.program->loadedSetForm());
        MainForm* panel = t.program->mainForm();
        QCOMPARE(panel->Label4->text(), QStringLiteral("ON"));
        QVERIFY(panel->Check3->isChecked());
        QCOMPARE(panel->Text5->text(), QStringLiteral("1"));
        QVERIFY(panel->Timer3->running());
    }

    void endingAtOnceKeepsThePanelsAndOpenPreferences()
    {
        TestProgram t;
        MainForm* panel = t.program->mainForm();
        panel->Text7->setText(QStringLiteral("/opt/new/mailer"));
        panel->Check2->setChecked(true);
        SetForm* preferences = t.program->setForm();
        preferences->Check2->setChecked(true); // hidden: its edits are not the user's
        t.program->endProgram();
        QCOMPARE(t.endProgramCalls, 1);
        QCOMPARE(ReadSettingText(t.preferences(), "NAME", "absent"), QStringLiteral("/opt/new/mailer"));
        QCOMPARE(ReadSettingText(t.preferences(), "NUMBER3", "absent"), QStringLiteral("1"));
        QCOMPARE(ReadSettingText(t.preferences(), "NUMBER4", "absent"), QStringLiteral("absent"));

        Program::showForm(preferences);
        preferences->Text2->setText(QStringLiteral("7"));
        t.program->endProgram();
        QCOMPARE(ReadSettingText(t.preferences(), "NUMBER2", "absent"), QStringLiteral("7"));
        QCOMPARE(ReadSettingText(t.preferences(), "NUMBER4", "absent"), QStringLiteral("1"));
    }

    void missingSettingsFolderStillStarts()
    {
        TestProgram t(false);
        t.program->startUp();
        MainForm* panel = t.program->loadedMainForm();
        QVERIFY(panel);
        QCOMPARE(panel->Label4->text(), QStringLiteral("OFF"));
        panel->close();
        QVERIFY(!QDir(t.folder.filePath(QStringLiteral("★MailData"))).exists());
    }

    void lampShowsGreenThenRedWhileIntervalIsOn()
    {
        TestProgram t;
        const QString pictures = t.folder.filePath(QStringLiteral("画像データ"));
        QDir().mkpath(pictures);
        const QString assets =
            qEnvironmentVariable("PAWMELO_SOURCE_DIR") + QStringLiteral("/assets/画像データ/");
        for (const char* name : {"Green.gif", "Red.gif"})
            QVERIFY(QFile::copy(assets + name, pictures + "/" + name));
        MainForm* panel = t.program->mainForm();
        auto centre = [panel] { return panel->Image1->pixmap().toImage().pixelColor(8, 8); };

        panel->Timer5_Timer(); // interval off: steady green
        QVERIFY(centre().green() > centre().red());
        t.program->setForm()->Text2->setText(QStringLiteral("5"));
        QColor during;
        QTimer::singleShot(0, [&] { during = centre(); });
        panel->Timer5_Timer(); // green during the wait, red after it
        QVERIFY(during.green() > during.red());
        QVERIFY(centre().red() > centre().green());

        // A missing picture leaves the last one showing.
        QFile::remove(pictures + "/Green.gif");
        t.program->setForm()->Text2->setText(QStringLiteral("0"));
        panel->Timer5_Timer();
        QVERIFY(centre().red() > centre().green());
    }

    void panelClosedInsideTheLampsWaitLivesUntilTheTickEnds()
    {
        // The lamp tick sits in its two-second wait when the user closes the
        // panel: the panel is unloaded at once but freed only after the tick,
        // which does nothing more when it resumes.
        TestProgram t;
        t.clock->autoStep = 0;
        MainForm* panel = t.program->mainForm();
        t.program->setForm()->Text2->setText(QStringLiteral("5"));
        QPointer<MainForm> watch(panel);
        bool aliveAfterClose = false;
        QTimer::singleShot(0, panel, [panel] { panel->close(); });
        QTimer::singleShot(30, [&] {
            aliveAfterClose = !watch.isNull();
            t.clock->now += 5000; // ends the wait
        });
        int after = 0;
        t.program->runHandler(panel, [&] {
            panel->Timer5_Timer();
            ++after; // not reached: the tick was abandoned
        });
        QVERIFY(aliveAfterClose);
        QCOMPARE(after, 0);
        QVERIFY(!t.program->loadedMainForm());
        QTRY_VERIFY(watch.isNull());
    }

    void secondsTickCountsInTheHiddenBoxes()
    {
        TestProgram t;
        MainForm* panel = t.program->mainForm();
        t.program->setForm()->Text2->setText(QStringLiteral("1"));
        QCOMPARE(panel->Text4->text(), QStringLiteral("Text4"));
        for (int i = 0; i < 61; ++i)
            panel->Timer3_Timer();
        QCOMPARE(panel->Text1->text(), QStringLiteral("1"));
        QCOMPARE(panel->Text4->text(), QStringLiteral("0"));
        panel->Timer3_Timer();
        QCOMPARE(panel->Text1->text(), QStringLiteral("0"));
    }

    void reachDuringLoadGetsTheLoadingInstance()
    {
        // The panel's load reaches the preferences dialog, whose interval box
        // reaches the panel again: still one panel, one dialog.
        TestProgram t;
        MainForm* panel = t.program->mainForm();
        QCOMPARE(t.program->loadedMainForm(), panel);
        const QWidgetList windows = QApplication::topLevelWidgets();
        QCOMPARE(std::count_if(windows.begin(), windows.end(),
                               [](QWidget* w) { return qobject_cast<MainForm*>(w) != nullptr; }),
                 1);
    }
};

QTEST_MAIN(MainPanelTest)
#include "main_panel_test.moc"
