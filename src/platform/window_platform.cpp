#include "platform/window_platform.h"

#include <QtGlobal>
#include <cstring>

bool ShouldUseXcbPlatform(const WindowPlatformChoice& choice)
{
    if (!choice.qpaPlatform.isEmpty() || choice.platformArgument)
        return false;
    const bool wayland = choice.xdgSessionType == "wayland" || !choice.waylandDisplay.isEmpty();
    // Without an X display, forcing xcb would only stop the program starting.
    return wayland && !choice.x11Display.isEmpty();
}

bool HasPlatformArgument(int argc, char* const argv[])
{
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (!arg)
            continue;
        if (std::strncmp(arg, "--", 2) == 0)
            ++arg;
        if (std::strcmp(arg, "-platform") == 0)
            return true;
    }
    return false;
}

WindowPlatformChoice CurrentWindowPlatformChoice(int argc, char* const argv[])
{
    WindowPlatformChoice choice;
    choice.xdgSessionType = qgetenv("XDG_SESSION_TYPE");
    choice.waylandDisplay = qgetenv("WAYLAND_DISPLAY");
    choice.x11Display = qgetenv("DISPLAY");
    choice.qpaPlatform = qgetenv("QT_QPA_PLATFORM");
    choice.platformArgument = HasPlatformArgument(argc, argv);
    return choice;
}
