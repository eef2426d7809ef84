// A user's day with the real program, on a private X server with a window
// manager (openbox) and a tray host (trayer), against a real Dovecot whose
// mailbox starts empty. The program starts from an empty settings folder:
//  1. the server and account dialogs come up and are filled in by typing;
//  2. the first check asks about the server's self-signed certificate, the
//     answer はい pins it, and the empty mailbox raises no board;
//  3. the preferences set checking every minute, and the panel is closed
//     and opened again;
//  4. three messages are delivered into the mailbox;
//  5. the scheduled check finds them with one login: the board says 3, the
//     mascot shows its alert and the second mascot wanders;
//  6. 戻す ends the alert, interval checking is turned off again and the
//     board is closed;
//  7. タスクトレイ leaves only the tray icon, whose menu brings the mascot back;
//  8. a wrong password gives one error box from one failed login;
//  9. the launch box is ticked and the right button ends the program with
//     every setting kept.
// The steps share one program run and go in this order; pictures of each
// state are saved as screenshots/day_*.png in the build folder.

#include "day_desktop.h"
#include "forms/program_folder.h"
#include "settings/settings_files.h"
#include "support/file_bytes.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QSslCertificate>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <unistd.h>

class DayTest final : public QObject, private DayDesktop
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase() { stopAll(); }
    void firstStartAsksForTheServerAndTheAccount();
    void firstCheckAsksAboutTheCertificateAndPinsIt();
    void preferencesSetCheckingEveryMinute();
    void reopenedPanelKeepsCheckingEveryMinute();
    void threeMessagesArrive();
    void scheduledCheckAnnouncesThemWithOneLogin();
    void backEndsTheAlert();
    void trayRoundTrip();
    void wrongPasswordGivesOneErrorBox();
    void rightButtonEndsTheProgramKeepingTheSettings();
};

void DayTest::initTestCase()
{
    QVERIFY(m_folder.isValid() && m_workingDir.isValid() && m_serverDir.isValid());
    m_shots = qEnvironmentVariable("PAWMELO_BUILD_DIR") + "/screenshots";
    QVERIFY(QDir().mkpath(m_shots));

    // The alert picture's marks: where it differs from every pose inside
    // the outline the alert is cut to (pose A's).
    m_alert = picture("alert");
    const QImage a = picture("pose_a"), b = picture("pose_b"), c = picture("pose_c");
    QVERIFY(m_alert.size() == kMascot && a.size() == kMascot);
    for (int y = 0; y < kMascot.height(); ++y)
        for (int x = 0; x < kMascot.width(); ++x) {
            const QPoint p(x, y);
            const QRgb mark = rgb(m_alert, p);
            if (mark != kKey && rgb(a, p) != kKey && mark != rgb(a, p) && mark != rgb(b, p) &&
                mark != rgb(c, p))
                m_alertMarks.append(p);
        }
    QVERIFY2(m_alertMarks.size() > 50, "the alert picture must differ from the poses");

    // Dovecot with an empty mailbox, its own certificate and two ports.
    QVERIFY(QDir(m_serverDir.path()).mkdir(QStringLiteral("empty")));
    m_dovecotRunning = true; // from here on it is stopped whatever happens
    QVERIFY2(dovecot(QStringLiteral("start")), "Dovecot did not start");
    m_port = QString::fromLatin1(readFile(m_serverDir.filePath("dovecot/ports")).split(' ').value(0));
    QVERIFY(m_port.toInt() > 0);
    QVERIFY(QDir(maildir() + "/new").isEmpty(QDir::Files));
    QCOMPARE(logins(), 0);

    QVERIFY2(!m_x.start(true).isEmpty(), "could not start Xvfb with openbox");
    m_trayer.setProcessEnvironment(m_x.environment());
    m_trayer.start(QStringLiteral("trayer"), {"--edge", "bottom", "--align", "right", "--widthtype", "pixel",
                                              "--width", "200", "--height", "24", "--transparent", "false"});
    QVERIFY(m_trayer.waitForStarted(5000));
    QVERIFY2(WaitFor(kAppear, [this] { return trayArea().isValid(); }), "no tray");

    // A fresh program folder with an empty settings folder, and a current
    // directory without the companion mailer's file.
    QVERIFY(!MakeProgramFolder(m_folder.path()).isEmpty());
    QVERIFY(!QFile::exists(m_workingDir.filePath(kCompanionFileName)));

    QVERIFY(m_x.xdotool({"mousemove", "--sync", number(kStart.x()), number(kStart.y())}));
    m_program.setProcessEnvironment(m_x.environment());
    m_program.setWorkingDirectory(m_workingDir.path());
    m_program.setProcessChannelMode(QProcess::ForwardedChannels);
    m_program.start(m_folder.filePath("pawmelo"));
    QVERIFY(m_program.waitForStarted(5000));
}

void DayTest::firstStartAsksForTheServerAndTheAccount()
{
    const QByteArray server = waitForWindow(QStringLiteral("サーバー"));
    const QByteArray account = waitForWindow(QStringLiteral("ID,PASS"));
    QVERIFY2(!server.isEmpty(), "no server dialog");
    QVERIFY2(!account.isEmpty(), "no account dialog");
    QVERIFY2(WaitFor(kAppear, [this] { return mascot().topLeft() == kStart; }), "no mascot at the pointer");
    screenshot("1_dialogs");

    // The server dialog stays above the other: it goes first.
    const QString pop3 = "127.0.0.1:" + m_port;
    QVERIFY(focusBox(server, kServerPop3));
    QVERIFY(m_x.type(pop3));
    screenshot("1_server_filled");
    QVERIFY(m_x.clickIn(server, kServerOk));
    const QString companion = m_workingDir.filePath(kCompanionFileName);
    QVERIFY2(WaitFor(kAppear, [&] { return lines(companion).contains("POP3=" + pop3.toLatin1()); }),
             readFile(companion).constData());
    QVERIFY(WaitFor(kAppear, [this] { return titled(QStringLiteral("サーバー")).isEmpty(); }));

    QVERIFY(focusBox(account, kAccountId));
    QVERIFY(m_x.type(QStringLiteral("test")));
    QVERIFY(focusBox(account, kAccountPassword));
    QVERIFY(m_x.type(QStringLiteral("s3cret")));
    QVERIFY(m_x.clickIn(account, kAccountSave));
    screenshot("1_account_filled");
    QVERIFY(m_x.clickIn(account, kAccountOk));
    const QString accountFile = AccountFile(m_folder.path());
    QVERIFY2(WaitFor(kAppear,
                     [&] {
                         const QByteArrayList stored = lines(accountFile);
                         return stored.contains("NAME=test") && stored.contains("NAME2=s3cret");
                     }),
             readFile(accountFile).constData());
    QVERIFY(WaitFor(kAppear, [this] { return titled(QStringLiteral("ID,PASS")).isEmpty(); }));
    QVERIFY(running());
}

void DayTest::firstCheckAsksAboutTheCertificateAndPinsIt()
{
    QTest::qWait(1200); // the mascot's first tick shapes it: the clicks then land on it
    QVERIFY2(openPanel(), "the double-click did not open the panel");
    QVERIFY(m_x.clickIn(m_panel, kPanelCheck));

    const QByteArray question = waitForWindow(QStringLiteral("確認"));
    QVERIFY2(!question.isEmpty(), "no question about the certificate");
    screenshot("2_certificate_question");
    QCOMPARE(logins(), 0); // nothing has gone to the server yet
    QVERIFY(activate(question));
    QVERIFY(m_x.xdotool({"key", "alt+y"})); // はい(&Y)
    QVERIFY(WaitFor(kAppear, [this] { return titled(QStringLiteral("確認")).isEmpty(); }));

    // One login, and the check is over when the server logs the session out.
    QVERIFY2(WaitFor(kAppear, [this] { return logged("Disconnected: Logged out") == 1; }),
             "the check did not log in and out");
    QCOMPARE(logins(), 1);
    QTest::qWait(1500);
    QVERIFY2(titled(QStringLiteral("新着お知らせ")).isEmpty(), "a board for an empty mailbox");
    screenshot("2_checked_empty");

    const QList<QSslCertificate> certificate =
        QSslCertificate::fromPath(m_serverDir.filePath("dovecot/ssl/cert.pem"));
    QCOMPARE(certificate.size(), 1);
    const QByteArray pin = "127.0.0.1:" + m_port.toLatin1() + "=" +
                           certificate.first().digest(QCryptographicHash::Sha256).toHex();
    const QString servers = ServersFile(m_folder.path());
    QVERIFY2(lines(servers).contains(pin), readFile(servers).constData());
    QVERIFY(running());
}

void DayTest::preferencesSetCheckingEveryMinute()
{
    QVERIFY(running());
    QVERIFY(setInterval(QStringLiteral("1"), QStringLiteral("3_preferences")));
    const QString preferences = PreferencesFile(m_folder.path());
    QVERIFY2(lines(preferences).contains("NUMBER2=1"), readFile(preferences).constData());
}

void DayTest::reopenedPanelKeepsCheckingEveryMinute()
{
    // The preferences dialog outlives the panel (the panel's next read of
    // the interval brought it back, hidden): the new panel must take the
    // interval on from it and count from 0 again.
    QTest::qWait(500);
    QVERIFY(m_x.closeLikeACloseBox(m_panel));
    QVERIFY(WaitFor(kAppear, [this] { return sized(kPanel).isEmpty(); }));
    QVERIFY2(openPanel(), "the double-click did not open the panel again");
    m_reopened.start();
    screenshot("3_panel_reopened");
    QVERIFY(running());
}

void DayTest::threeMessagesArrive()
{
    // Delivered as a mail server does: written in tmp/, owned by the mail
    // user, and moved into new/.
    m_loginsBefore = logins();
    const QString box = maildir();
    for (int n = 1; n <= 3; ++n) {
        const QString name = QStringLiteral("18000000%1.M%1P1.day").arg(n);
        const QByteArray message = "From: Sender <sender@example.jp>\r\nTo: test@example.jp\r\n"
                                   "Subject: Day message " +
                                   QByteArray::number(n) + "\r\nMessage-ID: <day" + QByteArray::number(n) +
                                   "@example.jp>\r\n\r\nMessage " + QByteArray::number(n) +
                                   " of the day.\r\n";
        const QString draft = box + "/tmp/" + name;
        writeBytes(draft, message);
        QCOMPARE(::chown(QFile::encodeName(draft).constData(), 65534, 65534), 0);
        QVERIFY(QFile::rename(draft, box + "/new/" + name));
    }
    QCOMPARE(QDir(box + "/new").entryList(QDir::Files).size(), 3);
    QVERIFY(m_x.xdotool({"mousemove", number(kWalkerStart.x()), number(kWalkerStart.y())}));
}

void DayTest::scheduledCheckAnnouncesThemWithOneLogin()
{
    QVERIFY(running());
    const QByteArray primary = sized(kMascot).value(0).id;
    QVERIFY(!primary.isEmpty());

    QList<QByteArray> board;
    QVERIFY2(WaitFor(kScheduledCheck,
                     [&] { return (board = titled(QStringLiteral("新着お知らせ"))).size() == 1; }),
             "no notice board from the scheduled check");
    QVERIFY2(m_reopened.elapsed() > kOneWindow,
             "the check did not wait for the reopened panel's first window");
    QVERIFY(m_x.geometry(board.first()).size() == QSize(242, 18));

    // The count on the board, read as a user would copy it: a double-click
    // selects it.
    QVERIFY(m_x.clickIn(board.first(), kBoardCount, 2));
    QByteArray count;
    QVERIFY(WaitFor(kAppear, [&] {
        return m_x.run(QStringLiteral("xclip"), {"-o", "-selection", "primary"}, &count) && count == "3";
    }));

    // The mascot shows the alert picture.
    QImage shot;
    const QRect where = m_x.geometry(primary);
    QVERIFY2(WaitFor(kAppear,
                     [&] {
                         shot = screenshot("5_board_and_alert");
                         return alertShown(shot, where.topLeft()) > 0.9;
                     }),
             "the mascot does not show its alert");

    // The second mascot: another 100 x 100 window, and it moves.
    XDesktop::Window walker;
    QVERIFY2(WaitFor(kAppear,
                     [&] {
                         for (const XDesktop::Window& w : sized(kMascot))
                             if (w.id != primary)
                                 walker = w;
                         return !walker.id.isEmpty();
                     }),
             "no second mascot");
    const QPoint firstLook = walker.geometry.topLeft();
    QVERIFY2(WaitFor(kAppear, [&] { return m_x.geometry(walker.id).topLeft() != firstLook; }),
             "the second mascot stands still");
    screenshot("5_walker_moved");

    // One login for the one window. The check has ended when the server
    // logs the session out; a second login in the same window would be
    // logged within the second the window lasts.
    QVERIFY(WaitFor(kAppear, [this] { return logged("Disconnected: Logged out") == 2; }));
    QTest::qWait(2000);
    QCOMPARE(logins() - m_loginsBefore, 1);
    QVERIFY(running());
}

void DayTest::backEndsTheAlert()
{
    QVERIFY(running());
    QVERIFY(m_x.clickIn(m_panel, kPanelBack));
    QVERIFY2(WaitFor(kAppear, [this] { return sized(kMascot).size() == 1; }), "the second mascot stayed");
    const QRect figure = mascot();
    QVERIFY2(WaitFor(kAppear, [&] { return alertShown(screenshot("6_back"), figure.topLeft()) < 0.1; }),
             "the mascot still shows its alert");

    // Interval checking off, well before the next scheduled check is due,
    // so that none comes in between the steps that follow.
    QVERIFY(setInterval(QStringLiteral("0"), QStringLiteral("6_interval_off")));
    const QString preferences = PreferencesFile(m_folder.path());
    QVERIFY2(lines(preferences).contains("NUMBER2=0"), readFile(preferences).constData());

    const QByteArray board = waitForWindow(QStringLiteral("新着お知らせ"));
    QVERIFY(!board.isEmpty());
    QVERIFY(m_x.closeLikeACloseBox(board));
    QVERIFY(WaitFor(kAppear, [this] { return titled(QStringLiteral("新着お知らせ")).isEmpty(); }));
    QCOMPARE(logins() - m_loginsBefore, 1); // still the one scheduled login
    QVERIFY(running());
}

void DayTest::trayRoundTrip()
{
    QVERIFY(running());
    const QRect figure = mascot();
    QVERIFY(m_x.clickIn(m_panel, kPanelTray));
    QVERIFY2(WaitFor(kAppear, [this] { return icon().isValid(); }), "no tray icon");
    QVERIFY2(WaitFor(kAppear, [this] { return sized(kPanel).isEmpty() && sized(kMascot).isEmpty(); }),
             "the panel or the mascot stayed");
    QVERIFY2(trayArea().contains(icon()), "the icon is not in the tray");
    screenshot("7_tray");

    QVERIFY(m_x.click(icon().center()));
    QVERIFY2(WaitFor(kAppear, [this] { return menu().isValid(); }), "no menu on a click on the icon");
    screenshot("7_menu");
    const QRect items = menu();
    QVERIFY(m_x.click(QPoint(items.center().x(), items.top() + 10))); // メイン画面を表示
    QVERIFY2(WaitFor(kAppear, [&] { return mascot() == figure; }), "the mascot did not come back");
    QVERIFY(!menu().isValid());
    screenshot("7_mascot_back");
    QVERIFY(running());
}

void DayTest::wrongPasswordGivesOneErrorBox()
{
    QVERIFY(running());
    // The check reads the account file each time: a wrong password there is
    // the one it sends.
    const QString accountFile = AccountFile(m_folder.path());
    QByteArray account = readFile(accountFile);
    QVERIFY(account.contains("NAME2=s3cret\r\n"));
    account.replace("NAME2=s3cret\r\n", "NAME2=wrong\r\n");
    writeBytes(accountFile, account);

    const int failuresBefore = logged("auth failed");
    QTest::qWait(1200); // a tick, so that the mascot is shaped where it is clicked
    QVERIFY2(openPanel(), "the double-click did not open the panel");
    QVERIFY(m_x.clickIn(m_panel, kPanelCheck));
    const QByteArray box = waitForWindow(QStringLiteral("エラー"));
    QVERIFY2(!box.isEmpty(), "no error box");
    screenshot("8_error");
    QCOMPARE(titled(QStringLiteral("エラー")).size(), 1);

    QVERIFY(activate(box));
    QVERIFY(m_x.xdotool({"key", "Return"}));
    QVERIFY(WaitFor(kAppear, [this] { return titled(QStringLiteral("エラー")).isEmpty(); }));
    // The connection closes once the box is answered, and the server then
    // logs the one failed attempt.
    QVERIFY2(WaitFor(kAppear, [&] { return logged("auth failed") == failuresBefore + 1; }),
             "the server logged no failed login");
    QVERIFY(logged("auth failed, 1 attempts"));
    QTest::qWait(1500);
    QVERIFY2(titled(QStringLiteral("エラー")).isEmpty(), "a second error box");
    QCOMPARE(logged("auth failed"), failuresBefore + 1);
    QCOMPARE(logins() - m_loginsBefore, 1);
    QVERIFY(running());
}

void DayTest::rightButtonEndsTheProgramKeepingTheSettings()
{
    QVERIFY(running());
    QVERIFY(m_x.clickIn(m_panel, kPanelLaunchBox));
    QTest::qWait(300);
    screenshot("9_launch_box_ticked");
    const QRect figure = mascot();
    QVERIFY(figure.isValid());
    QVERIFY(m_x.click(figure.topLeft() + kOnFigure, 3));
    QVERIFY2(m_program.waitForFinished(kAppear), "the right button did not end the program");
    QCOMPARE(m_program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(m_program.exitCode(), 0);

    const QString folder = m_folder.path();
    const QByteArrayList preferences = lines(PreferencesFile(folder));
    QVERIFY2(preferences.contains("NUMBER3=1") && preferences.contains("NUMBER2=0"),
             readFile(PreferencesFile(folder)).constData());
    QVERIFY(lines(AccountFile(folder)).contains("NAME=test"));
    QVERIFY(lines(m_workingDir.filePath(kCompanionFileName)).contains("POP3=127.0.0.1:" + m_port.toLatin1()));
    QVERIFY(readFile(ServersFile(folder)).contains("127.0.0.1:" + m_port.toLatin1() + "="));
}

QTEST_GUILESS_MAIN(DayTest)
#include "day_test.moc"
