#include "panel/general_date.h"

namespace {
// `format` without its time-zone fields (runs of unquoted 't') and the
// blanks that separate them from the rest; quoted literals stay whole.
QString WithoutTimeZone(const QString& format)
{
    QString result;
    bool quoted = false;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format.at(i);
        if (c == u'\'')
            quoted = !quoted;
        if (quoted || c != u't') {
            result.append(c);
            continue;
        }
        while (i + 1 < format.size() && format.at(i + 1) == u't')
            ++i;
        while (!result.isEmpty() && result.back().isSpace())
            result.chop(1);
        if (result.isEmpty()) // a leading zone: drop the blanks after it instead
            while (i + 1 < format.size() && format.at(i + 1).isSpace())
                ++i;
    }
    return result;
}
} // namespace

QString GeneralDate(const QDateTime& moment, const QLocale& locale)
{
    const QDateTime local = moment.toLocalTime();
    return locale.toString(local.date(), QLocale::ShortFormat) + u' ' +
           locale.toString(local.time(), WithoutTimeZone(locale.timeFormat(QLocale::LongFormat)));
}
