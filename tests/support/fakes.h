#pragma once

// Recording stand-ins for the desktop services, for tests that build a whole
// Program without a desktop.

#include "platform/services.h"

#include <QStringList>
#include <functional>

// A clock the test moves by hand; with `autoStep` set, every reading also
// advances it, so a wait on it ends without real time passing.
class FakeClock final : public Clock
{
public:
    quint32 now = 0;
    quint32 autoStep = 0;
    quint32 timeGetTime() override
    {
        const quint32 value = now;
        now += autoStep;
        return value;
    }
};

// Records every command string; answers "status ... mode" with `mode` and
// returns `result` (0 unless the test says otherwise).
class RecordingSound final : public SoundDevice
{
public:
    QStringList commands;
    QString mode = QStringLiteral("stopped");
    int result = 0;
    int sendString(const QString& command, QString* reply) override
    {
        commands.append(command);
        if (reply && command.startsWith(u"status"))
            *reply = mode;
        return result;
    }
};

class RecordingPrompts final : public Prompts
{
public:
    struct Shown
    {
        QString text;
        QString title;
        Buttons buttons;
        Icon icon;
        QWidget* parent;
    };
    QList<Shown> shown;
    Answer answer = Answer::Ok;
    std::function<void()> whileShown; // runs "inside" the modal box
    Answer messageBox(QWidget* parent, const QString& text, const QString& title, Buttons buttons,
                      Icon icon) override
    {
        shown.append({text, title, buttons, icon, parent});
        if (whileShown)
            whileShown();
        return answer;
    }
    QList<Shown> notices; // boxes that did not wait
    void notify(QWidget* parent, const QString& text, const QString& title) override
    {
        notices.append({text, title, Buttons::Ok, Icon::None, parent});
    }
};

class RecordingLauncher final : public Launcher
{
public:
    QStringList started;
    bool succeed = true;
    bool startDetached(const QString& commandLine) override
    {
        started.append(commandLine);
        return succeed;
    }
};

class RecordingDialUp final : public DialUp
{
public:
    QStringList active;
    QStringList hungUp;
    int enumerations = 0;
    bool enumConnections(QList<QString>* handles) override
    {
        ++enumerations;
        *handles = active;
        return true;
    }
    bool hangUp(const QString& handle) override
    {
        hungUp.append(handle);
        return true;
    }
};

class RecordingBrowser final : public Browser
{
public:
    QList<QUrl> opened;
    bool navigate(const QUrl& url) override
    {
        opened.append(url);
        return true;
    }
};

class ScriptedFileChooser final : public FileChooser
{
public:
    QString nextChoice; // empty: the user cancels
    int shown = 0;
    QString showOpen(QWidget*, const QString& previousFileName) override
    {
        ++shown;
        return nextChoice.isEmpty() ? previousFileName : nextChoice;
    }
    QString fileTitle(const QString& path) override { return path.section(u'/', -1); }
};

// Records what the panel asks of the tray; the test raises notifications
// with `emit tray->notification(code)`.
class RecordingTray final : public Tray
{
public:
    bool available = true;
    QIcon icon;
    QStringList tips;
    int shown = 0;
    int hidden = 0;
    bool isAvailable() const override { return available; }
    void setIcon(const QIcon& newIcon) override { icon = newIcon; }
    void setTipText(const QString& text) override { tips.append(text); }
    void show() override { ++shown; }
    void hide() override { ++hidden; }
    void setMenu(QMenu*) override {}
};
