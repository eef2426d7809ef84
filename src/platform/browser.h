#pragma once

#include <QUrl>

// Shows a web page in the user's browser.
class Browser
{
public:
    virtual ~Browser() = default;
    /// Opens `url` in a visible browser window; returns false on failure.
    virtual bool navigate(const QUrl& url) = 0;
};
