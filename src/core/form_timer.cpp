#include "core/form_timer.h"

FormTimer::FormTimer(int interval, QObject* parent)
    : QTimer(parent)
    , m_interval(interval)
{
    apply();
}

void FormTimer::setEnabled(bool enabled)
{
    m_enabled = enabled;
    apply();
}

void FormTimer::setInterval(int milliseconds)
{
    if (milliseconds == m_interval && isActive() == (m_enabled && m_interval > 0))
        return;
    m_interval = milliseconds;
    apply();
}

void FormTimer::apply()
{
    if (m_enabled && m_interval > 0)
        start(m_interval); // also restarts the count, as a newly set period does
    else
        stop();
}
