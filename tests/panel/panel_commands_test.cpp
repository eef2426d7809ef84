#include "forms/form_timer.h"
#include "forms/program_folder.h"
#include "panel/home_pages.h"
#include "panel/main_panel.h"
#include "support/test_program.h"

#include <QLabel>
#include <QLineEdit>
#include <QTest>

// The panel's choice of the mail program, its scrolling name and the links.
class PanelCommandsTest final : public QObject
{
    Q_OBJECT
private slots:
    void choosingTheMailerFillsPathAndTitleAndCancelKeepsThePrevious()
    {
        TestProgram t;
        MainForm* panel = t.program->mainForm();
        QCOMPARE(panel->Text8->text(), QStringLiteral("未設定"));

        t.fileChooser->nextChoice = QStringLiteral("/opt/mail/bin/mailer");
        panel->Command7_Click();
        QCOMPARE(panel->Text7->text(), QStringLiteral("/opt/mail/bin/mailer"));
        QCOMPARE(panel->Text8->text(), QStringLiteral("mailer"));
        panel->Text7->setText(kMailerNotSet);
        t.fileChooser->nextChoice.clear(); // cancel: the dialog's previous file
        panel->Command7_Click();
        QCOMPARE(panel->Text7->text(), QStringLiteral("/opt/mail/bin/mailer"));

        // A path the preferences file cannot give back is refused.
        const QString tooLong = "/opt/" + QString(300, u'a');
        for (const QString& path : {QStringLiteral("/opt/\U0001F600/mailer"), tooLong}) {
            t.fileChooser->nextChoice = path;
            panel->Command7_Click();
        }
        QCOMPARE(t.prompts->shown.size(), 2);
        QCOMPARE(t.prompts->shown[1].text,
                 UnstorableTextMessage(QStringLiteral("メーラーのパス"), tooLong, TextStore::SettingsFile));
        QCOMPARE(t.prompts->shown[1].title, QStringLiteral("エラー"));
        QCOMPARE(t.prompts->shown[1].icon, Prompts::Icon::Exclamation);
        QCOMPARE(panel->Text7->text(), QStringLiteral("/opt/mail/bin/mailer"));
        QCOMPARE(t.fileChooser->shown, 4);
    }

    void cancelBeforeAnyChoiceEmptiesThePathAndTheDisplaySaysSo()
    {
        TestProgram t;
        MainForm* panel = t.program->mainForm();
        panel->Timer4_Timer();
        QCOMPARE(panel->Label1->text(), QStringLiteral("未設定")); // scrolls as any name
        panel->Command7_Click();
        QVERIFY(panel->Text7->text().isEmpty());
        QVERIFY(panel->Text8->text().isEmpty());
        panel->Timer4_Timer();
        QCOMPARE(panel->Label1->text(), QStringLiteral("設定されていません。"));
        panel->close();
        QCOMPARE(ReadSettingText(t.preferences(), "NAME", "absent"), QString());
    }

    void nameDisplayJumpsBackOnlyOnReachingItsEndExactly()
    {
        TestProgram t;
        MainForm* panel = t.program->mainForm();
        QCOMPARE(panel->Label1Left, 2760);
        for (int tick = 1; tick <= 213; ++tick)
            panel->Timer4_Timer();
        QCOMPARE(panel->Label1Left, -1500);
        QCOMPARE(panel->Label1->x(), -100);
        panel->Timer4_Timer();
        QCOMPARE(panel->Label1Left, 2760);
        QCOMPARE(panel->Label1->x(), 184);
        panel->Timer4_Timer();
        QCOMPARE(panel->Label1->x(), 183); // 2740 twips, rounded

        panel->Label1Left = -1490; // off the 20-twip grid: passes the end
        panel->Timer4_Timer();
        panel->Timer4_Timer();
        QCOMPARE(panel->Label1Left, -1530);
    }

    void nameDisplayMovesOnlyWhileThePanelIsShown()
    {
        TestProgram t;
        MainForm* panel = t.program->mainForm();
        QVERIFY(panel->Timer4->running());
        QVERIFY(!panel->Timer4->isActive());
        Program::showForm(panel);
        QVERIFY(panel->Timer4->isActive());
        QTRY_VERIFY(panel->Label1Left < 2760);
        panel->hide();
        QVERIFY(!panel->Timer4->isActive());
        const int left = panel->Label1Left;
        QTest::qWait(100);
        QCOMPARE(panel->Label1Left, left);
    }

    void linksAskFirstAndOpenTheirPageOnYes()
    {
        TestProgram t;
        MainForm* panel = t.program->mainForm();
        const QString maker = QStringLiteral("「ミロウェン」作者のホームページです。ちょっと見てみますか？");
        const QString artist = QStringLiteral("「ソラニカ」さんのホームページです。ちょっと見てみますか？");
        for (Prompts::Answer answer : {Prompts::Answer::No, Prompts::Answer::Yes}) {
            t.prompts->answer = answer;
            panel->Command14_Click();
            panel->Command10_Click();
            panel->Command4_Click();
        }
        QCOMPARE(t.browser->opened,
                 (QList<QUrl>{QUrl(HomePage::Maker), QUrl(HomePage::Maker), QUrl(HomePage::IconArtist)}));
        QCOMPARE(t.prompts->shown.size(), 6);
        for (int i = 0; i < 6; ++i) {
            const RecordingPrompts::Shown& box = t.prompts->shown[i];
            QCOMPARE(box.text, i % 3 == 2 ? artist : maker);
            QCOMPARE(box.title, QStringLiteral("確認"));
            QCOMPARE(box.buttons, Prompts::Buttons::YesNo);
            QCOMPARE(box.icon, Prompts::Icon::Question);
        }
    }
};

QTEST_MAIN(PanelCommandsTest)
#include "panel_commands_test.moc"
