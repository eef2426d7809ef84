#pragma once

#include "platform/tray.h"

#include <QMenu>
#include <QSystemTrayIcon>

// The desktop's notification area, through the toolkit's tray icon.
class SystemTray final : public Tray
{
public:
    SystemTray();
    bool isAvailable() const override;
    void setIcon(const QIcon& icon) override { m_icon.setIcon(icon); }
    void setTipText(const QString& text) override { m_icon.setToolTip(text); }
    void show() override { m_icon.show(); }
    void hide() override { m_icon.hide(); }
    void setMenu(QMenu* menu) override;

private:
    QMenu m_menu;
    QSystemTrayIcon m_icon;
};
