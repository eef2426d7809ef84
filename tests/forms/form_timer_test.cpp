#include "forms/form_timer.h"

#include <QTest>

class FormTimerTest final : public QObject
{
    Q_OBJECT
private slots:
    void ticksOnlyWhenEnabledWithAPeriodAndAHandler()
    {
        QObject owner;
        auto* timer = new FormTimer(20, &owner);
        QVERIFY(timer->running());
        QVERIFY(!timer->isActive()); // nobody listens: no wake-ups

        int ticks = 0;
        connect(timer, &FormTimer::timeout, this, [&] { ++ticks; });
        QVERIFY(timer->isActive());
        QTRY_VERIFY(ticks > 0);

        timer->setInterval(0); // a period of 0 stops it, still enabled
        QVERIFY(timer->enabled());
        QVERIFY(!timer->isActive());
        timer->setInterval(1000);
        QVERIFY(timer->isActive());
        QVERIFY(timer->remainingTime() > 500); // ticks at the new period, not the old 20 ms

        timer->setEnabled(false);
        QVERIFY(!timer->isActive());
        QVERIFY(!timer->running());
        timer->setEnabled(true);
        QVERIFY(timer->isActive());
    }

    void pausedTimerKeepsItsSettingsAndStaysStillUntilResumed()
    {
        QObject owner;
        auto* timer = new FormTimer(20, &owner);
        timer->setPaused(true);
        connect(timer, &FormTimer::timeout, this, [] {});
        QVERIFY(!timer->isActive()); // a handler arriving does not start it
        timer->setInterval(5000);
        timer->setEnabled(false);
        timer->setEnabled(true);
        QVERIFY(!timer->isActive()); // nor do new settings
        QVERIFY(timer->running());
        timer->setPaused(false);
        QVERIFY(timer->isActive());
        QVERIFY(timer->remainingTime() > 1000); // the period set while paused

        timer->setEnabled(false);
        timer->setPaused(true);
        timer->setPaused(false);
        QVERIFY(!timer->isActive()); // resuming a disabled timer leaves it off
    }
};

QTEST_GUILESS_MAIN(FormTimerTest)
#include "form_timer_test.moc"
