#include "day_desktop.h"

#include <QDir>
#include <QProcessEnvironment>

void DayDesktop::stopAll()
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

bool DayDesktop::dovecot(const QString& command)
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

QString DayDesktop::maildir() const
{
    // The script puts the mailbox under a folder of /tmp when the other
    // users cannot enter ours, and names that folder in "runtime".
    const QString dir = m_serverDir.filePath("dovecot");
    const QByteArray runtime = readFile(dir + "/runtime").trimmed();
    return (runtime.isEmpty() ? dir : QString::fromLocal8Bit(runtime)) + "/mail/test";
}

int DayDesktop::logged(const QByteArray& what) const
{
    return int(readFile(m_serverDir.filePath("dovecot/dovecot.log")).count(what));
}

QImage DayDesktop::screenshot(const QString& name) const
{
    const QString path = m_shots + "/day_" + name + ".png";
    if (!m_x.run(QStringLiteral("import"), {"-window", "root", path}))
        return {};
    return QImage(path).convertToFormat(QImage::Format_RGB32);
}

QList<QByteArray> DayDesktop::titled(const QString& title) const
{
    QList<QByteArray> found;
    for (const XDesktop::Window& w : windows())
        if (w.title == title && w.geometry.size() != kMascot)
            found.append(w.id);
    return found;
}

QByteArray DayDesktop::waitForWindow(const QString& title) const
{
    QList<QByteArray> found;
    WaitFor(kAppear, [&] { return (found = titled(title)).size() == 1; });
    return found.size() == 1 ? found.first() : QByteArray();
}

QList<XDesktop::Window> DayDesktop::sized(QSize size) const
{
    QList<XDesktop::Window> found;
    for (const XDesktop::Window& w : windows())
        if (w.geometry.size() == size)
            found.append(w);
    return found;
}

QRect DayDesktop::icon() const
{
    for (const XDesktop::Window& w : windows())
        if (w.geometry.width() <= 32 && w.geometry.height() <= 32)
            return w.geometry;
    return {};
}

QRect DayDesktop::menu() const
{
    for (const XDesktop::Window& w : windows()) {
        const QSize size = w.geometry.size();
        if (size != kMascot && size != kPanel && (size.width() > 32 || size.height() > 32))
            return w.geometry;
    }
    return {};
}

QRect DayDesktop::trayArea() const
{
    QByteArray ids;
    m_x.xdotool({"search", "--onlyvisible", "--class", "trayer"}, &ids);
    for (const QByteArray& line : ids.split('\n'))
        if (const QByteArray id = line.trimmed(); !id.isEmpty())
            if (const QRect area = m_x.geometry(id); area.width() > 32)
                return area;
    return {};
}

bool DayDesktop::focusBox(const QByteArray& window, QPoint at) const
{
    return m_x.clickIn(window, at) && WaitFor(kAppear, [&] { return m_x.isActive(window); });
}

bool DayDesktop::activate(const QByteArray& window) const
{
    return m_x.xdotool({"windowactivate", QString::fromLatin1(window)}) &&
           WaitFor(kAppear, [&] { return m_x.isActive(window); });
}

QRect DayDesktop::mascot() const
{
    const QList<XDesktop::Window> found = sized(kMascot);
    return found.size() == 1 ? found.first().geometry : QRect();
}

bool DayDesktop::openPanel()
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

bool DayDesktop::setInterval(const QString& minutes, const QString& shot)
{
    if (!m_x.clickIn(m_panel, kPanelSettings))
        return false;
    const QByteArray preferences = waitForWindow(QStringLiteral("設定"));
    // The whole box is chosen and typed over, so that it never holds an
    // intermediate text.
    return !preferences.isEmpty() && focusBox(preferences, kInterval) &&
           m_x.xdotool({"key", "ctrl+a", "sleep", "0.1"}) && m_x.type(minutes) &&
           !screenshot(shot).isNull() && m_x.closeLikeACloseBox(preferences) &&
           WaitFor(kAppear, [this] { return titled(QStringLiteral("設定")).isEmpty(); });
}

double DayDesktop::alertShown(const QImage& shot, QPoint topLeft) const
{
    if (!QRect(QPoint(0, 0), shot.size()).contains(QRect(topLeft, kMascot)))
        return 0;
    int shown = 0;
    for (const QPoint& p : m_alertMarks)
        shown += rgb(shot, topLeft + p) == rgb(m_alert, p);
    return double(shown) / double(m_alertMarks.size());
}
