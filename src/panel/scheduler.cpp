#include "panel/scheduler.h"

#include "base/text_value.h"

namespace {
QString wholeNumberText(double value)
{
    return QString::number(RoundHalfEven(value));
}
} // namespace

bool SecondsTick(const QString& intervalText, QString& elapsedSeconds, QString& elapsedMinutes)
{
    const double interval = ValueOfText(intervalText);
    if (ValueOfText(elapsedMinutes) >= interval)
        elapsedMinutes = QStringLiteral("0");
    const double seconds = ValueOfText(elapsedSeconds);
    if (seconds < 60) {
        elapsedSeconds = wholeNumberText(seconds + 1);
        return false;
    }
    elapsedSeconds = QStringLiteral("0");
    elapsedMinutes = wholeNumberText(ValueOfText(elapsedMinutes) + 1);
    return CheckDue(intervalText, elapsedMinutes);
}

bool CheckDue(const QString& intervalText, const QString& elapsedMinutes)
{
    const double interval = ValueOfText(intervalText);
    return interval > 0 && ValueOfText(elapsedMinutes) >= interval;
}
