#include "app/desktop_services.h"

#include "forms/window_placement.h"
#include "platform/fluidsynth_sound_device.h"
#include "platform/network_manager_dial_up.h"
#include "platform/system_clock.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTimer>
#include <map>

namespace {

// A message box that must be read and answered: it comes up above every
// window of the program, the always-on-top mascots and the board included,
// stays above the ones that come up while it is open, and takes the
// keyboard (unless it is a notice, which must not take it from whatever the
// user is typing into). `centreArea`, when valid, is where it is centred.
class ProgramMessageBox final : public QMessageBox
{
public:
    ProgramMessageBox(QWidget* parent, QRect centreArea, bool takesKeyboard = true)
        : QMessageBox(parent)
        , m_centreArea(centreArea)
        , m_takesKeyboard(takesKeyboard)
    {
        if (!takesKeyboard)
            setAttribute(Qt::WA_ShowWithoutActivating);
        setWindowFlag(Qt::WindowStaysOnTopHint);
        qApp->installEventFilter(this);
    }

protected:
    void showEvent(QShowEvent* event) override
    {
        QMessageBox::showEvent(event); // gives the box its size
        if (m_centreArea.isValid()) {
            const QRect area = m_centreArea;
            PlaceFrame(this, [area](QSize frame) { return CentredIn(frame, area); });
        }
        raise();
        if (m_takesKeyboard)
            activateWindow(); // carried out once the box is mapped
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        // Another window of the program coming up (the second mascot, the
        // board) would land above the box; the box goes back on top.
        auto* widget = qobject_cast<QWidget*>(watched);
        if (event->type() == QEvent::Show && widget && widget != this && widget->isWindow() && isVisible())
            QTimer::singleShot(0, this, [this] { raise(); });
        return QMessageBox::eventFilter(watched, event);
    }

private:
    QRect m_centreArea;
    bool m_takesKeyboard;
};

class MessageBoxPrompts final : public Prompts
{
public:
    Answer messageBox(QWidget* parent, const QString& text, const QString& title, Buttons buttons,
                      Icon icon) override
    {
        ProgramMessageBox box(parent, centreArea ? centreArea() : QRect());
        box.setTextFormat(Qt::PlainText); // a server's words are never markup
        box.setText(text);
        box.setWindowTitle(title.isEmpty() ? QCoreApplication::applicationName() : title);
        box.setIcon(icon == Icon::Question      ? QMessageBox::Question
                    : icon == Icon::Exclamation ? QMessageBox::Warning
                                                : QMessageBox::NoIcon);
        if (buttons == Buttons::YesNo) {
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            // Qt's own captions are English without a translation loaded.
            box.button(QMessageBox::Yes)->setText(QStringLiteral("はい(&Y)"));
            box.button(QMessageBox::No)->setText(QStringLiteral("いいえ(&N)"));
        } else
            box.setStandardButtons(QMessageBox::Ok);
        const int result = box.exec();
        if (buttons == Buttons::YesNo)
            return result == QMessageBox::Yes ? Answer::Yes : Answer::No;
        return Answer::Ok;
    }

    void notify(QWidget* parent, const QString& text, const QString& title) override
    {
        QPointer<QMessageBox>& box = m_notices[title];
        if (!box) {
            // Above the mascots like every box, or it could sit unseen
            // behind them, but without the keyboard.
            box = new ProgramMessageBox(parent, centreArea ? centreArea() : QRect(), false);
            box->setAttribute(Qt::WA_DeleteOnClose);
            box->setWindowModality(Qt::NonModal);
            box->setTextFormat(Qt::PlainText);
            box->setIcon(QMessageBox::NoIcon);
            box->setStandardButtons(QMessageBox::Ok);
            box->setWindowTitle(title.isEmpty() ? QCoreApplication::applicationName() : title);
        }
        box->setText(text);
        box->show();
        box->raise();
    }

private:
    // The boxes notify() left open, by title.
    std::map<QString, QPointer<QMessageBox>> m_notices;
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
        // left click and the context request (right click). The other code
        // goes to the middle button, which hardly anyone uses on a tray
        // icon. A double-click raises nothing more: its first click has
        // brought the menu up already.
        //
        // The context request is answered with the icon's own context menu,
        // never through the notification: a StatusNotifierItem host
        // (xfce4-panel, KDE) shows only a menu the icon publishes and
        // otherwise its own, and on an XEmbed tray Qt pops that menu up
        // itself, so a second one would follow.
        m_icon.setContextMenu(&m_menu);
        QObject::connect(&m_icon, &QSystemTrayIcon::activated, this,
                         [this](QSystemTrayIcon::ActivationReason why) {
                             if (why == QSystemTrayIcon::Trigger)
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
    void setMenu(QMenu* menu) override
    {
        // The same items, not the same menu: the icon's menu lives as long
        // as the icon, while the panel's goes with the panel, and each item
        // leaves this menu when it is destroyed.
        m_menu.clear();
        if (menu)
            m_menu.addActions(menu->actions());
    }

private:
    QMenu m_menu;
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
