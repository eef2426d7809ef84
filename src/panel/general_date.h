#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

// A moment as the locale writes a date with its time in full: the short date,
// a blank, then the long time without the time zone (the tray tip shows
// local time, so naming the zone would only add noise).
QString GeneralDate(const QDateTime& moment, const QLocale& locale);
