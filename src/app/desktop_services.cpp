#include "app/desktop_services.h"

#include "app/dialog_file_chooser.h"
#include "app/message_box_prompts.h"
#include "app/system_tray.h"
#include "platform/desktop_browser.h"
#include "platform/fluidsynth_sound_device.h"
#include "platform/process_launcher.h"
#include "platform/system_clock.h"
#include "platform/system_dial_up.h"

Services MakeDesktopServices()
{
    Services services;
    services.clock = std::make_unique<SystemClock>();
    services.sound = std::make_unique<FluidSynthSoundDevice>();
    services.dialUp = MakeSystemDialUp();
    services.browser = std::make_unique<DesktopBrowser>();
    services.launcher = std::make_unique<ProcessLauncher>();
    services.prompts = std::make_unique<MessageBoxPrompts>();
    services.fileChooser = std::make_unique<DialogFileChooser>();
    services.tray = std::make_unique<SystemTray>();
    return services;
}
