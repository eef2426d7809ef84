// Where the real program's windows land on a desktop of two monitors side by
// side (one wide Xvfb screen cut in two), under openbox, from a first start
// with the pointer on the right-hand monitor, against a TLS server with a
// certificate of its own and two messages:
//  1. the mascot stays on the right monitor, and the server and account
//     dialogs come up there side by side, typing going into the first empty
//     box;
//  2. the panel's frame opens exactly at its designed place beside the
//     mascot;
//  3. the certificate question comes up on that monitor above the mascot,
//     with the keyboard, and the board on the same monitor;
//  4. with the mascot in the middle of the left monitor the board keeps
//     clear of the panel, so that 戻す ends the alert;
//  5. with the mascot in each corner of the right monitor the panel stays
//     wholly on it, beside the mascot;
//  6. the account dialog opened from 設定 leaves 設定 uncovered.
// The mascots have no task bar entry. The steps share one program run;
// pictures are saved as screenshots/placement_*.png in the build folder.

#include "support/file_bytes.h"
#include "support/script_server.h"
#include "support/x_desktop.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {
const QRect kLeftMonitor(0, 0, 1024, 768);
const QRect kRightMonitor(1024, 0, 1024, 768);
const QSize kMascot(100, 100);
const QSize kPanel(185, 116);
const QPoint kStart(1400, 250); // the pointer at start, on the right monitor
const QPoint kOnFigure(50, 60); // inside the figure of every pose
// Places in the windows' client areas, from their .ui layouts.
const QPoint kPanelCheck(64, 86);    // 受信
const QPoint kPanelSettings(20, 86); // 設定
const QPoint kPanelBack(164, 86);    // 戻す
const QPoint kServerPop3(96, 73);
const QPoint kServerOk(76, 180);
const QPoint kAccountPassword(118, 49);
const QPoint kAccountSave(36, 76);
const QPoint kAccountOk(88, 102);
const QPoint kPreferencesAccount(72, 20); // 設定: ID/PASS
constexpr int kAppear = 15000;

QString number(int n)
{
    return QString::number(n);
}
} // namespace

class DesktopPlacementTest final : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void firstStartDialogsSideBySideOnTheMascotsMonitor();
    void panelFrameOpensAtItsDesignedPlace();
    void certificateQuestionAboveTheMascotWithTheKeyboard();
    void boardKeepsClearOfThePanelsBackButton();
    void panelStaysOnTheMonitorInEveryCorner();
    void accountDialogFromPreferencesLeavesThemUncovered();

private:
    bool running() const { return m_program.state() == QProcess::Running; }
    QList<XDesktop::Window> windows() const { return m_x.visibleWindows(m_program.processId()); }
    // The one visible window titled `title` that is not a mascot, waited for.
    QByteArray waitForWindow(const QString& title) const;
    QList<XDesktop::Window> sized(QSize size) const
    {
        return m_x.visibleWindows(m_program.processId(), size);
    }
    QRect mascot() const;
    bool waitForMascotAt(QPoint topLeft) const;
    // Drags the mascot by its figure until the pointer is at `pointer`.
    bool dragMascotTo(QPoint pointer);
    // Double-clicks the mascot and waits for the panel's frame to settle.
    QRect openPanel();
    bool noTaskbarEntry(const QByteArray& window) const;
    void screenshot(const QString& name) const;

    ScriptServer m_server;
    XDesktop m_x;
    QTemporaryDir m_folder;
    QTemporaryDir m_workingDir;
    QString m_address;
    QProcess m_program;
    QByteArray m_panel;
};

void DesktopPlacementTest::initTestCase()
{
    const TestCertificate certificate = MakeTestCertificate(m_workingDir.path());
    QVERIFY(certificate.valid());
    m_server.setTls(certificate.certificate, certificate.key, true);
    m_address = ServeMailbox(m_server, {TestMessage("one"), TestMessage("two")});
    m_address.replace(QStringLiteral("127.0.0.1"), QStringLiteral("pop3s://127.0.0.1"));

    QVERIFY2(!m_x.start(true, QStringLiteral("2048x768x24"), {kLeftMonitor, kRightMonitor}).isEmpty(),
             "could not start Xvfb with two monitors and openbox");
    QVERIFY(!MakeProgramFolder(m_folder.path()).isEmpty());
    QVERIFY(m_x.xdotool({"mousemove", number(kStart.x()), number(kStart.y())}));
    m_program.setProcessEnvironment(m_x.environment());
    m_program.setWorkingDirectory(m_workingDir.path());
    m_program.setProcessChannelMode(QProcess::ForwardedChannels);
    m_program.start(m_folder.filePath("pawmelo"));
    QVERIFY(m_program.waitForStarted(5000));
}

void DesktopPlacementTest::cleanupTestCase()
{
    if (running()) {
        m_program.kill();
        m_program.waitForFinished(3000);
    }
}

QByteArray DesktopPlacementTest::waitForWindow(const QString& title) const
{
    QByteArray found;
    WaitFor(kAppear, [&] {
        QList<QByteArray> ids;
        for (const XDesktop::Window& w : windows())
            if (w.title == title && w.geometry.size() != kMascot)
                ids.append(w.id);
        found = ids.size() == 1 ? ids.first() : QByteArray();
        return !found.isEmpty();
    });
    return found;
}

QRect DesktopPlacementTest::mascot() const
{
    const QList<XDesktop::Window> found = sized(kMascot);
    return found.size() == 1 ? found.first().geometry : QRect();
}

bool DesktopPlacementTest::waitForMascotAt(QPoint topLeft) const
{
    return WaitFor(kAppear, [&] { return mascot().topLeft() == topLeft; });
}

bool DesktopPlacementTest::dragMascotTo(QPoint pointer)
{
    const QPoint from = mascot().topLeft() + kOnFigure;
    QStringList steps{"mousemove", number(from.x()), number(from.y()), "sleep", "0.1", "mousedown", "1"};
    for (int step = 1; step <= 8; ++step) {
        const QPoint at = from + (pointer - from) * step / 8;
        steps << "sleep"
              << "0.05"
              << "mousemove" << number(at.x()) << number(at.y());
    }
    steps << "sleep"
          << "0.1"
          << "mouseup"
          << "1";
    return m_x.xdotool(steps);
}

QRect DesktopPlacementTest::openPanel()
{
    QTest::qWait(1200); // a tick: the mascot is shaped where it is clicked
    const QRect before = m_panel.isEmpty() ? QRect() : m_x.frame(m_panel);
    if (!m_x.click(mascot().topLeft() + kOnFigure, 1, 2))
        return {};
    QList<XDesktop::Window> panels;
    if (!WaitFor(kAppear, [&] { return (panels = sized(kPanel)).size() == 1; }))
        return {};
    m_panel = panels.first().id;
    // Framed and placed: the frame no longer changes.
    QRect frame = m_x.frame(m_panel);
    WaitFor(3000, [&] {
        const QRect now = m_x.frame(m_panel);
        const bool settled = now == frame && now != before && now.size() != kPanel;
        frame = now;
        QTest::qWait(200);
        return settled;
    });
    return frame;
}

bool DesktopPlacementTest::noTaskbarEntry(const QByteArray& window) const
{
    const QByteArray state = m_x.property(window, "_NET_WM_STATE");
    return state.contains("_NET_WM_STATE_SKIP_TASKBAR") && state.contains("_NET_WM_STATE_SKIP_PAGER");
}

void DesktopPlacementTest::screenshot(const QString& name) const
{
    const QString folder = qEnvironmentVariable("PAWMELO_BUILD_DIR") + "/screenshots";
    QDir().mkpath(folder);
    m_x.run(QStringLiteral("import"), {"-window", "root", folder + "/placement_" + name + ".png"});
}

void DesktopPlacementTest::firstStartDialogsSideBySideOnTheMascotsMonitor()
{
    const QByteArray server = waitForWindow(QStringLiteral("サーバー"));
    const QByteArray account = waitForWindow(QStringLiteral("ID,PASS"));
    QVERIFY2(!server.isEmpty() && !account.isEmpty(), "no server or account dialog");
    QVERIFY2(waitForMascotAt(kStart), "no mascot at the pointer");
    QTest::qWait(1500); // past the first tick, which keeps the mascot on its monitor
    screenshot("1_dialogs");
    QCOMPARE(mascot().topLeft(), kStart);
    QVERIFY2(noTaskbarEntry(sized(kMascot).first().id), "the mascot has a task bar entry");

    const QRect serverFrame = m_x.frame(server);
    const QRect accountFrame = m_x.frame(account);
    QVERIFY2(kRightMonitor.contains(serverFrame) && kRightMonitor.contains(accountFrame),
             "the dialogs are not on the mascot's monitor");
    QVERIFY2(!serverFrame.intersects(accountFrame), "one dialog covers the other");
    QVERIFY2(!serverFrame.intersects(mascot()) && !accountFrame.intersects(mascot()),
             "a dialog covers the mascot");

    // The account dialog came up last and has the keyboard, in its empty ID
    // box: the name is typed without a click.
    QVERIFY2(WaitFor(kAppear, [&] { return m_x.isActive(account); }), "the account dialog has no keyboard");
    QVERIFY(m_x.type(QStringLiteral("user")));
    QVERIFY(m_x.clickIn(account, kAccountPassword));
    QVERIFY(m_x.type(QStringLiteral("secret")));
    QVERIFY(m_x.clickIn(account, kAccountSave));
    QVERIFY(m_x.clickIn(account, kAccountOk));
    const QString accountFile = m_folder.filePath(QStringLiteral("★MailData/iniIdPass.ini"));
    QVERIFY2(WaitFor(kAppear, [&] { return readBytes(accountFile).contains("NAME=user\r\n"); }),
             readBytes(accountFile).constData());

    QVERIFY(m_x.clickIn(server, kServerPop3));
    QVERIFY(m_x.type(m_address));
    QVERIFY(m_x.clickIn(server, kServerOk));
    QVERIFY(WaitFor(kAppear, [&] { return QFile::exists(m_workingDir.filePath("kestra.ini")); }));
}

void DesktopPlacementTest::panelFrameOpensAtItsDesignedPlace()
{
    QVERIFY(running());
    // Top + 1600 twips, Left - 600 twips, at 15 twips to the pixel; the
    // frame, title bar included, goes there from the first opening on.
    const QRect frame = openPanel();
    screenshot("2_panel");
    QCOMPARE(frame.topLeft(), QPoint(kStart.x() - 40, 357));
    QVERIFY(frame.height() > kPanel.height()); // framed by the window manager
}

void DesktopPlacementTest::certificateQuestionAboveTheMascotWithTheKeyboard()
{
    QVERIFY(running());
    QVERIFY(m_x.clickIn(m_panel, kPanelCheck));
    const QByteArray question = waitForWindow(QStringLiteral("確認"));
    QVERIFY2(!question.isEmpty(), "no certificate question");
    QTest::qWait(500);
    screenshot("3_question");
    const QList<QByteArray> stacking = m_x.stacking();
    const QByteArray figure = sized(kMascot).first().id;
    QVERIFY2(stacking.indexOf(question) > stacking.indexOf(figure), "the mascot is above the question");
    QVERIFY2(kRightMonitor.contains(m_x.frame(question)), "the question is not on the program's monitor");
    QVERIFY2(WaitFor(kAppear, [&] { return m_x.isActive(question); }), "the question has no keyboard");
    QVERIFY(m_x.xdotool({"key", "alt+y"})); // はい(&Y), typed at once

    const QByteArray board = waitForWindow(QStringLiteral("新着お知らせ"));
    QVERIFY2(!board.isEmpty(), "no notice board");
    QTest::qWait(500);
    screenshot("3_board");
    QVERIFY2(kRightMonitor.contains(m_x.frame(board)), "the board is not on the program's monitor");
    QVERIFY(!m_x.frame(board).intersects(m_x.frame(m_panel)));
    // The alert's second figure, out of the task bar too; the board goes.
    QVERIFY(WaitFor(kAppear, [&] { return sized(kMascot).size() == 2; }));
    for (const XDesktop::Window& w : sized(kMascot))
        QVERIFY2(noTaskbarEntry(w.id), "a mascot has a task bar entry");
    QVERIFY(m_x.clickIn(m_panel, kPanelBack));
    QVERIFY(WaitFor(kAppear, [&] { return sized(kMascot).size() == 1; }));
    QVERIFY(m_x.closeLikeACloseBox(board));
    QVERIFY(WaitFor(kAppear, [&] { return waitForWindow(QStringLiteral("新着お知らせ")).isEmpty(); }));
}

void DesktopPlacementTest::boardKeepsClearOfThePanelsBackButton()
{
    QVERIFY(running());
    // The mascot near the middle of the left monitor: a board in the middle
    // would lie on the panel's 戻す.
    QVERIFY(dragMascotTo(QPoint(300, 200) + kOnFigure));
    QVERIFY(waitForMascotAt(QPoint(300, 200)));
    const QRect panel = openPanel();
    QVERIFY(kLeftMonitor.contains(panel));
    QVERIFY(m_x.clickIn(m_panel, kPanelCheck));
    const QByteArray board = waitForWindow(QStringLiteral("新着お知らせ"));
    QVERIFY2(!board.isEmpty(), "no notice board");
    QVERIFY(WaitFor(kAppear, [&] { return sized(kMascot).size() == 2; }));
    QTest::qWait(500);
    screenshot("4_board_beside_panel");
    const QPoint back = m_x.geometry(m_panel).topLeft() + kPanelBack;
    QVERIFY2(!m_x.frame(board).contains(back), "the board lies on 戻す");
    // A click on 戻す ends the alert: the second figure goes.
    QVERIFY(m_x.click(back));
    QVERIFY2(WaitFor(kAppear, [&] { return sized(kMascot).size() == 1; }), "戻す did not end the alert");
    QVERIFY(m_x.closeLikeACloseBox(board));
}

void DesktopPlacementTest::panelStaysOnTheMonitorInEveryCorner()
{
    QVERIFY(running());
    // Dropped a little past each corner of the right monitor (the left ones
    // mostly on it, so it pulls the mascot onto itself), the mascot ends in
    // the corner; the panel then lies wholly on that monitor, beside it.
    const struct
    {
        const char* name;
        QPoint pointer; // where the drag lets go
        QPoint corner;  // where the mascot ends
    } corners[] = {
        {"top_left", QPoint(1060, 0), QPoint(1024, 0)},
        {"top_right", QPoint(2047, 0), QPoint(1948, 0)},
        {"bottom_right", QPoint(2047, 767), QPoint(1948, 668)},
        {"bottom_left", QPoint(1060, 767), QPoint(1024, 668)},
    };
    for (const auto& c : corners) {
        QVERIFY(dragMascotTo(c.pointer));
        QVERIFY2(waitForMascotAt(c.corner), c.name);
        const QRect panel = openPanel();
        screenshot(QStringLiteral("5_corner_") + c.name);
        QVERIFY2(kRightMonitor.contains(panel), c.name);
        QVERIFY2(!panel.intersects(mascot()), c.name);
    }
}

void DesktopPlacementTest::accountDialogFromPreferencesLeavesThemUncovered()
{
    QVERIFY(running());
    QVERIFY(m_x.clickIn(m_panel, kPanelSettings));
    const QByteArray preferences = waitForWindow(QStringLiteral("設定"));
    QVERIFY(!preferences.isEmpty());
    QTest::qWait(500);
    QVERIFY(m_x.clickIn(preferences, kPreferencesAccount));
    const QByteArray account = waitForWindow(QStringLiteral("ID,PASS"));
    QVERIFY(!account.isEmpty());
    QTest::qWait(500);
    screenshot("6_preferences_and_account");
    QVERIFY2(!m_x.frame(account).intersects(m_x.frame(preferences)), "the account dialog covers 設定");
    QVERIFY(!m_x.frame(account).intersects(m_x.frame(m_panel)));
}

QTEST_GUILESS_MAIN(DesktopPlacementTest)
#include "desktop_placement_test.moc"
