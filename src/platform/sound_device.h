#pragma once

#include <QString>

// A multimedia command-string interpreter for the commands the program sends
// to play its alert tune:
//   open "<path>" alias <name>     play <name>     play <name> from 0
//   status <name> mode             stop <name>     close <name>
// Every call returns a code: 0 for success, non-zero for failure. A status
// query puts its answer ("playing", "stopped") into `reply`. Commands are
// Unicode text: a path names its file exactly, whatever its characters.
class SoundDevice
{
public:
    virtual ~SoundDevice() = default;
    /// Runs one command string; returns 0 on success.
    virtual int sendString(const QString& command, QString* reply = nullptr) = 0;
};
