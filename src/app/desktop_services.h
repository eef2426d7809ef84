#pragma once

#include "platform/services.h"

// The services of a real desktop session: message boxes, starting programs,
// the browser, the file dialog, the tray, the clock and the sound device.
Services MakeDesktopServices();
