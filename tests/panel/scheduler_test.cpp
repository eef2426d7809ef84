#include "panel/scheduler.h"

#include <QTest>

namespace {
// Runs `ticks` seconds ticks and returns the ticks at which a check was due
// (a poll between this tick and the next would start one).
QList<int> dueTicks(const QString& interval, int ticks, QString& seconds, QString& minutes)
{
    QList<int> due;
    for (int tick = 1; tick <= ticks; ++tick) {
        if (SecondsTick(interval, seconds, minutes))
            due.append(tick);
    }
    return due;
}
} // namespace

class SchedulerTest final : public QObject
{
    Q_OBJECT
private slots:
    void minutesAreSixtyOneTicks()
    {
        QString seconds = "Text4";
        QString minutes = "Text1";
        const QList<int> due = dueTicks("1", 200, seconds, minutes);
        // Windows open after 61 ticks and then every 61 ticks, one tick long.
        QCOMPARE(due, (QList<int>{61, 122, 183}));
    }

    void intervalOfTwo()
    {
        QString seconds = "0";
        QString minutes = "0";
        QCOMPARE(dueTicks("2", 400, seconds, minutes), (QList<int>{122, 244, 366}));
    }

    void windowClosesOnTheNextTick()
    {
        QString seconds = "60";
        QString minutes = "0";
        SecondsTick("1", seconds, minutes);
        QCOMPARE(minutes, QStringLiteral("1"));
        QCOMPARE(seconds, QStringLiteral("0"));
        QVERIFY(CheckDue("1", minutes));
        SecondsTick("1", seconds, minutes);
        QCOMPARE(minutes, QStringLiteral("0"));
        QVERIFY(!CheckDue("1", minutes));
    }

    void loweredIntervalKeepsChecking()
    {
        // 10 -> 3 while five minutes are counted: the next window opens a full
        // interval later instead of never.
        QString seconds = "0";
        QString minutes = "5";
        const QList<int> due = dueTicks("3", 400, seconds, minutes);
        QVERIFY(!due.isEmpty());
        QCOMPARE(due.first(), 3 * 61);
    }

    void fractionalIntervalsCheckAtTheNextWholeMinute()
    {
        QString seconds = "0";
        QString minutes = "0";
        QCOMPARE(dueTicks("2.5", 400, seconds, minutes), (QList<int>{183, 366}));
        seconds = minutes = "0";
        QCOMPARE(dueTicks("0.5", 130, seconds, minutes), (QList<int>{61, 122}));
    }

    void nonPositiveIntervalsNeverCheck()
    {
        QString seconds = "0";
        QString minutes = "0";
        QVERIFY(dueTicks("0", 200, seconds, minutes).isEmpty());
        QVERIFY(dueTicks("-3", 200, seconds, minutes).isEmpty());
        QVERIFY(dueTicks("abc", 200, seconds, minutes).isEmpty());
    }

    void countersAreWholeNumberTexts()
    {
        QString seconds = "59";
        QString minutes = "Text1";
        SecondsTick("5", seconds, minutes);
        QCOMPARE(seconds, QStringLiteral("60"));
        QCOMPARE(minutes, QStringLiteral("Text1")); // reads as 0, left as it is
        SecondsTick("5", seconds, minutes);
        QCOMPARE(seconds, QStringLiteral("0"));
        QCOMPARE(minutes, QStringLiteral("1"));
    }
};

QTEST_GUILESS_MAIN(SchedulerTest)
#include "scheduler_test.moc"
