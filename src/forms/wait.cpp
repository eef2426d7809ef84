#include "forms/wait.h"

#include "platform/clock.h"

#include <QEventLoop>
#include <QTimer>

void WaitOnClock(Clock& clock, int milliseconds)
{
    const quint32 start = clock.timeGetTime();
    // One loop and one deadline for the whole wait: the panel's name display
    // ticks 50 times a second inside the lamp's wait, and a timer made and
    // unregistered at every wake-up would cost more than the tick itself.
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.setTimerType(Qt::PreciseTimer);
    for (;;) {
        const quint32 elapsed = clock.timeGetTime() - start; // unsigned: modulo 2^32
        if (qint64(elapsed) > qint64(milliseconds))
            return;
        // Wake up at the deadline at the latest; any event wakes us earlier.
        // A deadline that passed before the clock says so is set again.
        if (!deadline.isActive())
            deadline.start(int(qint64(milliseconds) - qint64(elapsed) + 1));
        loop.processEvents(QEventLoop::WaitForMoreEvents);
    }
}
