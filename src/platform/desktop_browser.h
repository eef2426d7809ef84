#pragma once

#include "platform/browser.h"

// Opens pages in the browser the desktop names for web addresses.
class DesktopBrowser final : public Browser
{
public:
    bool navigate(const QUrl& url) override;
};
