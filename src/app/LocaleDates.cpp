#include "app/LocaleDates.h"

#include <cmath>

namespace {

const QDate DateTimeEpoch(1899, 12, 30);
constexpr double MsPerDay = 86400000.0;

} // namespace

QDateTime DateTimeToQt(TDateTime time)
{
    const qint64 ms = std::llround(time * MsPerDay);
    // Negative day counts run backwards by whole days but forwards by time of day.
    qint64 days = ms / 86400000;
    qint64 rest = ms % 86400000;
    if (rest < 0) {
        rest = -rest;
    }
    return QDateTime(DateTimeEpoch.addDays(days), QTime::fromMSecsSinceStartOfDay(static_cast<int>(rest)));
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
    return DateText(DateTimeToQt(date).date());
}

QString TimeText(TDateTime time)
{
    return TimeText(DateTimeToQt(time).time());
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
