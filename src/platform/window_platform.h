#pragma once

#include <QByteArray>

// What decides the window system platform before the application starts.
struct WindowPlatformChoice
{
    QByteArray xdgSessionType;     // XDG_SESSION_TYPE
    QByteArray waylandDisplay;     // WAYLAND_DISPLAY
    QByteArray x11Display;         // DISPLAY
    QByteArray qpaPlatform;        // QT_QPA_PLATFORM
    bool platformArgument = false; // -platform given on the command line
};

// True when the program should run on X11 (XWayland) although the session is
// Wayland: the mascots need shaped, always-on-top windows placed at absolute
// positions, which Wayland does not allow. Only when the user has chosen no
// platform and an X server is there to connect to.
bool ShouldUseXcbPlatform(const WindowPlatformChoice& choice);

// True when the command line names a platform ("-platform x" or
// "--platform x", the forms Qt reads).
bool HasPlatformArgument(int argc, char* const argv[]);

// Reads the environment and the command line into a choice.
WindowPlatformChoice CurrentWindowPlatformChoice(int argc, char* const argv[]);
