// The real program on a private X server with a window manager (openbox) and
// a tray host (trayer): "タスクトレイ" puts the icon in the tray and hides the
// panel and the mascot, a click on the icon brings up its menu, its first
// item brings the mascot back, and "終了" closes the panel only while the
// mascot is on screen and ends the program while it is hidden. Then, with
// the tray host gone, the command leaves the mascot on screen. Last, on a
// StatusNotifierItem host (xfce4-panel's tray on a private D-Bus session),
// the right button on the icon gives the program's menu. The cases share
// one X server and go in this order.

#include "support/file_bytes.h"
#include "support/x_desktop.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <functional>

namespace {
const QSize kMascot(100, 100);
const QSize kPanel(185, 116);
const QPoint kOnFigure(50, 60);    // inside the figure of every pose
const QPoint kTrayButton(148, 16); // "タスクトレイ" on the panel

// One xfce4-panel along the bottom edge holding only its tray.
const QByteArray kXfcePanel = R"(<?xml version="1.0" encoding="UTF-8"?>
<channel name="xfce4-panel" version="1.0">
  <property name="configver" type="int" value="2"/>
  <property name="panels" type="array">
    <value type="int" value="1"/>
    <property name="panel-1" type="empty">
      <property name="position" type="string" value="p=10;x=0;y=0"/>
      <property name="length" type="uint" value="100"/>
      <property name="position-locked" type="bool" value="true"/>
      <property name="size" type="uint" value="28"/>
      <property name="plugin-ids" type="array"><value type="int" value="1"/></property>
    </property>
  </property>
  <property name="plugins" type="empty">
    <property name="plugin-1" type="string" value="systray"/>
  </property>
</channel>
)";
} // namespace

class TrayTest final : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void trayCommandLeavesOnlyTheIcon();
    void clickOnTheIconOpensTheMenuWhoseFirstItemBringsTheMascotBack();
    void quitWithTheMascotShownClosesThePanelAndTheIconOnly();
    void quitWithTheMascotHiddenEndsTheProgram();
    void withoutATrayHostTheMascotStays();
    void rightClickOnAStatusNotifierHostGivesTheProgramsMenu();

private:
    bool startProgram();
    // The program's visible window of exactly this size, or an empty rect.
    QRect shown(QSize size) const;
    // The program's visible windows that are neither mascot nor panel: the
    // tray icon (at most 32 x 32) and the menu.
    QRect icon() const;
    QRect menu() const;
    bool openPanel();
    bool openPanelAndGoToTheTray();

    XDesktop m_x;
    QProcess m_trayer;
    QProcess m_bus;   // the private D-Bus session of the StatusNotifierItem host
    QProcess m_panel; // xfce4-panel on that session
    QProcessEnvironment m_session;
    QTemporaryDir m_folder;
    QTemporaryDir m_workingDir;
    QProcess m_program;
};

void TrayTest::initTestCase()
{
    QVERIFY2(!m_x.start(true).isEmpty(), "could not start Xvfb with openbox");
    m_trayer.setProcessEnvironment(m_x.environment());
    m_trayer.start(QStringLiteral("trayer"), {"--edge", "bottom", "--align", "right", "--widthtype", "pixel",
                                              "--width", "200", "--height", "24", "--transparent", "false"});
    QVERIFY(m_trayer.waitForStarted(5000));
    QVERIFY2(WaitFor(5000, [this] { return m_x.xdotool({"search", "--classname", "trayer"}); }), "no tray");

    const QString data = MakeProgramFolder(m_folder.path());
    QVERIFY(!data.isEmpty());
    // Complete settings, so that no settings dialog comes up; no checks run.
    writeBytes(data + "/ini.ini", "[EXEINI]\r\nNUMBER2=0\r\nNAME=/opt/mailer\r\nNUMBER3=0\r\n");
    writeBytes(data + "/iniIdPass.ini", "[EXEINI]\r\nNAME=user\r\nNAME2=secret\r\n");
    writeBytes(m_workingDir.filePath("kestra.ini"), "SMTP=\r\nPOP3=127.0.0.1:9\r\nMAIL=\r\nAPOP=0\r\n");
    QVERIFY(m_x.xdotool({"mousemove", "--sync", "300", "300"})); // where the mascot comes up
    QVERIFY(startProgram());
}

void TrayTest::cleanupTestCase()
{
    for (QProcess* process : {&m_program, &m_panel, &m_bus, &m_trayer}) {
        if (process->state() != QProcess::NotRunning) {
            process->kill();
            process->waitForFinished(2000);
        }
    }
}

bool TrayTest::startProgram()
{
    m_program.setProcessEnvironment(m_session.isEmpty() ? m_x.environment() : m_session);
    m_program.setWorkingDirectory(m_workingDir.path());
    m_program.setProcessChannelMode(QProcess::ForwardedChannels);
    m_program.start(m_folder.filePath("pawmelo"));
    if (!m_program.waitForStarted(5000) || !WaitFor(5000, [this] { return shown(kMascot).isValid(); }))
        return false;
    QTest::qWait(1200); // the first tick shapes the mascot: clicks then land on it
    return true;
}

QRect TrayTest::shown(QSize size) const
{
    for (const XDesktop::Window& w : m_x.visibleWindows(m_program.processId()))
        if (w.geometry.size() == size)
            return w.geometry;
    return {};
}

QRect TrayTest::icon() const
{
    for (const XDesktop::Window& w : m_x.visibleWindows(m_program.processId()))
        if (w.geometry.width() <= 32 && w.geometry.height() <= 32)
            return w.geometry;
    return {};
}

QRect TrayTest::menu() const
{
    for (const XDesktop::Window& w : m_x.visibleWindows(m_program.processId())) {
        const QSize size = w.geometry.size();
        if (size != kMascot && size != kPanel && (size.width() > 32 || size.height() > 32))
            return w.geometry;
    }
    return {};
}

bool TrayTest::openPanel()
{
    const QPoint figure = shown(kMascot).topLeft() + kOnFigure;
    return m_x.xdotool({"mousemove", QString::number(figure.x()), QString::number(figure.y()), "sleep", "0.1",
                        "click", "--repeat", "2", "--delay", "80", "1"}) &&
           WaitFor(5000, [this] { return shown(kPanel).isValid(); });
}

bool TrayTest::openPanelAndGoToTheTray()
{
    return openPanel() && m_x.click(shown(kPanel).topLeft() + kTrayButton);
}

void TrayTest::trayCommandLeavesOnlyTheIcon()
{
    QVERIFY(openPanelAndGoToTheTray());
    QVERIFY2(WaitFor(5000, [this] { return icon().isValid(); }), "no tray icon");
    QVERIFY(WaitFor(3000, [this] { return !shown(kPanel).isValid() && !shown(kMascot).isValid(); }));
}

void TrayTest::clickOnTheIconOpensTheMenuWhoseFirstItemBringsTheMascotBack()
{
    QVERIFY(m_x.click(icon().center()));
    QVERIFY2(WaitFor(3000, [this] { return menu().isValid(); }), "no menu on a left click");
    const QRect items = menu();
    QVERIFY(m_x.click(QPoint(items.center().x(), items.top() + 10))); // "メイン画面を表示"
    QVERIFY2(WaitFor(3000, [this] { return shown(kMascot).isValid(); }), "the mascot did not come back");
    QVERIFY(!menu().isValid());
    QVERIFY(!shown(kPanel).isValid());
    QVERIFY(icon().isValid()); // the icon stays

    QVERIFY(m_x.click(icon().center(), 3)); // the context request brings the menu too
    QVERIFY2(WaitFor(3000, [this] { return menu().isValid(); }), "no menu on a right click");
}

void TrayTest::quitWithTheMascotShownClosesThePanelAndTheIconOnly()
{
    const QRect items = menu();
    QVERIFY(m_x.click(QPoint(items.center().x(), items.bottom() - 10))); // "終了"
    QVERIFY2(WaitFor(3000, [this] { return !icon().isValid(); }), "the icon outlived the panel");
    QTest::qWait(500);
    QCOMPARE(m_program.state(), QProcess::Running);
    QVERIFY(shown(kMascot).isValid());
}

void TrayTest::quitWithTheMascotHiddenEndsTheProgram()
{
    QVERIFY(openPanelAndGoToTheTray());
    QVERIFY(WaitFor(5000, [this] { return icon().isValid() && !shown(kMascot).isValid(); }));
    QVERIFY(m_x.click(icon().center()));
    QVERIFY(WaitFor(3000, [this] { return menu().isValid(); }));
    QVERIFY(m_x.click(QPoint(menu().center().x(), menu().bottom() - 10)));
    QVERIFY2(m_program.waitForFinished(5000), "the program ran on with no window");
    QCOMPARE(m_program.exitCode(), 0);
}

void TrayTest::withoutATrayHostTheMascotStays()
{
    m_trayer.terminate();
    QVERIFY(m_trayer.waitForFinished(5000));
    // The mascot comes up at the pointer: away from the edge, so that the
    // panel opens on the screen below it.
    QVERIFY(m_x.xdotool({"mousemove", "300", "300", "sleep", "0.2"}));
    QVERIFY(startProgram());
    QVERIFY(openPanelAndGoToTheTray());
    QVERIFY(WaitFor(3000, [this] { return !shown(kPanel).isValid(); }));
    QTest::qWait(500);
    QVERIFY2(shown(kMascot).isValid(), "the mascot went with no tray to come back from");
    QVERIFY(!icon().isValid());
    QVERIFY2(openPanel(), "a double-click on the mascot did not bring the panel back");
}

void TrayTest::rightClickOnAStatusNotifierHostGivesTheProgramsMenu()
{
    m_program.kill();
    m_program.waitForFinished(3000);
    // The panel's settings come from a configuration folder of our own,
    // read by the settings daemon that the session bus starts for it.
    QTemporaryDir config;
    QVERIFY(QDir().mkpath(config.filePath("xfce4/xfconf/xfce-perchannel-xml")));
    writeBytes(config.filePath("xfce4/xfconf/xfce-perchannel-xml/xfce4-panel.xml"), kXfcePanel);
    m_session = m_x.environment();
    m_session.insert("XDG_CONFIG_HOME", config.path());
    m_session.insert("NO_AT_BRIDGE", "1"); // no accessibility bus outliving the test
    m_bus.setProcessEnvironment(m_session);
    m_bus.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
    QVERIFY(m_bus.waitForStarted(5000));
    QByteArray address;
    QVERIFY(WaitFor(5000, [&] { return (address += m_bus.readAllStandardOutput()).contains('\n'); }));
    m_session.insert("DBUS_SESSION_BUS_ADDRESS", QString::fromLatin1(address.trimmed()));
    m_panel.setProcessEnvironment(m_session);
    m_panel.start("xfce4-panel", {});
    QVERIFY(m_panel.waitForStarted(5000));
    QRect strip;
    QVERIFY2(WaitFor(10000,
                     [&] {
                         QByteArray ids;
                         m_x.xdotool({"search", "--onlyvisible", "--class", "xfce4-panel"}, &ids);
                         strip = m_x.geometry(ids.split('\n').value(0).trimmed());
                         return strip.width() > 500;
                     }),
             "no xfce4-panel");
    QTest::qWait(1000); // its tray takes the StatusNotifierItem names

    QVERIFY(m_x.xdotool({"mousemove", "300", "300", "sleep", "0.2"}));
    QVERIFY(startProgram());
    QVERIFY(openPanelAndGoToTheTray());
    QVERIFY(WaitFor(5000, [this] { return !shown(kMascot).isValid(); }));
    // The icon is drawn by the panel: it is where the strip is not plain.
    QRect icon;
    QVERIFY2(WaitFor(5000,
                     [&] {
                         const QString path = m_folder.filePath("strip.png");
                         m_x.run("import", {"-window", "root", "-crop",
                                            QString("%1x%2+%3+%4")
                                                .arg(strip.width())
                                                .arg(strip.height())
                                                .arg(strip.x())
                                                .arg(strip.y()),
                                            path});
                         const QImage shot = QImage(path).convertToFormat(QImage::Format_RGB32);
                         if (shot.isNull())
                             return false;
                         const QRgb plain = shot.pixel(shot.width() - 1, shot.height() / 2);
                         icon = {};
                         for (int y = 4; y < shot.height() - 4; ++y)
                             for (int x = 0; x < shot.width(); ++x)
                                 if (shot.pixel(x, y) != plain)
                                     icon |= QRect(x, y, 1, 1);
                         return icon.isValid() && icon.width() < 40;
                     }),
             "no icon on the panel");

    QVERIFY(m_x.click(strip.topLeft() + icon.center(), 3));
    QTest::qWait(1000);
    // The first item of the menu: the program's brings the mascot back.
    QVERIFY(m_x.xdotool({"key", "Down", "sleep", "0.2", "key", "Return"}));
    QVERIFY2(WaitFor(3000, [this] { return shown(kMascot).isValid(); }),
             "the right button gave another menu than the program's");
}

QTEST_GUILESS_MAIN(TrayTest)
#include "tray_test.moc"
