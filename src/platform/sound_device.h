#pragma once

#include <QByteArray>

// A multimedia command-string interpreter for the commands the program sends
// to play its alert tune:
//   open "<path>" alias <name>     play <name>     play <name> from 0
//   status <name> mode             stop <name>     close <name>
// Every call returns a code: 0 for success, non-zero for failure. A status
// query puts its answer ("playing", "stopped") into `reply`.
class SoundDevice
{
public:
    virtual ~SoundDevice() = default;
    /// Runs one command string (bytes in the ANSI code page); returns 0 on success.
    virtual int sendString(const QByteArray& command, QByteArray* reply = nullptr) = 0;
};
