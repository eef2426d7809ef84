#pragma once

// What the day's steps stand on: a private X server with openbox and a tray
// host, a real Dovecot, the program folder and the running program; and how
// the steps find, picture and drive the program's windows on that desktop.

#include "support/x_desktop.h"

#include <QByteArrayList>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QList>
#include <QProcess>
#include <QRect>
#include <QTemporaryDir>

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

inline QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The lines of a settings file, line ends removed.
inline QByteArrayList lines(const QString& path)
{
    QByteArrayList result;
    for (const QByteArray& line : readFile(path).split('\n'))
        result.append(line.endsWith('\r') ? line.chopped(1) : line);
    return result;
}

inline QRgb rgb(const QImage& image, QPoint p)
{
    return image.pixel(p) & 0xFFFFFF;
}

inline QImage picture(const QString& name)
{
    return QImage(qEnvironmentVariable("PAWMELO_SOURCE_DIR") + "/assets/mascot/" + name + ".png")
        .convertToFormat(QImage::Format_RGB32);
}

inline QString number(int n)
{
    return QString::number(n);
}

class DayDesktop
{
protected:
    DayDesktop() = default;
    ~DayDesktop() { stopAll(); }

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
