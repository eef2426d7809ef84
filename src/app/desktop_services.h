#pragma once

#include "platform/services.h"

// The services of a real desktop session: message boxes, starting programs,
// the browser, the file dialog, the tray, the clock, the sound device and
// the dial-up connections, each from its backend's own file.
Services MakeDesktopServices();
