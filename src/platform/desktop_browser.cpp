#include "platform/desktop_browser.h"

#include <QDesktopServices>

bool DesktopBrowser::navigate(const QUrl& url)
{
    return QDesktopServices::openUrl(url);
}
