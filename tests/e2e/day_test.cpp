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

#include "support/file_bytes.h"
#include "support/x_desktop.h"

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

namespace {
const QSize kMascot(100, 100);
const QSize kPanel(185, 116);
constexpr QRgb kKey = 0xC0C0C0; // the see-through colour of the mascot pictures
const QPoint kStart(100, 450);  // the pointer at start: the mascot's top-left corner
// Where the pointer waits for the scheduled check: the second mascot comes
// up there, away from the board, the panel and the first mascot.
const QPoint kWalkerStart(760, 160);
const QPoint kOnFigure(50, 60); // inside the figure of every pose

// Places in the windows, from their .ui layouts (pixels in the client area).
const QPoint kPanelCheck(64, 86);     // 受信
const QPoint kPanelSettings(20, 86);  // 設定
const QPoint kPanelBack(164, 86);     // 戻す
const QPoint kPanelTray(148, 16);     // タスクトレイ
const QPoint kPanelLaunchBox(16, 40); // Check2
const QPoint kServerPop3(96, 73);     // サーバー: Pop3Text
const QPoint kServerOk(76, 180);      // サーバー: 設定
const QPoint kAccountId(118, 17);     // ID,PASS: IdText
const QPoint kAccountPassword(118, 49);
const QPoint kAccountSave(36, 76);
const QPoint kAccountOk(88, 102);
const QPoint kInterval(164, 161); // 設定: Text2
const QPoint kBoardCount(224, 9); // 新着お知らせ: Text2

// Generous: the machine may be busy with other builds.
constexpr int kAppear = 15000;
// The first scheduled check comes 61 one-second ticks after the interval
// is set, or after the panel is opened anew.
constexpr int kScheduledCheck = 80000;
// Those ticks are timers that may each run a little early.
constexpr int kOneWindow = 55000;


QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The lines of a settings file, line ends removed.
QByteArrayList lines(const QString& path)
{
    QByteArrayList result;
    for (const QByteArray& line : readFile(path).split('\n'))
        result.append(line.endsWith('\r') ? line.chopped(1) : line);
    return result;
}


QRgb rgb(const QImage& image, QPoint p)
{
    return image.pixel(p) & 0xFFFFFF;
}

QImage picture(const QString& name)
{
    return QImage(qEnvironmentVariable("PAWMELO_SOURCE_DIR") + "/assets/mascot/" + name + ".png")
        .convertToFormat(QImage::Format_RGB32);
}

QString number(int n)
{
    return QString::number(n);
}
} // namespace

class DayTest final : public QObject
{
    Q_OBJECT
public:
    ~DayTest() override { stopAll(); }

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

private:
    bool running() const { return m_program.state() == QProcess::Running; }
    void stopAll();
    bool dovecot(const QString& command);
    QString maildir() const;
    // Lines of Dovecot's log holding `what`.
    int logged(const QByteArray& what) const;
    int logins() const { return logged("Login: user=<test>"); }

    // A picture of the whole screen, saved as screenshots/day_<name>.png.
    QImage screenshot(const QString& name) const;
    QList<XDesktop::Window> windows() const { return m_x.visibleWindows(m_program.processId()); }
    // The visible windows titled `title` that are no mascot.
    QList<QByteArray> titled(const QString& title) const;
    // Waits for the one visible window titled `title`; empty if none came.
    QByteArray waitForWindow(const QString& title) const;
    QList<XDesktop::Window> sized(QSize size) const;
    QRect icon() const;
    QRect menu() const;
    QRect trayArea() const;

    // Clicks a text box of `window` and waits for the window to have the focus.
    bool focusBox(const QByteArray& window, QPoint at) const;
    // Makes `window` the active one, so that keys go to it.
    bool activate(const QByteArray& window) const;
    QRect mascot() const;
    bool openPanel();
    bool setInterval(const QString& minutes, const QString& shot);
    // The share of the alert picture's own marks that the screen shows at
    // the mascot's place.
    double alertShown(const QImage& shot, QPoint topLeft) const;

    XDesktop m_x;
    QProcess m_trayer;
    QTemporaryDir m_folder;     // the program folder
    QTemporaryDir m_workingDir; // the current directory: no kestra.ini
    QTemporaryDir m_serverDir;  // Dovecot's folder and an empty one for its mailbox
    QString m_shots;
    QString m_port;
    bool m_dovecotRunning = false;
    QProcess m_program;
    QByteArray m_panel;
    QList<QPoint> m_alertMarks; // pixels only the alert picture has
    QImage m_alert;
    int m_loginsBefore = 0;
    QElapsedTimer m_reopened; // since the panel was opened anew
};

void DayTest::stopAll()
{
    for (QProcess* process : {&m_program, &m_trayer}) {
        if (process->state() != QProcess::NotRunning) {
            process->kill();
            process->waitForFinished(3000);
        }
    }
    if (m_dovecotRunning) {
        // The log is kept with the pictures, for a failed run.
        QFile::remove(m_shots + "/day_dovecot.log");
        QFile::copy(m_serverDir.filePath("dovecot/dovecot.log"), m_shots + "/day_dovecot.log");
        dovecot(QStringLiteral("stop"));
        m_dovecotRunning = false;
    }
}

bool DayTest::dovecot(const QString& command)
{
    QProcess script;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DOVECOT_MESSAGES"), m_serverDir.filePath("empty"));
    script.setProcessEnvironment(env);
    script.setProcessChannelMode(QProcess::ForwardedChannels);
    script.start(QStringLiteral("bash"), {qEnvironmentVariable("PAWMELO_SOURCE_DIR") + "/scripts/dovecot.sh",
                                          command, m_serverDir.filePath("dovecot")});
    return script.waitForFinished(60000) && script.exitStatus() == QProcess::NormalExit &&
           script.exitCode() == 0;
}

QString DayTest::maildir() const
{
    // The script puts the mailbox under a folder of /tmp when the other
    // users cannot enter ours, and names that folder in "runtime".
    const QString dir = m_serverDir.filePath("dovecot");
    const QByteArray runtime = readFile(dir + "/runtime").trimmed();
    return (runtime.isEmpty() ? dir : QString::fromLocal8Bit(runtime)) + "/mail/test";
}

int DayTest::logged(const QByteArray& what) const
{
    return int(readFile(m_serverDir.filePath("dovecot/dovecot.log")).count(what));
}

QImage DayTest::screenshot(const QString& name) const
{
    const QString path = m_shots + "/day_" + name + ".png";
    if (!m_x.run(QStringLiteral("import"), {"-window", "root", path}))
        return {};
    return QImage(path).convertToFormat(QImage::Format_RGB32);
}

QList<QByteArray> DayTest::titled(const QString& title) const
{
    QList<QByteArray> found;
    for (const XDesktop::Window& w : windows())
        if (w.title == title && w.geometry.size() != kMascot)
            found.append(w.id);
    return found;
}

QByteArray DayTest::waitForWindow(const QString& title) const
{
    QList<QByteArray> found;
    WaitFor(kAppear, [&] { return (found = titled(title)).size() == 1; });
    return found.size() == 1 ? found.first() : QByteArray();
}

QList<XDesktop::Window> DayTest::sized(QSize size) const
{
    QList<XDesktop::Window> found;
    for (const XDesktop::Window& w : windows())
        if (w.geometry.size() == size)
            found.append(w);
    return found;
}

QRect DayTest::icon() const
{
    for (const XDesktop::Window& w : windows())
        if (w.geometry.width() <= 32 && w.geometry.height() <= 32)
            return w.geometry;
    return {};
}

QRect DayTest::menu() const
{
    for (const XDesktop::Window& w : windows()) {
        const QSize size = w.geometry.size();
        if (size != kMascot && size != kPanel && (size.width() > 32 || size.height() > 32))
            return w.geometry;
    }
    return {};
}

QRect DayTest::trayArea() const
{
    QByteArray ids;
    m_x.xdotool({"search", "--onlyvisible", "--class", "trayer"}, &ids);
    for (const QByteArray& line : ids.split('\n'))
        if (const QByteArray id = line.trimmed(); !id.isEmpty())
            if (const QRect area = m_x.geometry(id); area.width() > 32)
                return area;
    return {};
}



bool DayTest::focusBox(const QByteArray& window, QPoint at) const
{
    return m_x.clickIn(window, at) && WaitFor(kAppear, [&] { return m_x.isActive(window); });
}


bool DayTest::activate(const QByteArray& window) const
{
    return m_x.xdotool({"windowactivate", QString::fromLatin1(window)}) &&
           WaitFor(kAppear, [&] { return m_x.isActive(window); });
}


QRect DayTest::mascot() const
{
    const QList<XDesktop::Window> found = sized(kMascot);
    return found.size() == 1 ? found.first().geometry : QRect();
}

bool DayTest::openPanel()
{
    const QRect figure = mascot();
    if (!figure.isValid() || !m_x.click(figure.topLeft() + kOnFigure, 1, 2))
        return false;
    // The tray icon carries the program's name too: the panel is told by
    // its size.
    QList<XDesktop::Window> panels;
    if (!WaitFor(kAppear, [&] { return (panels = sized(kPanel)).size() == 1; }))
        return false;
    m_panel = panels.first().id;
    return panels.first().title == QStringLiteral("Pawmelo");
}

bool DayTest::setInterval(const QString& minutes, const QString& shot)
{
    if (!m_x.clickIn(m_panel, kPanelSettings))
        return false;
    const QByteArray preferences = waitForWindow(QStringLiteral("設定"));
    // The whole box is chosen and typed over, so that it never holds an
    // intermediate text.
    return !preferences.isEmpty() && focusBox(preferences, kInterval) &&
           m_x.xdotool({"key", "ctrl+a", "sleep", "0.1"}) && m_x.type(minutes) && !screenshot(shot).isNull() &&
           m_x.closeLikeACloseBox(preferences) &&
           WaitFor(kAppear, [this] { return titled(QStringLiteral("設定")).isEmpty(); });
}

double DayTest::alertShown(const QImage& shot, QPoint topLeft) const
{
    if (!QRect(QPoint(0, 0), shot.size()).contains(QRect(topLeft, kMascot)))
        return 0;
    int shown = 0;
    for (const QPoint& p : m_alertMarks)
        shown += rgb(shot, topLeft + p) == rgb(m_alert, p);
    return double(shown) / double(m_alertMarks.size());
}

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
    QVERIFY(!QFile::exists(m_workingDir.filePath("kestra.ini")));

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
    const QString companion = m_workingDir.filePath("kestra.ini");
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
    const QString accountFile = m_folder.filePath(QStringLiteral("★MailData/iniIdPass.ini"));
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
    const QString servers = m_folder.filePath(QStringLiteral("★MailData/servers.ini"));
    QVERIFY2(lines(servers).contains(pin), readFile(servers).constData());
    QVERIFY(running());
}

void DayTest::preferencesSetCheckingEveryMinute()
{
    QVERIFY(running());
    QVERIFY(setInterval(QStringLiteral("1"), QStringLiteral("3_preferences")));
    const QString preferences = m_folder.filePath(QStringLiteral("★MailData/ini.ini"));
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
    const QString preferences = m_folder.filePath(QStringLiteral("★MailData/ini.ini"));
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
    const QString accountFile = m_folder.filePath(QStringLiteral("★MailData/iniIdPass.ini"));
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

    const QString data = m_folder.filePath(QStringLiteral("★MailData/"));
    const QByteArrayList preferences = lines(data + "ini.ini");
    QVERIFY2(preferences.contains("NUMBER3=1") && preferences.contains("NUMBER2=0"),
             readFile(data + "ini.ini").constData());
    QVERIFY(lines(data + "iniIdPass.ini").contains("NAME=test"));
    QVERIFY(lines(m_workingDir.filePath("kestra.ini")).contains("POP3=127.0.0.1:" + m_port.toLatin1()));
    QVERIFY(readFile(data + "servers.ini").contains("127.0.0.1:" + m_port.toLatin1() + "="));
}

QTEST_GUILESS_MAIN(DayTest)
#include "day_test.moc"
