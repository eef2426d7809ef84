#pragma once

// A private X server for end-to-end tests of the real program, optionally
// with a real window manager (openbox) on it, as a user's desktop has, and
// the helper programs the tests drive it with (xdotool, wmctrl, import).

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRect>
#include <QTest>
#include <QThread>
#include <functional>

// Waits up to `ms` for `done`, letting the test's own events run meanwhile.
inline bool WaitFor(int ms, const std::function<bool()>& done)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > ms)
            return false;
        QTest::qWait(50);
    }
    return true;
}

// Lays out a program folder for the real program in `folder`: the
// executable from the build folder and an empty settings folder. Returns the
// settings folder's path, or an empty string when either could not be made.
inline QString MakeProgramFolder(const QString& folder)
{
    const QString data = folder + QStringLiteral("/★MailData");
    const bool made = QFile::copy(qEnvironmentVariable("PAWMELO_BUILD_DIR") + QStringLiteral("/pawmelo"),
                                  folder + QStringLiteral("/pawmelo")) &&
                      QDir().mkpath(data);
    return made ? data : QString();
}

class XDesktop
{
public:
    ~XDesktop()
    {
        stop(m_windowManager);
        stop(m_server);
    }

    // Starts Xvfb (keeping its state when a client leaves: -noreset) and,
    // when asked, a window manager on it (openbox, unless another command
    // line is given). `monitors`, when given, cut the screen into that many
    // monitors (RandR 1.5 monitors, which Qt sees as screens). Returns the
    // display name (":N"), or empty when any of it failed.
    QString start(bool withWindowManager, const QString& screen = QStringLiteral("1024x768x24"),
                  const QList<QRect>& monitors = {},
                  const QStringList& windowManager = {QStringLiteral("openbox"), QStringLiteral("--sm-disable")})
    {
        m_server.start(QStringLiteral("Xvfb"),
                       {"-displayfd", "1", "-noreset", "-screen", "0", screen, "-nolisten", "tcp"});
        if (!m_server.waitForStarted(5000))
            return {};
        QByteArray number;
        while (!number.endsWith('\n') && m_server.waitForReadyRead(10000))
            number += m_server.readAllStandardOutput();
        number = number.trimmed();
        if (number.isEmpty())
            return {};
        m_display = QStringLiteral(":") + QString::fromLatin1(number);
        for (qsizetype i = 0; i < monitors.size(); ++i) {
            // The first monitor takes over Xvfb's one output; xrandr wants
            // millimetres too, which nothing here reads.
            const QRect& m = monitors[i];
            const QString geometry =
                QStringLiteral("%1/300x%2/200+%3+%4").arg(m.width()).arg(m.height()).arg(m.x()).arg(m.y());
            if (!run(QStringLiteral("xrandr"), {"--setmonitor", QStringLiteral("monitor%1").arg(i), geometry,
                                                i == 0 ? QStringLiteral("screen") : QStringLiteral("none")}))
                return {};
        }
        if (withWindowManager && !startWindowManager(windowManager))
            return {};
        return m_display;
    }

    QString display() const { return m_display; }

    // The environment for a program on this display.
    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        env.insert(QStringLiteral("DISPLAY"), m_display);
        return env;
    }

    // Runs a helper program against the display; true when it exits 0.
    bool run(const QString& program, const QStringList& arguments, QByteArray* output = nullptr) const
    {
        QProcess process;
        process.setProcessEnvironment(environment());
        process.start(program, arguments);
        if (!process.waitForFinished(10000))
            return false;
        if (output)
            *output = process.readAllStandardOutput();
        return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    }
    bool xdotool(const QStringList& arguments, QByteArray* output = nullptr) const
    {
        return run(QStringLiteral("xdotool"), arguments, output);
    }

    // Where a window is on the screen (its client area), or an empty rect.
    // (xwininfo: xdotool's getwindowgeometry counts a window manager's
    // frame offset twice.)
    QRect geometry(const QByteArray& window) const
    {
        // (Without an id, xwininfo would wait for a click on a window.)
        QByteArray info;
        if (window.isEmpty() || !run(QStringLiteral("xwininfo"), {"-id", QString::fromLatin1(window)}, &info))
            return {};
        int x = 0, y = 0, width = 0, height = 0;
        for (QByteArray line : info.split('\n')) {
            line = line.trimmed();
            const int value = line.mid(line.indexOf(':') + 1).trimmed().toInt();
            if (line.startsWith("Absolute upper-left X:"))
                x = value;
            else if (line.startsWith("Absolute upper-left Y:"))
                y = value;
            else if (line.startsWith("Width:"))
                width = value;
            else if (line.startsWith("Height:"))
                height = value;
        }
        return QRect(x, y, width, height);
    }

    // A window's frame: its client area with the window manager's border
    // and title bar (_NET_FRAME_EXTENTS), or an empty rect.
    QRect frame(const QByteArray& window) const
    {
        const QRect client = geometry(window);
        const QList<int> extents = cardinals(window, "_NET_FRAME_EXTENTS");
        if (!client.isValid() || extents.size() != 4)
            return client;
        return client.adjusted(-extents[0], -extents[2], extents[1], extents[3]);
    }
    // A property of a window as xprop prints its value, or empty.
    QByteArray property(const QByteArray& window, const char* name) const
    {
        QByteArray output;
        const QStringList target =
            window.isEmpty() ? QStringList{"-root"} : QStringList{"-id", QString::fromLatin1(window)};
        if (!run(QStringLiteral("xprop"), target + QStringList{QString::fromLatin1(name)}, &output))
            return {};
        // "NAME(TYPE) = values", or "NAME(WINDOW): window id # ids".
        for (const QByteArray& mark : {QByteArray(" = "), QByteArray("id # ")})
            if (output.contains(mark))
                return output.mid(output.indexOf(mark) + mark.size()).trimmed();
        return {};
    }
    // The managed windows, bottom first (_NET_CLIENT_LIST_STACKING), as the
    // decimal ids xdotool gives.
    QList<QByteArray> stacking() const
    {
        QList<QByteArray> ids;
        for (const QByteArray& id : property({}, "_NET_CLIENT_LIST_STACKING").split(','))
            ids.append(
                QByteArray::number(id.trimmed().mid(id.trimmed().indexOf('x') + 1).toULongLong(nullptr, 16)));
        return ids;
    }

    struct Window
    {
        QByteArray id;
        QString title;
        QRect geometry;
    };
    // The visible windows of a process.
    QList<Window> visibleWindows(qint64 pid) const
    {
        QByteArray ids;
        xdotool({"search", "--onlyvisible", "--pid", QString::number(pid)}, &ids);
        QList<Window> result;
        for (const QByteArray& line : ids.split('\n')) {
            const QByteArray id = line.trimmed();
            QByteArray title;
            if (id.isEmpty() || !xdotool({"getwindowname", QString::fromLatin1(id)}, &title))
                continue;
            result.append({id, QString::fromUtf8(title).trimmed(), geometry(id)});
        }
        return result;
    }

    // The visible windows of a process that have `size`.
    QList<Window> visibleWindows(qint64 pid, QSize size) const
    {
        QList<Window> found;
        for (const Window& w : visibleWindows(pid))
            if (w.geometry.size() == size)
                found.append(w);
        return found;
    }

    // Moves the pointer to `at` and clicks `button` `count` times there.
    // (No "mousemove --sync": it hangs when the pointer is already there.)
    bool click(QPoint at, int button = 1, int count = 1) const
    {
        return xdotool({"mousemove", QString::number(at.x()), QString::number(at.y()), "sleep", "0.15",
                        "click", "--repeat", QString::number(count), "--delay", "80",
                        QString::number(button)});
    }
    // Presses the left button at `from`, moves to `to` in eight steps and
    // lets go there.
    bool drag(QPoint from, QPoint to) const
    {
        QStringList steps{"mousemove", QString::number(from.x()), QString::number(from.y()), "mousedown",
                          "1"};
        for (int step = 1; step <= 8; ++step) {
            const QPoint at = from + (to - from) * step / 8;
            steps << QStringLiteral("sleep 0.05 mousemove %1 %2").arg(at.x()).arg(at.y()).split(u' ');
        }
        return xdotool(steps << QStringLiteral("sleep 0.1 mouseup 1").split(u' '));
    }
    // Clicks at `at` within a window's client area.
    bool clickIn(const QByteArray& window, QPoint at, int count = 1) const
    {
        const QRect where = geometry(window);
        return where.isValid() && click(where.topLeft() + at, 1, count);
    }
    // Closes a window as its close box does: the window manager sends it
    // WM_DELETE_WINDOW.
    bool closeLikeACloseBox(const QByteArray& window) const
    {
        return run(QStringLiteral("wmctrl"), {"-i", "-c", QString::fromLatin1(window)});
    }
    bool type(const QString& text) const { return xdotool({"type", "--delay", "60", text}); }
    // Whether `window` is the active one, so that keys go to it.
    bool isActive(const QByteArray& window) const
    {
        QByteArray active;
        return xdotool({"getactivewindow"}, &active) && active.trimmed() == window;
    }

private:
    QList<int> cardinals(const QByteArray& window, const char* name) const
    {
        QList<int> values;
        const QByteArray text = property(window, name);
        for (const QByteArray& value : text.split(','))
            if (!value.trimmed().isEmpty())
                values.append(value.trimmed().toInt());
        return values;
    }

    bool startWindowManager(const QStringList& commandLine)
    {
        m_windowManager.setProcessEnvironment(environment());
        m_windowManager.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_windowManager.start(commandLine.value(0), commandLine.mid(1));
        if (!m_windowManager.waitForStarted(5000))
            return false;
        // wmctrl answers once a window manager has taken the screen.
        QDeadlineTimer deadline(10000);
        while (!deadline.hasExpired()) {
            if (run(QStringLiteral("wmctrl"), {QStringLiteral("-m")}))
                return true;
            QThread::msleep(50);
        }
        return false;
    }

    static void stop(QProcess& process)
    {
        if (process.state() == QProcess::NotRunning)
            return;
        process.terminate();
        if (!process.waitForFinished(3000)) {
            process.kill();
            process.waitForFinished(2000);
        }
    }

    QProcess m_server;
    QProcess m_windowManager;
    QString m_display;
};
