#include "app/LocaleDates.h"

#include <QLocale>
#include <QRegularExpression>

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

QString LocaleShortDateFormat()
{
    QString format = QLocale::system().dateFormat(QLocale::ShortFormat);
    static const QRegularExpression twoDigitYear(QStringLiteral("(?<!y)yy(?!y)"));
    format.replace(twoDigitYear, QStringLiteral("yyyy"));
    return format;
}

QString LocaleLongTimeFormat()
{
    QString format = QLocale::system().timeFormat(QLocale::LongFormat);
    static const QRegularExpression zoneName(QStringLiteral("\\s*\\bt+\\b\\s*"));
    format.replace(zoneName, QString());
    return format.trimmed();
}

QString DateText(TDateTime date)
{
    return QLocale::system().toString(DateTimeToQt(date).date(), LocaleShortDateFormat());
}

QString TimeText(TDateTime time)
{
    return QLocale::system().toString(DateTimeToQt(time).time(), LocaleLongTimeFormat());
}

bool ParseDateText(const QString &text, TDateTime &date)
{
    const QDate parsed = QLocale::system().toDate(text.trimmed(), LocaleShortDateFormat());
    if (!parsed.isValid())
        return false;
    date = QtDateToDateTime(parsed);
    return true;
}

bool ParseTimeText(const QString &text, TDateTime &time)
{
    const QTime parsed = QLocale::system().toTime(text.trimmed(), LocaleLongTimeFormat());
    if (!parsed.isValid())
        return false;
    time = parsed.msecsSinceStartOfDay() / MsPerDay;
    return true;
}
