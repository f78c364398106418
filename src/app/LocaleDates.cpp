#include "app/LocaleDates.h"

#include <cmath>

namespace {

const QDate DateTimeEpoch(1899, 12, 30);
constexpr double MsPerDay = 86400000.0;

} // namespace

namespace {

// Date and time of day of a TDateTime. A local QDateTime is not built for
// that: its zone lookup reads the zone file, once per date shown.
void SplitDateTime(TDateTime time, QDate &date, QTime &timeOfDay)
{
    const qint64 ms = std::llround(time * MsPerDay);
    // Negative day counts run backwards by whole days but forwards by time of day.
    const qint64 days = ms / 86400000;
    qint64 rest = ms % 86400000;
    if (rest < 0) {
        rest = -rest;
    }
    date = DateTimeEpoch.addDays(days);
    timeOfDay = QTime::fromMSecsSinceStartOfDay(static_cast<int>(rest));
}

} // namespace

QDateTime DateTimeToQt(TDateTime time)
{
    QDate date;
    QTime timeOfDay;
    SplitDateTime(time, date, timeOfDay);
    return QDateTime(date, timeOfDay);
}

TDateTime QtDateToDateTime(const QDate &date)
{
    return static_cast<double>(DateTimeEpoch.daysTo(date));
}

TDateTime QtToDateTime(const QDateTime &time)
{
    const double days = QtDateToDateTime(time.date());
    const double fraction = time.time().msecsSinceStartOfDay() / MsPerDay;
    return days >= 0 ? days + fraction : days - fraction;
}

TDateTime TodayLocal()
{
    return QtDateToDateTime(QDate::currentDate());
}

TDateTime NowLocal()
{
    return QtToDateTime(QDateTime::currentDateTime());
}

QString DateText(TDateTime date)
{
    QDate day;
    QTime timeOfDay;
    SplitDateTime(date, day, timeOfDay);
    return DateText(day);
}

QString TimeText(TDateTime time)
{
    QDate day;
    QTime timeOfDay;
    SplitDateTime(time, day, timeOfDay);
    return TimeText(timeOfDay);
}

bool ParseDateText(const QString &text, TDateTime &date)
{
    QDate parsed;
    if (!ParseDateText(text, parsed))
        return false;
    date = QtDateToDateTime(parsed);
    return true;
}

bool ParseTimeText(const QString &text, TDateTime &time)
{
    QTime parsed;
    if (!ParseTimeText(text, parsed))
        return false;
    time = parsed.msecsSinceStartOfDay() / MsPerDay;
    return true;
}
