#pragma once

#include <QIcon>
#include <QObject>
#include <QString>

// The task tray icon of the main panel.
class Tray : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    /// Sets the icon shown in the tray.
    virtual void setIcon(const QIcon& icon) = 0;
    /// Sets the tool tip of the tray icon.
    virtual void setTipText(const QString& text) = 0;
    /// Puts the icon into the tray (again).
    virtual void show() = 0;
    /// Removes the icon from the tray.
    virtual void hide() = 0;

signals:
    /// 0: the icon was clicked; 1: the menu was asked for (right button).
    void notification(qint16 code);
};
