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
// For the same reason a window may pause a timer whose work only shows on
// screen while the window is hidden; pausing leaves the timer's settings
// as they are, and resuming starts it again if they say it runs.
//
// The QTimer that ticks is its own and reached by nothing else, so nothing
// can start or stop it behind these settings.
class FormTimer final : public QObject
{
    Q_OBJECT
public:
    explicit FormTimer(int interval, QObject* parent);

    bool enabled() const { return m_enabled; }
    void setEnabled(bool enabled);
    int interval() const { return m_interval; }
    void setInterval(int milliseconds);
    /// True while it is enabled with a period above 0, that is while its
    /// handler, if it has one, runs every period (unless it is paused).
    bool running() const { return m_enabled && m_interval > 0; }
    /// Holds the timer still (true) or lets it run again (false) without
    /// touching its settings.
    void setPaused(bool paused);
    bool paused() const { return m_paused; }
    /// Whether it ticks now: running, not paused and with a handler.
    bool isActive() const { return m_timer.isActive(); }
    /// Milliseconds to its next tick, -1 while it does not tick.
    int remainingTime() const { return m_timer.remainingTime(); }

signals:
    void timeout();

protected:
    void connectNotify(const QMetaMethod& signal) override;

private:
    void apply();

    bool m_enabled = true;
    bool m_paused = false;
    int m_interval = 0;
    QTimer m_timer;
};
