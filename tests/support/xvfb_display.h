#pragma once

// Starts a private Xvfb server for a test and stops it again. Pick the
// display before QApplication is made: XvfbDisplay display; display.start();
// then set DISPLAY and QT_QPA_PLATFORM=xcb.

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QThread>

class XvfbDisplay
{
public:
    ~XvfbDisplay() { stop(); }

    // Returns the display name (":N"), or an empty string when no Xvfb runs.
    QString start(const QString& screen = QStringLiteral("1024x768x24"))
    {
        for (int attempt = 0; attempt < 20; ++attempt) {
            const int number = 100 + int((QCoreApplication::applicationPid() + attempt * 7) % 400);
            const QString socket = QStringLiteral("/tmp/.X11-unix/X%1").arg(number);
            if (QFile::exists(socket) || QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(number)))
                continue;
            m_process.setProgram(QStringLiteral("Xvfb"));
            m_process.setArguments({QStringLiteral(":%1").arg(number), QStringLiteral("-screen"),
                                    QStringLiteral("0"), screen, QStringLiteral("-nolisten"),
                                    QStringLiteral("tcp"), QStringLiteral("-noreset")});
            m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            m_process.start();
            if (!m_process.waitForStarted(5000))
                return {};
            QDeadlineTimer deadline(10000);
            while (!deadline.hasExpired() && m_process.state() == QProcess::Running && !QFile::exists(socket))
                QThread::msleep(20);
            if (QFile::exists(socket)) {
                m_display = QStringLiteral(":%1").arg(number);
                return m_display;
            }
            m_process.kill();
            m_process.waitForFinished(2000);
        }
        return {};
    }

    void stop()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            if (!m_process.waitForFinished(3000)) {
                m_process.kill();
                m_process.waitForFinished(2000);
            }
        }
    }

    QString display() const { return m_display; }

private:
    QProcess m_process;
    QString m_display;
};
