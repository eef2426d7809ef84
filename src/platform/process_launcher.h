#pragma once

#include "platform/launcher.h"

// Starts programs as detached processes of the system.
class ProcessLauncher final : public Launcher
{
public:
    bool startDetached(const QString& commandLine) override;
};
