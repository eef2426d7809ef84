// Where the real program's windows land on two monitors side by side (one
// wide Xvfb screen cut in two) under openbox, from a first start with the
// pointer on the right monitor, against a TLS server with a certificate of
// its own and two messages. The steps share one run and go in this order;
// pictures are saved as screenshots/placement_*.png in the build folder.

#include "support/file_bytes.h"
#include "support/script_server.h"
#include "support/x_desktop.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {
const QRect kLeft(0, 0, 1024, 768);
const QRect kRight(1024, 0, 1024, 768);
const QSize kMascot(100, 100);
const QSize kPanel(185, 116);
const QPoint kStart(1400, 250); // the pointer at start
const QPoint kOnFigure(50, 60); // inside the figure of every pose
// Places in the windows' client areas, from their .ui layouts.
const QPoint kCheck(64, 86), kSettings(20, 86), kBack(164, 86);      // panel: 受信, 設定, 戻す
const QPoint kPop3(96, 73), kServerOk(76, 180);                      // サーバー
const QPoint kPassword(118, 49), kSave(36, 76), kAccountOk(88, 102); // ID,PASS
const QPoint kAccountButton(72, 20);                                 // 設定: ID/PASS
constexpr int kAppear = 15000;
} // namespace

class DesktopPlacementTest final : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase()
    {
        m_program.kill();
        m_program.waitForFinished(3000);
    }
    void firstStartDialogsSideBySideOnTheMascotsMonitor();
    void panelFrameOpensAtItsDesignedPlace();
    void certificateQuestionAboveTheMascotWithTheKeyboard();
    void boardKeepsClearOfThePanelsBackButton();
    void panelStaysOnTheMonitorInEveryCorner();
    void accountDialogFromPreferencesLeavesThemUncovered();

private:
    // The one visible window titled `title` that is not a mascot, waited for.
    QByteArray window(const QString& title) const
    {
        QList<QByteArray> found;
        WaitFor(kAppear, [&] {
            found.clear();
            for (const XDesktop::Window& w : m_x.visibleWindows(m_program.processId()))
                if (w.title == title && w.geometry.size() != kMascot)
                    found.append(w.id);
            return found.size() == 1;
        });
        return found.size() == 1 ? found.first() : QByteArray();
    }
    QList<XDesktop::Window> mascots() const { return m_x.visibleWindows(m_program.processId(), kMascot); }
    QRect mascot() const { return mascots().size() == 1 ? mascots().first().geometry : QRect(); }
    bool mascotAt(QPoint at) const
    {
        return WaitFor(kAppear, [&] { return mascot().topLeft() == at; });
    }
    bool dragMascotTo(QPoint pointer) const { return m_x.drag(mascot().topLeft() + kOnFigure, pointer); }
    QRect openPanel();
    bool outOfTaskbars(const QByteArray& window) const
    {
        return m_x.property(window, "_NET_WM_STATE").contains("SKIP_TASKBAR, _NET_WM_STATE_SKIP_PAGER");
    }
    void screenshot(const QString& name) const
    {
        m_x.run("import", {"-window", "root", m_shots + "/placement_" + name + ".png"});
    }

    ScriptServer m_server;
    XDesktop m_x;
    QTemporaryDir m_folder;
    QTemporaryDir m_workingDir;
    QString m_shots = qEnvironmentVariable("PAWMELO_BUILD_DIR") + "/screenshots";
    QString m_address;
    QProcess m_program;
    QByteArray m_panel;
};

void DesktopPlacementTest::initTestCase()
{
    const TestCertificate certificate = MakeTestCertificate(m_workingDir.path());
    QVERIFY(certificate.valid() && QDir().mkpath(m_shots));
    m_server.setTls(certificate.certificate, certificate.key, true);
    m_address = "pop3s://" + ServeMailbox(m_server, {TestMessage("one"), TestMessage("two")});
    QVERIFY2(!m_x.start(true, "2048x768x24", {kLeft, kRight}).isEmpty(),
             "no Xvfb with two monitors and openbox");
    QVERIFY(!MakeProgramFolder(m_folder.path()).isEmpty());
    QVERIFY(m_x.xdotool({"mousemove", QString::number(kStart.x()), QString::number(kStart.y())}));
    m_program.setProcessEnvironment(m_x.environment());
    m_program.setWorkingDirectory(m_workingDir.path());
    m_program.setProcessChannelMode(QProcess::ForwardedChannels);
    m_program.start(m_folder.filePath("pawmelo"));
    QVERIFY(m_program.waitForStarted(5000));
}

// Double-clicks the mascot; returns the panel's frame once it is framed and
// no longer moves.
QRect DesktopPlacementTest::openPanel()
{
    QTest::qWait(1200); // a tick: the mascot is shaped where it is clicked
    const QRect before = m_panel.isEmpty() ? QRect() : m_x.frame(m_panel);
    QList<XDesktop::Window> panels;
    if (!m_x.click(mascot().topLeft() + kOnFigure, 1, 2) || !WaitFor(kAppear, [&] {
            return (panels = m_x.visibleWindows(m_program.processId(), kPanel)).size() == 1;
        }))
        return {};
    m_panel = panels.first().id;
    QRect frame;
    WaitFor(3000, [&] {
        const QRect last = frame;
        QTest::qWait(200);
        frame = m_x.frame(m_panel);
        return frame == last && frame != before && frame.size() != kPanel;
    });
    return frame;
}

void DesktopPlacementTest::firstStartDialogsSideBySideOnTheMascotsMonitor()
{
    const QByteArray server = window("サーバー");
    const QByteArray account = window("ID,PASS");
    QVERIFY2(!server.isEmpty() && !account.isEmpty() && mascotAt(kStart), "no dialogs or no mascot");
    QTest::qWait(1500); // past the first tick, which keeps the mascot on its monitor
    screenshot("1_dialogs");
    QCOMPARE(mascot().topLeft(), kStart);
    QVERIFY2(outOfTaskbars(mascots().value(0).id), "the mascot has a task bar entry");
    const QRect serverFrame = m_x.frame(server), accountFrame = m_x.frame(account);
    QVERIFY2(kRight.contains(serverFrame) && kRight.contains(accountFrame),
             "dialogs off the mascot's monitor");
    QVERIFY2(!serverFrame.intersects(accountFrame), "one dialog covers the other");

    // The account dialog came up last and has the keyboard in its empty ID
    // box: the name is typed without a click.
    QVERIFY2(WaitFor(kAppear, [&] { return m_x.isActive(account); }), "the account dialog has no keyboard");
    QVERIFY(m_x.type("user") && m_x.clickIn(account, kPassword) && m_x.type("secret"));
    QVERIFY(m_x.clickIn(account, kSave) && m_x.clickIn(account, kAccountOk));
    const QString saved = m_folder.filePath("★MailData/iniIdPass.ini");
    QVERIFY2(WaitFor(kAppear, [&] { return readBytes(saved).contains("NAME=user\r\n"); }),
             readBytes(saved).constData());
    QVERIFY(m_x.clickIn(server, kPop3) && m_x.type(m_address) && m_x.clickIn(server, kServerOk));
    QVERIFY(WaitFor(kAppear, [&] { return QFile::exists(m_workingDir.filePath("kestra.ini")); }));
}

void DesktopPlacementTest::panelFrameOpensAtItsDesignedPlace()
{
    // Top + 1600 twips and Left - 600 twips at 15 twips a pixel, for the
    // frame, title bar included, from the first opening on.
    const QRect frame = openPanel();
    screenshot("2_panel");
    QCOMPARE(frame.topLeft(), QPoint(kStart.x() - 40, 357));
}

void DesktopPlacementTest::certificateQuestionAboveTheMascotWithTheKeyboard()
{
    QVERIFY(m_x.clickIn(m_panel, kCheck));
    const QByteArray question = window("確認");
    QVERIFY2(!question.isEmpty(), "no certificate question");
    QTest::qWait(500);
    screenshot("3_question");
    const QList<QByteArray> stacking = m_x.stacking();
    QVERIFY2(stacking.indexOf(question) > stacking.indexOf(mascots().value(0).id), "the mascot is above it");
    QVERIFY2(kRight.contains(m_x.frame(question)), "the question is off the program's monitor");
    QVERIFY2(WaitFor(kAppear, [&] { return m_x.isActive(question); }), "the question has no keyboard");
    QVERIFY(m_x.xdotool({"key", "alt+y"})); // はい(&Y)

    const QByteArray board = window("新着お知らせ");
    QVERIFY2(!board.isEmpty() && WaitFor(kAppear, [&] { return mascots().size() == 2; }),
             "no board or alert");
    QVERIFY2(kRight.contains(m_x.frame(board)), "the board is off the program's monitor");
    for (const XDesktop::Window& w : mascots())
        QVERIFY2(outOfTaskbars(w.id), "a mascot has a task bar entry");
    QVERIFY(m_x.clickIn(m_panel, kBack) && m_x.closeLikeACloseBox(board));
    QVERIFY(WaitFor(kAppear, [&] { return mascots().size() == 1; }));
}

void DesktopPlacementTest::boardKeepsClearOfThePanelsBackButton()
{
    // The mascot near the middle of the left monitor: a board in the middle
    // of it would lie on 戻す.
    QVERIFY(dragMascotTo(QPoint(300, 200) + kOnFigure) && mascotAt(QPoint(300, 200)));
    QVERIFY(kLeft.contains(openPanel()) && m_x.clickIn(m_panel, kCheck));
    const QByteArray board = window("新着お知らせ");
    QVERIFY2(!board.isEmpty() && WaitFor(kAppear, [&] { return mascots().size() == 2; }),
             "no board or alert");
    QTest::qWait(500);
    screenshot("4_board");
    QVERIFY(m_x.click(m_x.geometry(m_panel).topLeft() + kBack));
    QVERIFY2(WaitFor(kAppear, [&] { return mascots().size() == 1; }),
             "a click on 戻す did not end the alert");
    QVERIFY(m_x.closeLikeACloseBox(board));
}

void DesktopPlacementTest::panelStaysOnTheMonitorInEveryCorner()
{
    // Let go a little past each corner of the right monitor (past the left
    // ones still mostly on it), the mascot ends in the corner, and the panel
    // wholly on that monitor beside it.
    const QList<std::pair<QPoint, QPoint>> corners{{{1060, 0}, {1024, 0}},
                                                   {{2047, 0}, {1948, 0}},
                                                   {{2047, 767}, {1948, 668}},
                                                   {{1060, 767}, {1024, 668}}};
    for (const auto& [pointer, corner] : corners) {
        const QByteArray name = QByteArray::number(corner.x()) + "," + QByteArray::number(corner.y());
        QVERIFY2(dragMascotTo(pointer) && mascotAt(corner), name);
        const QRect panel = openPanel();
        screenshot("5_corner_" + name);
        QVERIFY2(kRight.contains(panel) && !panel.intersects(mascot()), name);
    }
}

void DesktopPlacementTest::accountDialogFromPreferencesLeavesThemUncovered()
{
    QVERIFY(m_x.clickIn(m_panel, kSettings));
    const QByteArray preferences = window("設定");
    QTest::qWait(500);
    QVERIFY(m_x.clickIn(preferences, kAccountButton));
    const QByteArray account = window("ID,PASS");
    QTest::qWait(500);
    screenshot("6_preferences");
    QVERIFY2(!account.isEmpty() && !m_x.frame(account).intersects(m_x.frame(preferences)), "設定 is covered");
}

QTEST_GUILESS_MAIN(DesktopPlacementTest)
#include "desktop_placement_test.moc"
