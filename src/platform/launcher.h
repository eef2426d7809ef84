#pragma once

#include <QString>

// Starts a program from a command line without waiting for it.
class Launcher
{
public:
    virtual ~Launcher() = default;
    /// Starts `commandLine` (program path, optionally followed by arguments)
    /// detached, in a normal window. Returns false when it cannot be started.
    virtual bool startDetached(const QString& commandLine) = 0;
};
