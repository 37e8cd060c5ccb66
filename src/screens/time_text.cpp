#include "time_text.h"

#include <QLocale>

#include <cmath>

namespace {
const QDate Epoch(1899, 12, 30);
}

double timeOfDay(const QTime &time)
{
    return (time.msecsSinceStartOfDay() / 1000) / SecondsPerDay;
}

double dayCount(const QDate &date)
{
    return static_cast<double>(Epoch.daysTo(date));
}

QString timeText(double days)
{
    const double fraction = std::fabs(days - std::trunc(days));
    auto seconds = static_cast<long long>(std::llround(fraction * SecondsPerDay)) % 86400;
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600)
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QString dateText(double days)
{
    const QDate date = Epoch.addDays(static_cast<qint64>(std::floor(days)));
    // The system's short date form; a system without a locale of its own gets the Russian one,
    // like every other text of the program.
    QLocale locale;
    if (locale.language() == QLocale::C)
        locale = QLocale(QLocale::Russian, QLocale::Russia);
    return locale.toString(date, QLocale::ShortFormat);
}

QString Right(const QString &text, int n)
{
    return n >= text.size() ? text : text.right(n);
}
