#include "forms/wait.h"

#include "platform/clock.h"

#include <QEventLoop>
#include <QTimer>

void WaitOnClock(Clock& clock, int milliseconds)
{
    const quint32 start = clock.timeGetTime();
    for (;;) {
        const quint32 elapsed = clock.timeGetTime() - start; // unsigned: modulo 2^32
        if (qint64(elapsed) > qint64(milliseconds))
            return;
        // Wake up at the deadline at the latest; any event wakes us earlier.
        QEventLoop loop;
        QTimer deadline;
        deadline.setSingleShot(true);
        deadline.setTimerType(Qt::PreciseTimer);
        QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
        deadline.start(int(qint64(milliseconds) - qint64(elapsed) + 1));
        loop.processEvents(QEventLoop::WaitForMoreEvents);
    }
}
