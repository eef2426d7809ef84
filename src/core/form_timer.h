#pragma once

#include <QTimer>

// A window timer with the two settings the program's windows use: whether it
// is enabled, and its period. It ticks only while it is enabled and its
// period is above 0; a period of 0 stops it without disabling it, so giving
// it a period again starts it.
class FormTimer final : public QTimer
{
    Q_OBJECT
public:
    explicit FormTimer(int interval, QObject* parent);

    bool enabled() const { return m_enabled; }
    void setEnabled(bool enabled);
    int interval() const { return m_interval; }
    void setInterval(int milliseconds);
    /// True while it would tick.
    bool running() const { return isActive(); }

private:
    void apply();

    bool m_enabled = true;
    int m_interval = 0;
};
