#pragma once

class Program;
class QString;

// The alert tune: the program folder's Sound/Kouka.mid, played through the
// sound device under the alias "bgm". Every command the program sends about
// it goes through here, so that the alias and the order of the commands are
// said once. Starting and ending leave the device's result in the
// program-wide MciResult; the poll keeps the device's last answer about the
// tune's mode in MciStatus.
class AlertTune
{
public:
    explicit AlertTune(Program& program)
        : m_program(program)
    {
    }

    /// Opens the tune under the alias and plays it.
    void openAndPlay();
    /// Stops the alias and closes it.
    void stopAndClose();
    /// One step of the sound poll: reads the tune's mode (an empty answer,
    /// as a closed alias gives, keeps the last one) and, once the tune has
    /// stopped, plays it again from the start when `loop` is set, else stops
    /// and closes it. False once it has closed it: the poll may end then.
    bool poll(bool loop);

private:
    int send(const QString& command, QString* reply = nullptr);

    Program& m_program;
};
