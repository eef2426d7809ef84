#include "forms/form_timer.h"

#include <QMetaMethod>

namespace {
const QMetaMethod& timeoutSignal()
{
    static const QMetaMethod signal = QMetaMethod::fromSignal(&FormTimer::timeout);
    return signal;
}
} // namespace

FormTimer::FormTimer(int interval, QObject* parent)
    : QObject(parent)
    , m_interval(interval)
{
    connect(&m_timer, &QTimer::timeout, this, &FormTimer::timeout);
    apply();
}

void FormTimer::setEnabled(bool enabled)
{
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    apply();
}

void FormTimer::setInterval(int milliseconds)
{
    if (milliseconds == m_interval)
        return;
    m_interval = milliseconds;
    apply();
}

void FormTimer::setPaused(bool paused)
{
    if (paused == m_paused)
        return;
    m_paused = paused;
    apply();
}

void FormTimer::connectNotify(const QMetaMethod& signal)
{
    if (signal == timeoutSignal())
        apply();
}

void FormTimer::apply()
{
    if (running() && !m_paused && isSignalConnected(timeoutSignal()))
        m_timer.start(m_interval); // also restarts the count, as a newly set period does
    else
        m_timer.stop();
}
