#pragma once

#include "platform/browser.h"
#include "platform/clock.h"
#include "platform/dial_up.h"
#include "platform/file_chooser.h"
#include "platform/launcher.h"
#include "platform/prompts.h"
#include "platform/sound_device.h"
#include "platform/tray.h"

#include <memory>

// The desktop services the program uses, owned by the Program. The
// production set comes from MakeDesktopServices(); tests pass recording fakes.
struct Services
{
    std::unique_ptr<Clock> clock;
    std::unique_ptr<SoundDevice> sound;
    std::unique_ptr<DialUp> dialUp;
    std::unique_ptr<Browser> browser;
    std::unique_ptr<Launcher> launcher;
    std::unique_ptr<Prompts> prompts;
    std::unique_ptr<FileChooser> fileChooser;
    std::unique_ptr<Tray> tray;
};
