#pragma once

#include <QIcon>
#include <QObject>
#include <QString>

class QMenu;

// The task tray icon of the main panel.
class Tray : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    /// Whether the desktop has a tray to put the icon in now.
    virtual bool isAvailable() const = 0;
    /// Sets the icon shown in the tray.
    virtual void setIcon(const QIcon& icon) = 0;
    /// Sets the tool tip of the tray icon.
    virtual void setTipText(const QString& text) = 0;
    /// Puts the icon into the tray (again).
    virtual void show() = 0;
    /// Removes the icon from the tray.
    virtual void hide() = 0;
    /// The items the desktop offers on its own context request (the right
    /// button): those of `menu`, as long as they exist; none for nullptr.
    virtual void setMenu(QMenu* menu) = 0;

signals:
    /// 1: the user asked for the icon's menu (a left click); 0: a click
    /// that asks for no menu (middle button).
    void notification(qint16 code);
};
