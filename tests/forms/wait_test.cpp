#include "forms/wait.h"
#include "support/fakes.h"

#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

class WaitTest final : public QObject
{
    Q_OBJECT
private slots:
    void handlesEventsWhileWaiting()
    {
        FakeClock clock;
        clock.autoStep = 1;
        int ticks = 0;
        QTimer other;
        connect(&other, &QTimer::timeout, this, [&] {
            ++ticks;
            clock.now += 100; // the world moves on while we wait
        });
        other.start(1);
        WaitOnClock(clock, 1000);
        QVERIFY(ticks >= 5);
    }

    void endsAcrossAClockWrap()
    {
        // Started just before the 32-bit counter wraps: the wait must end
        // after the same 400 ms as anywhere else, not last 49 days.
        FakeClock clock;
        clock.now = 0xFFFFFF00u;
        clock.autoStep = 1;
        QTimer advance;
        connect(&advance, &QTimer::timeout, this, [&] { clock.now += 40; });
        advance.start(1);
        QElapsedTimer real;
        real.start();
        WaitOnClock(clock, 400);
        QVERIFY(clock.now < 0x1000u); // it wrapped and we came back shortly after
        QVERIFY(real.elapsed() < 5000);
    }

    void sleepsInsteadOfSpinning()
    {
        // With no events and a real deadline, the loop should wake only a few
        // times: every clock reading counts one pass.
        class CountingClock final : public Clock
        {
        public:
            int readings = 0;
            QElapsedTimer real;
            quint32 timeGetTime() override
            {
                ++readings;
                return quint32(real.elapsed());
            }
        } clock;
        clock.real.start();
        WaitOnClock(clock, 150);
        QVERIFY2(clock.readings < 20, qPrintable(QString::number(clock.readings)));
    }

    void endsWhenItsClockLagsTheDeadline()
    {
        // A clock that runs at half speed: the deadline passes before the
        // clock says the time is up, and with no other event to wake it the
        // wait has to set its deadline again rather than sleep for good.
        class SlowClock final : public Clock
        {
        public:
            QElapsedTimer real;
            quint32 timeGetTime() override { return quint32(real.elapsed() / 2); }
        } clock;
        clock.real.start();
        WaitOnClock(clock, 100);
        QVERIFY(clock.real.elapsed() >= 200);
        QVERIFY(clock.real.elapsed() < 5000);
    }
};

QTEST_GUILESS_MAIN(WaitTest)
#include "wait_test.moc"
