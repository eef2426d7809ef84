#include "app/desktop_services.h"

#include "platform/fluidsynth_sound_device.h"
#include "platform/network_manager_dial_up.h"
#include "platform/system_clock.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QSystemTrayIcon>

namespace {

class MessageBoxPrompts final : public Prompts
{
public:
    Answer messageBox(QWidget* parent, const QString& text, const QString& title, Buttons buttons,
                      Icon icon) override
    {
        QMessageBox box(parent);
        box.setTextFormat(Qt::PlainText); // a server's words are never markup
        box.setText(text);
        box.setWindowTitle(title.isEmpty() ? QCoreApplication::applicationName() : title);
        box.setIcon(icon == Icon::Question      ? QMessageBox::Question
                    : icon == Icon::Exclamation ? QMessageBox::Warning
                                                : QMessageBox::NoIcon);
        const bool yesNo = buttons != Buttons::Ok;
        if (yesNo) {
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            // Qt's own captions are English without a translation loaded.
            box.button(QMessageBox::Yes)->setText(QStringLiteral("はい(&Y)"));
            box.button(QMessageBox::No)->setText(QStringLiteral("いいえ(&N)"));
            if (buttons == Buttons::YesNoDefaultNo)
                box.setDefaultButton(QMessageBox::No);
        } else
            box.setStandardButtons(QMessageBox::Ok);
        const int result = box.exec();
        if (yesNo)
            return result == QMessageBox::Yes ? Answer::Yes : Answer::No;
        return Answer::Ok;
    }
};

class ProcessLauncher final : public Launcher
{
public:
    bool startDetached(const QString& commandLine) override
    {
        // A path to an existing program is run as it stands, spaces and
        // all; anything else is split like a shell command line.
        const QFileInfo whole(commandLine);
        if (whole.isFile() && whole.isExecutable())
            return QProcess::startDetached(whole.absoluteFilePath(), {});
        QStringList parts = QProcess::splitCommand(commandLine);
        if (parts.isEmpty())
            return false;
        const QString program = parts.takeFirst();
        return QProcess::startDetached(program, parts);
    }
};

class DesktopBrowser final : public Browser
{
public:
    bool navigate(const QUrl& url) override { return QDesktopServices::openUrl(url); }
};

class DialogFileChooser final : public FileChooser
{
public:
    QString showOpen(QWidget* parent, const QString& previousFileName) override
    {
        // The dialog never changes the process's working directory, which
        // the companion mailer file depends on.
        const QString chosen = QFileDialog::getOpenFileName(parent, QString(), previousFileName);
        return chosen.isEmpty() ? previousFileName : chosen;
    }
    QString fileTitle(const QString& path) override
    {
        return path.isEmpty() ? QString() : QFileInfo(path).fileName();
    }
};

class SystemTray final : public Tray
{
public:
    SystemTray()
    {
        // The menu comes up where people look for it on a tray icon: the
        // left click and the desktop's context request (right click). The
        // other code goes to the middle button, which hardly anyone uses on
        // a tray icon. A double-click raises nothing more: its first click
        // has brought the menu up already.
        QObject::connect(&m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason why) {
            if (why == QSystemTrayIcon::Trigger || why == QSystemTrayIcon::Context)
                emit notification(1);
            else if (why == QSystemTrayIcon::MiddleClick)
                emit notification(0);
        });
    }
    bool isAvailable() const override { return QSystemTrayIcon::isSystemTrayAvailable(); }
    void setIcon(const QIcon& icon) override { m_icon.setIcon(icon); }
    void setTipText(const QString& text) override { m_icon.setToolTip(text); }
    void show() override { m_icon.show(); }
    void hide() override { m_icon.hide(); }

private:
    QSystemTrayIcon m_icon;
};

} // namespace

Services MakeDesktopServices()
{
    Services services;
    services.clock = std::make_unique<SystemClock>();
    services.sound = std::make_unique<FluidSynthSoundDevice>();
    services.dialUp = std::make_unique<NetworkManagerDialUp>();
    services.browser = std::make_unique<DesktopBrowser>();
    services.launcher = std::make_unique<ProcessLauncher>();
    services.prompts = std::make_unique<MessageBoxPrompts>();
    services.fileChooser = std::make_unique<DialogFileChooser>();
    services.tray = std::make_unique<SystemTray>();
    return services;
}
