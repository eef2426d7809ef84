#pragma once

#include <QTimer>

// A window timer with the two settings the program's windows use: whether it
// is enabled, and its period. It ticks only while it is enabled and its
// period is above 0; a period of 0 stops it without disabling it, so giving
// it a period again starts it.
//
// A timer that no handler listens to does not wake the program up at all:
// an idle desktop program must cost next to nothing. (Handlers are
// connected once and stay; a timer that loses its handler keeps ticking.)
class FormTimer final : public QTimer
{
    Q_OBJECT
public:
    explicit FormTimer(int interval, QObject* parent);

    bool enabled() const { return m_enabled; }
    void setEnabled(bool enabled);
    int interval() const { return m_interval; }
    void setInterval(int milliseconds);
    /// True while it is enabled with a period above 0, that is while its
    /// handler, if it has one, runs every period.
    bool running() const { return m_enabled && m_interval > 0; }

protected:
    void connectNotify(const QMetaMethod& signal) override;

private:
    void apply();

    bool m_enabled = true;
    int m_interval = 0;
};
