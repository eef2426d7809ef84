// The real program on a private X server with a real window manager
// (openbox), as a user's desktop has one, against a small POP3 server with
// two messages and interval checking on. A double-click on the mascot opens
// the panel, a left drag moves the mascot, and closing the notice board, the
// panel (inside its status lamp's wait) and each dialog the way a close box
// does leaves the program running with the mascot on screen; the right
// button still ends it, keeping the panel's settings. The cases share one
// program run and go in this order.

#include "support/script_server.h"
#include "support/file_bytes.h"
#include "support/x_desktop.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <functional>

namespace {
constexpr int kSide = 100;
const QPoint kStart(200, 420);  // the pointer at start: the mascot's first top-left corner
const QPoint kDragTo(640, 160); // where the drag takes that corner
// A point inside the figure of every pose, away from the see-through corner.
const QPoint kOnFigure(50, 60);


} // namespace

class WindowManagerTest final : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void doubleClickOpensThePanel();
    void leftDragMovesTheMascot();
    void closingTheNoticeBoardKeepsTheProgram();
    void closingThePanelInsideItsLampWaitKeepsTheProgram();
    void closingEachDialogKeepsTheProgram();
    void rightButtonEndsTheProgramKeepingSettings();

private:
    bool running() const { return m_program.state() == QProcess::Running; }
    // The mascot: a visible 100 x 100 window of the program at `topLeft`.
    bool mascotAt(QPoint topLeft) const;
    // The one visible window titled exactly `title`, or empty.
    QByteArray window(const QString& title, int ms = 5000) const;
    // The visible window titled `title` (not a mascot), or empty.
    QByteArray shown(const QString& title) const;
    bool clickOnMascot(int button, int count) const;
    bool openPanel();

    ScriptServer m_server;
    XDesktop m_x;
    QTemporaryDir m_folder;
    QTemporaryDir m_workingDir;
    QProcess m_program;
    QPoint m_mascot = kStart;
};

void WindowManagerTest::initTestCase()
{
    const QString server = ServeMailbox(m_server, {TestMessage("one"), TestMessage("two")});
    QVERIFY2(!m_x.start(true).isEmpty(), "could not start Xvfb with openbox");

    const QString data = MakeProgramFolder(m_folder.path());
    QVERIFY(!data.isEmpty());
    writeBytes(data + "/ini.ini", "[EXEINI]\r\nNUMBER2=1\r\nNAME=/opt/mailer\r\nNUMBER3=0\r\n");
    writeBytes(data + "/iniIdPass.ini", "[EXEINI]\r\nNAME=user\r\nNAME2=secret\r\n");
    writeBytes(m_workingDir.filePath("kestra.ini"), "SMTP=\r\nPOP3=" + server.toLatin1() + "\r\nMAIL=\r\nAPOP=0\r\n");
    // The test server offers no encryption; the user has allowed that.
    writeBytes(data + "/servers.ini", "[CLEAR]\r\n" + server.toLatin1() + "=1\r\n");

    QVERIFY(m_x.xdotool({"mousemove", "--sync", QString::number(kStart.x()), QString::number(kStart.y())}));
    m_program.setProcessEnvironment(m_x.environment());
    m_program.setWorkingDirectory(m_workingDir.path());
    m_program.setProcessChannelMode(QProcess::ForwardedChannels);
    m_program.start(m_folder.filePath("pawmelo"));
    QVERIFY(m_program.waitForStarted(5000));
    QVERIFY2(WaitFor(5000, [this] { return mascotAt(kStart); }), "no mascot at the pointer");
}

void WindowManagerTest::cleanupTestCase()
{
    if (running()) {
        m_program.kill();
        m_program.waitForFinished(2000);
    }
}

bool WindowManagerTest::mascotAt(QPoint topLeft) const
{
    for (const XDesktop::Window& w : m_x.visibleWindows(m_program.processId()))
        if (w.geometry.size() == QSize(kSide, kSide) &&
            (w.geometry.topLeft() - topLeft).manhattanLength() <= 2)
            return true;
    return false;
}

QByteArray WindowManagerTest::window(const QString& title, int ms) const
{
    QByteArray found;
    WaitFor(ms, [&] { return !(found = shown(title)).isEmpty(); });
    return found;
}

QByteArray WindowManagerTest::shown(const QString& title) const
{
    // The mascots carry the program's name as their title too; they are
    // told apart by their size.
    for (const XDesktop::Window& w : m_x.visibleWindows(m_program.processId()))
        if (w.title == title && w.geometry.size() != QSize(kSide, kSide))
            return w.id;
    return {};
}



bool WindowManagerTest::clickOnMascot(int button, int count) const
{
    const QPoint p = m_mascot + kOnFigure;
    return m_x.xdotool({"mousemove", QString::number(p.x()), QString::number(p.y()), "sleep", "0.1", "click",
                        "--repeat", QString::number(count), "--delay", "80", QString::number(button)});
}

bool WindowManagerTest::openPanel()
{
    return clickOnMascot(1, 2) && !window(QStringLiteral("Pawmelo")).isEmpty();
}

void WindowManagerTest::doubleClickOpensThePanel()
{
    QVERIFY(running());
    // The first tick shapes the mascot; let it pass so the click lands on it.
    QTest::qWait(1200);
    QVERIFY2(openPanel(), "the double-click did not open the panel");
}

void WindowManagerTest::leftDragMovesTheMascot()
{
    QVERIFY(running());
    const QPoint from = m_mascot + kOnFigure;
    const QPoint to = kDragTo + kOnFigure;
    QStringList steps{
        "mousemove", QString::number(from.x()), QString::number(from.y()), "sleep", "0.1", "mousedown", "1"};
    for (int step = 1; step <= 8; ++step) {
        const QPoint at = from + (to - from) * step / 8;
        steps << "sleep"
              << "0.05"
              << "mousemove" << QString::number(at.x()) << QString::number(at.y());
    }
    steps << "sleep"
          << "0.1"
          << "mouseup"
          << "1";
    QVERIFY(m_x.xdotool(steps));
    QVERIFY2(WaitFor(3000, [this] { return mascotAt(kDragTo); }), "the mascot did not follow the drag");
    m_mascot = kDragTo;
}

void WindowManagerTest::closingTheNoticeBoardKeepsTheProgram()
{
    QVERIFY(running());
    // "受信" on the panel: the check finds the two messages and raises the board.
    const QByteArray panel = window(QStringLiteral("Pawmelo"));
    QVERIFY(!panel.isEmpty());
    QVERIFY(m_x.clickIn(panel, QPoint(64, 86)));
    const QByteArray board = window(QStringLiteral("新着お知らせ"));
    QVERIFY2(!board.isEmpty(), "no notice board");
    QCOMPARE(m_server.connections(), 1);
    QVERIFY(m_x.closeLikeACloseBox(board));
    QVERIFY(WaitFor(3000, [this] { return shown(QStringLiteral("新着お知らせ")).isEmpty(); }));
    QTest::qWait(1500);
    QVERIFY(running());
    QVERIFY(mascotAt(m_mascot));
}

void WindowManagerTest::closingThePanelInsideItsLampWaitKeepsTheProgram()
{
    QVERIFY(running());
    // With interval checking on, the lamp spends two of every three seconds
    // in its wait; close the panel a few times across it.
    for (int round = 0; round < 3; ++round) {
        const QByteArray panel = window(QStringLiteral("Pawmelo"));
        QVERIFY(!panel.isEmpty());
        QTest::qWait(400 * round);
        QVERIFY(m_x.closeLikeACloseBox(panel));
        QVERIFY(WaitFor(3000, [this] { return shown(QStringLiteral("Pawmelo")).isEmpty(); }));
        QTest::qWait(2500); // past the lamp's wait
        QVERIFY2(running(), "the program ended when its panel was closed");
        QVERIFY(mascotAt(m_mascot));
        QVERIFY2(openPanel(), "the panel did not come back");
    }
}

void WindowManagerTest::closingEachDialogKeepsTheProgram()
{
    QVERIFY(running());
    const QByteArray panel = window(QStringLiteral("Pawmelo"));
    QVERIFY(m_x.clickIn(panel, QPoint(20, 86))); // "設定"
    const QByteArray preferences = window(QStringLiteral("設定"));
    QVERIFY2(!preferences.isEmpty(), "no preferences dialog");

    const QList<std::pair<QPoint, QString>> dialogs{{QPoint(72, 20), QStringLiteral("ID,PASS")},
                                                    {QPoint(168, 20), QStringLiteral("サーバー")}};
    for (const auto& [button, title] : dialogs) {
        QVERIFY(m_x.clickIn(preferences, button));
        const QByteArray dialog = window(title);
        QVERIFY2(!dialog.isEmpty(), qPrintable(title));
        QVERIFY(m_x.closeLikeACloseBox(dialog));
        QVERIFY(WaitFor(3000, [&] { return shown(title).isEmpty(); }));
        QTest::qWait(500);
        QVERIFY2(running(), qPrintable("the program ended when " + title + " was closed"));
    }
    QVERIFY(m_x.closeLikeACloseBox(preferences));
    QVERIFY(WaitFor(3000, [this] { return shown(QStringLiteral("設定")).isEmpty(); }));
    QTest::qWait(500);
    QVERIFY(running());
    QVERIFY(mascotAt(m_mascot));
}

void WindowManagerTest::rightButtonEndsTheProgramKeepingSettings()
{
    QVERIFY(running());
    // Tick the panel's launch box, then end at once: the box is kept.
    const QByteArray panel = window(QStringLiteral("Pawmelo"));
    QVERIFY(m_x.clickIn(panel, QPoint(16, 40)));
    QTest::qWait(300);
    QVERIFY(clickOnMascot(3, 1));
    QVERIFY(m_program.waitForFinished(5000));
    QCOMPARE(m_program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(m_program.exitCode(), 0);
    QFile preferences(m_folder.filePath(QStringLiteral("★MailData/ini.ini")));
    QVERIFY(preferences.open(QIODevice::ReadOnly));
    const QByteArray stored = preferences.readAll();
    QVERIFY2(stored.contains("NAME=/opt/mailer") && stored.contains("NUMBER3=1"), stored.constData());
}

QTEST_GUILESS_MAIN(WindowManagerTest)
#include "window_manager_test.moc"
