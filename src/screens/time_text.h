#pragma once

#include <QDate>
#include <QString>
#include <QTime>

// Times as the program keeps them: day counts held as doubles, the whole part days since
// 30 December 1899, the fraction the time of day; one second is 1/86400.

inline constexpr double SecondsPerDay = 86400.0;

// The time of day in whole seconds, as a fraction of a day.
double timeOfDay(const QTime &time);
double dayCount(const QDate &date);

// The 24-hour time-of-day text of a day count: hours without a leading zero, minutes and seconds
// with two digits ("0:03:00"). The date part is ignored; a negative count shows the time of its
// fraction, as a time before the epoch would.
QString timeText(double days);

// The short date form of the Russian locale ("09.12.2026").
QString dateText(double days);

// The last n characters of a text.
QString Right(const QString &text, int n);
