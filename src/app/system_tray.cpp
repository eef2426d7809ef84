#include "app/system_tray.h"

SystemTray::SystemTray()
{
    // The menu comes up where people look for it on a tray icon: the
    // left click and the context request (right click). The other code
    // goes to the middle button, which hardly anyone uses on a tray
    // icon. A double-click raises nothing more: its first click has
    // brought the menu up already.
    //
    // The context request is answered with the icon's own context menu,
    // never through the notification: a StatusNotifierItem host
    // (xfce4-panel, KDE) shows only a menu the icon publishes and
    // otherwise its own, and on an XEmbed tray Qt pops that menu up
    // itself, so a second one would follow.
    m_icon.setContextMenu(&m_menu);
    QObject::connect(&m_icon, &QSystemTrayIcon::activated, this,
                     [this](QSystemTrayIcon::ActivationReason why) {
                         if (why == QSystemTrayIcon::Trigger)
                             emit notification(1);
                         else if (why == QSystemTrayIcon::MiddleClick)
                             emit notification(0);
                     });
}

bool SystemTray::isAvailable() const
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void SystemTray::setMenu(QMenu* menu)
{
    // The same items, not the same menu: the icon's menu lives as long
    // as the icon, while the panel's goes with the panel, and each item
    // leaves this menu when it is destroyed.
    m_menu.clear();
    if (menu)
        m_menu.addActions(menu->actions());
}
