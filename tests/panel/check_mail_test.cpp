#include "forms/form_timer.h"
#include "panel/check_mail.h"
#include "panel/main_panel.h"
#include "panel/notice_board.h"
#include "settings/id_pass_form.h"
#include "settings/set_form.h"
#include "support/script_server.h"
#include "support/test_program.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QTest>
#include <QTimer>

namespace {
// A program whose account is saved and whose server is the test server.
struct CheckFixture
{
    ScriptServer server;
    TestProgram t;
    Program& program = *t.program;
    MainForm* panel;

    // Plays the server for the check and returns its address.
    using Script = std::function<QString(ScriptServer&)>;

    explicit CheckFixture(int messageCount)
        : CheckFixture([messageCount](ScriptServer& s) {
            ScriptServer::Mailbox mailbox;
            for (int i = 1; i <= messageCount; ++i)
                mailbox.append(TestMessage("m" + QByteArray::number(i)));
            return ServeMailbox(s, mailbox);
        })
    {
    }
    explicit CheckFixture(const Script& script)
    {
        WriteSettingText(t.account(), "NAME", "user");
        WriteSettingText(t.account(), "NAME2", "secret");
        program.Mailer.PopServer = script(server);
        program.mail().setReplyTimeout(5000);
        panel = program.mainForm();
        t.sound->commands.clear();
    }
    QByteArrayList verbs() const
    {
        QByteArrayList result;
        for (const QByteArray& c : server.transcript()) {
            const QByteArray verb = c.split(' ').value(0).toUpper();
            if (verb == "RETR" || verb == "QUIT" || verb == "USER" || verb == "APOP" || verb == "PASS")
                result.append(verb == "RETR" ? c : verb);
        }
        return result;
    }
};
} // namespace

class CheckMailTest final : public QObject
{
    Q_OBJECT
private slots:
    void threeMessagesRaiseTheBoardAndTheAlert()
    {
        CheckFixture f(3);
        CheckMail(f.program);

        QCOMPARE(f.verbs(), (QByteArrayList{"USER", "PASS", "RETR 1", "RETR 2", "RETR 3", "QUIT"}));
        MsgForm* board = f.program.loadedMsgForm();
        QVERIFY(board && board->isVisible());
        QCOMPARE(board->Text1->text(), QStringLiteral("新着メールが有ります"));
        QCOMPARE(board->Text2->text(), QStringLiteral("3"));
        QCOMPARE(f.program.AlertMode, qint16(1));
        QCOMPARE(f.t.sound->commands.size(), 2);
        QVERIFY(f.t.sound->commands[0].startsWith("open \""));
        QVERIFY(f.t.sound->commands[0].endsWith("/Sound/Kouka.mid\" alias bgm"));
        QCOMPARE(f.t.sound->commands[1], QStringLiteral("play bgm"));
        QCOMPARE(f.program.AccountId, QStringLiteral("user"));

        // The same mail still there: announced again, on the same board.
        board->Text2->setText("x");
        CheckMail(f.program);
        QCOMPARE(f.program.loadedMsgForm(), board);
        QCOMPARE(board->Text2->text(), QStringLiteral("3"));
        QCOMPARE(f.server.connections(), 2);
        QVERIFY(f.t.prompts->shown.isEmpty());
    }

    void emptyMailboxShowsNothingButHangsUp()
    {
        CheckFixture f(0);
        f.program.setForm()->Check1->setChecked(true);
        f.t.dialUp->active = {"ppp0"};
        CheckMail(f.program);
        QCOMPARE(f.verbs(), (QByteArrayList{"USER", "PASS", "QUIT"}));
        QVERIFY(!f.program.loadedMsgForm());
        QCOMPARE(f.program.AlertMode, qint16(0));
        QCOMPARE(f.t.dialUp->hungUp, QStringList{"ppp0"});
    }

    void noServerMeansNoConnectionButStillHangsUp()
    {
        CheckFixture f(2);
        f.program.Mailer.PopServer.clear();
        f.program.setForm()->Check1->setChecked(true);
        CheckMail(f.program);
        QCOMPARE(f.server.connections(), 0);
        QCOMPARE(f.t.dialUp->enumerations, 1);
        QVERIFY(!f.program.loadedMsgForm());
    }

    void missingPasswordOpensTheAccountDialogInsteadOfLoggingIn()
    {
        CheckFixture f(2);
        WriteSettingText(f.t.account(), "NAME2", "");
        // Typed but unsaved text in the dialog is replaced by the saved pair.
        f.program.idPassForm()->PassText->setText("typed");
        CheckMail(f.program);
        QCOMPARE(f.verbs(), QByteArrayList{"QUIT"});
        IdPassForm* account = f.program.loadedIdPassForm();
        QVERIFY(account->isVisible());
        QCOMPARE(account->IdText->text(), QStringLiteral("user"));
        QCOMPARE(account->PassText->text(), QString());
        QVERIFY(!f.program.loadedMsgForm());
    }

    void failedLoginShowsTheServersWordsAsPlainText()
    {
        CheckFixture f(2);
        WriteSettingText(f.t.account(), "NAME2", "wrong");
        int quitsWhileShown = -1;
        f.t.prompts->whileShown = [&] { quitsWhileShown = int(f.verbs().count("QUIT")); };
        CheckMail(f.program, CheckTrigger::Button);
        QCOMPARE(f.t.prompts->shown.size(), 1);
        QCOMPARE(f.t.prompts->shown[0].title, QStringLiteral("エラー"));
        QVERIFY(f.t.prompts->shown[0].text.contains("-ERR [AUTH] Authentication failed."));
        QCOMPARE(f.t.prompts->shown[0].buttons, Prompts::Buttons::Ok);
        QCOMPARE(f.t.prompts->shown[0].icon, Prompts::Icon::None);
        // The panel is hidden: the box is centred on the screen, not on it.
        QCOMPARE(f.t.prompts->shown[0].parent, nullptr);
        QCOMPARE(quitsWhileShown, 0); // the box comes while the connection is open
        QCOMPARE(f.verbs().count("QUIT"), 1);
        QVERIFY(!f.program.loadedMsgForm());
        QVERIFY(f.t.sound->commands.isEmpty());

        // A scheduled check says the same without waiting for its OK.
        CheckMail(f.program, CheckTrigger::Schedule);
        QCOMPARE(f.t.prompts->shown.size(), 1);
        QCOMPARE(f.t.prompts->notices.value(0).text, f.t.prompts->shown[0].text);
    }

    void panelClosedWhileTheErrorBoxIsUpEndsTheCheck()
    {
        // The check's window goes while its box is up: once the box is
        // dismissed the connection is closed and nothing more happens (no
        // hang-up that would bring the panel back), and the panel is freed.
        CheckFixture f(2);
        WriteSettingText(f.t.account(), "NAME2", "wrong");
        f.program.setForm()->Check1->setChecked(true);
        f.t.dialUp->active = {"ppp0"};
        QPointer<MainForm> panel(f.panel);
        f.t.prompts->whileShown = [&] { f.panel->close(); };
        f.program.runHandler(f.panel, [&] { f.panel->Command16_Click(); });
        QCOMPARE(f.verbs().count("QUIT"), 1);
        QVERIFY(!f.program.loadedMainForm());
        QVERIFY(f.t.dialUp->hungUp.isEmpty());
        QVERIFY(!f.program.checkInProgress);
        QTRY_VERIFY(panel.isNull());
    }

    void apopLoginWhenAsked()
    {
        CheckFixture f(1);
        f.program.Mailer.UseApop = 1;
        CheckMail(f.program);
        QCOMPARE(f.verbs(), (QByteArrayList{"APOP", "RETR 1", "QUIT"}));
        QCOMPARE(f.program.loadedMsgForm()->Text2->text(), QStringLiteral("1"));
    }

    void mailerStartsInsteadOfTheBoard()
    {
        CheckFixture f(2);
        f.panel->Check2->setChecked(true);
        f.panel->Text7->setText("  /usr/bin/my mailer  ");
        CheckMail(f.program);
        QCOMPARE(f.t.launcher->started, QStringList{"/usr/bin/my mailer"});
        QVERIFY(!f.program.loadedMsgForm());
        QCOMPARE(f.program.AlertMode, qint16(0));
        QVERIFY(f.t.sound->commands.isEmpty());

        f.panel->Text7->setText("未設定");
        f.t.launcher->succeed = false;
        CheckMail(f.program);
        QCOMPARE(f.t.launcher->started.size(), 1);
        QVERIFY(!f.program.loadedMsgForm());
    }

    void autoCloseBoardClosesBeforeTheAlertStarts()
    {
        CheckFixture f(2);
        f.program.setForm()->Check2->setChecked(true);
        bool seenOpen = false;
        QTimer::singleShot(0, [&] { seenOpen = f.program.loadedMsgForm() && f.program.loadedMsgForm()->isVisible(); });
        CheckMail(f.program);
        QVERIFY(seenOpen);
        QVERIFY(!f.program.loadedMsgForm());
        QCOMPARE(f.program.AlertMode, qint16(1)); // board close set 0, alert start set 1 after
        // The sound poll ran inside the wait too; the alert start came last.
        QCOMPARE(f.t.sound->commands.last(), QStringLiteral("play bgm"));
        QVERIFY(f.t.sound->commands.value(f.t.sound->commands.size() - 2).startsWith("open "));
    }

    void checkInsideTheBoardsWaitIsSkipped()
    {
        // A poll tick falling inside the one-second wait must not start a
        // second session, and the first check still raises its alert.
        CheckFixture f(2);
        f.program.setForm()->Check2->setChecked(true);
        f.program.setForm()->Text2->setText("1");
        f.panel->Text4->setText("60");
        f.panel->Timer3_Timer(); // opens the window of minute 1
        QTimer::singleShot(0, f.panel, &MainForm::Timer1_Timer);
        CheckMail(f.program);
        QCOMPARE(f.server.connections(), 1);
        QCOMPARE(f.program.AlertMode, qint16(1));
        QVERIFY(!f.program.checkInProgress);
    }

    void pollStartsACheckOnlyInItsWindow()
    {
        CheckFixture f(1);
        f.program.setForm()->Text2->setText("2");
        f.panel->Text1->setText("1");
        f.panel->Text4->setText("60");
        f.panel->Timer1_Timer();
        QCOMPARE(f.server.connections(), 0);
        f.panel->Timer3_Timer(); // minute 2: the window opens
        f.panel->Timer1_Timer();
        QCOMPARE(f.server.connections(), 1);
        // Further polls in the same window start nothing.
        f.panel->Timer1_Timer();
        f.panel->Timer1_Timer();
        QCOMPARE(f.server.connections(), 1);
        // The seconds tick closes the window; the next one that opens gets
        // its check. Closing the preferences dialog does not lose the
        // interval: the next poll recreates it hidden from the file.
        f.panel->Timer3_Timer();
        QCOMPARE(f.panel->Text1->text(), QStringLiteral("0"));
        f.panel->Timer1_Timer();
        QCOMPARE(f.server.connections(), 1);
        f.panel->Text1->setText("1");
        f.panel->Text4->setText("60");
        f.program.setForm()->close();
        f.panel->Timer1_Timer();
        QVERIFY(f.program.loadedSetForm() && !f.program.loadedSetForm()->isVisible());
        f.panel->Timer3_Timer();
        f.panel->Timer1_Timer();
        QCOMPARE(f.server.connections(), 2);
    }

    void loweredIntervalWaitsForTheNextMinute()
    {
        // Typing "15" over "20" with three minutes counted passes through
        // "1": no check in the middle of the typing, nor at the ticks that
        // follow, until a tick counts a minute that reaches the interval.
        CheckFixture f(1);
        SetForm* preferences = f.program.setForm();
        preferences->Text2->setText("20");
        f.panel->Text1->setText("3");
        f.panel->Text4->setText("30");
        f.panel->Timer3_Timer();
        preferences->Text2->setText("1");
        f.panel->Timer1_Timer();
        preferences->Text2->setText("15");
        f.panel->Timer1_Timer();
        QCOMPARE(f.server.connections(), 0);

        preferences->Text2->setText("1"); // the user settles on 1 after all
        f.panel->Timer1_Timer();
        f.panel->Timer3_Timer(); // 3 >= 1: the counter starts over
        f.panel->Timer1_Timer();
        QCOMPARE(f.server.connections(), 0);
        f.panel->Text4->setText("60");
        f.panel->Timer3_Timer();
        f.panel->Timer1_Timer();
        QCOMPARE(f.server.connections(), 1);
    }

    void panelClosedInTheAutoClosingBoardsWaitStillClosesTheBoard()
    {
        CheckFixture f(2);
        f.program.setForm()->Check2->setChecked(true);
        QTimer::singleShot(0, f.panel, [&] { f.panel->close(); });
        f.program.runHandler(f.panel, [&] { f.panel->Command16_Click(); });
        QVERIFY2(!f.program.loadedMsgForm(), "the board stayed");
        QCOMPARE(f.program.AlertMode, qint16(0));
        QVERIFY(!f.program.loadedMainForm()); // the abandoned check brought no panel back
    }

    void failedConnectionsAreSaidOnceARun()
    {
        // Each press of "受信" says why; a run of failing scheduled checks
        // says it once, and again only after a check has reached the server.
        CheckFixture f(1);
        const QString reachable = f.program.Mailer.PopServer;
        f.program.Mailer.PopServer = "127.0.0.1:1";
        CheckMail(f.program, CheckTrigger::Button);
        CheckMail(f.program, CheckTrigger::Button);
        QCOMPARE(f.t.prompts->shown.size(), 2);
        QCOMPARE(f.t.prompts->shown[0].title, QStringLiteral("エラー"));
        QVERIFY2(f.t.prompts->shown[0].text.contains("127.0.0.1:1"), qPrintable(f.t.prompts->shown[0].text));
        QCOMPARE(f.t.prompts->shown[0].icon, Prompts::Icon::None);
        QCOMPARE(f.t.prompts->shown[0].parent, nullptr);
        f.t.prompts->shown.clear();

        f.program.connectFailureSaid = false; // as at the start of a run
        for (int i = 0; i < 3; ++i)
            CheckMail(f.program, CheckTrigger::Schedule);
        QCOMPARE(f.t.prompts->notices.size(), 1);
        f.program.Mailer.PopServer = reachable;
        CheckMail(f.program, CheckTrigger::Schedule);
        f.program.Mailer.PopServer = "127.0.0.1:1";
        CheckMail(f.program, CheckTrigger::Schedule);
        CheckMail(f.program, CheckTrigger::Schedule);
        QCOMPARE(f.t.prompts->notices.size(), 2);
        QVERIFY(f.t.prompts->shown.isEmpty());
        QVERIFY(!f.program.loadedMsgForm() || f.program.loadedMsgForm()->Text2->text() == "1");
    }

    void unansweredBoxHoldsNoLaterScheduledCheck()
    {
        // The server is down in one window and back in the next, and nobody
        // answers the first window's box. A modal box would still hold its
        // check then (the fake runs the next window inside it), and the next
        // window's check would be skipped.
        CheckFixture f(2);
        const QString reachable = f.program.Mailer.PopServer;
        f.program.setForm()->Text2->setText("1");
        const auto window = [&](const QString& server) {
            f.program.Mailer.PopServer = server;
            f.panel->Text4->setText("60");
            f.panel->Timer3_Timer(); // a minute counted: the window opens
            f.panel->Timer1_Timer();
            f.panel->Timer3_Timer(); // the window closes
        };
        f.t.prompts->whileShown = [&] { window(reachable); };
        window("127.0.0.1:1");
        if (f.t.prompts->shown.isEmpty())
            window(reachable);
        QCOMPARE(f.server.connections(), 1);
        QCOMPARE(f.t.prompts->notices.size(), 1);
        QCOMPARE(f.program.msgForm()->Text2->text(), QStringLiteral("2"));
    }

    void serverRefusingAMillionMessagesIsGivenUpSoon()
    {
        // The check stops after a run of refusals, not three million
        // commands later (the server hangs up after a thousand), and still
        // announces the login's count.
        CheckFixture f([](ScriptServer& s) {
            s.send("+OK ready\r\n").login("user", "secret").claimMessages(1'000'000, 1000).everyClient();
            return QStringLiteral("127.0.0.1:%1").arg(s.begin());
        });
        CheckMail(f.program);
        QCOMPARE(f.program.msgForm()->Text2->text(), QStringLiteral("1000000"));
        const QList<QByteArray> seen = f.server.transcript();
        QVERIFY2(seen.size() < 40, qPrintable(QString::number(seen.size())));
        QCOMPARE(seen.last(), QByteArray("QUIT"));
    }
};

QTEST_MAIN(CheckMailTest)
#include "check_mail_test.moc"
