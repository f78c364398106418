#include "env/LocaleText.h"

#include "base/SafeFormat.h"

#include <QRegularExpression>

namespace {

// A two-digit year format, for texts written by locales that use one.
QString TwoDigitYearFormat(const QString &format)
{
    QString result = format;
    result.replace(QStringLiteral("yyyy"), QStringLiteral("yy"));
    return result;
}

// A time format without its time-zone name: the texts are wall-clock times.
QString TimeFormatWithoutZone(QLocale::FormatType type)
{
    static const QRegularExpression zone(QStringLiteral("\\s*t+"));
    return FormatLocale().timeFormat(type).remove(zone).trimmed();
}

QString ShortTimeFormat()
{
    return TimeFormatWithoutZone(QLocale::ShortFormat);
}

QStringList DateFormats()
{
    const QString fourDigits = ShortDateFormat();
    const QString twoDigits = TwoDigitYearFormat(fourDigits);
    return twoDigits == fourDigits ? QStringList{fourDigits} : QStringList{fourDigits, twoDigits};
}

QStringList TimeFormats()
{
    const QString longFormat = LongTimeFormat();
    const QString shortFormat = ShortTimeFormat();
    return shortFormat == longFormat ? QStringList{longFormat} : QStringList{longFormat, shortFormat};
}

QDate FixCentury(QDate date, const QString &format)
{
    // Qt reads "yy" as 19yy; texts of this program are from this century on.
    if (date.isValid() && !format.contains(QStringLiteral("yyyy")) && date.year() < 1950)
        date = date.addYears(100);
    return date;
}

} // namespace

QString ShortDateFormat()
{
    QString format = FormatLocale().dateFormat(QLocale::ShortFormat);
    if (!format.contains(QStringLiteral("yyyy")))
        format.replace(QStringLiteral("yy"), QStringLiteral("yyyy"));
    return format;
}

QString LongTimeFormat()
{
    return TimeFormatWithoutZone(QLocale::LongFormat);
}

namespace {

// The formats worked out once per locale and thread: a device tree of
// 100,000 files shows as many dates, and each time format is cleaned of its
// zone by a regular expression.
struct TTextFormats
{
    QLocale Locale;
    QString Date;
    QString Time;
    bool Known = false;
};

const TTextFormats &TextFormats()
{
    thread_local TTextFormats formats;
    const QLocale locale = FormatLocale();
    if (!formats.Known || formats.Locale != locale) {
        formats.Locale = locale;
        formats.Date = ShortDateFormat();
        formats.Time = LongTimeFormat();
        formats.Known = true;
    }
    return formats;
}

} // namespace

QString DateText(const QDate &date)
{
    const TTextFormats &formats = TextFormats();
    return formats.Locale.toString(date, formats.Date);
}

QString TimeText(const QTime &time)
{
    const TTextFormats &formats = TextFormats();
    return formats.Locale.toString(time, formats.Time);
}

QString DateTimeText(const QDateTime &dateTime)
{
    QString date = DateText(dateTime.date());
    if (dateTime.time() == QTime(0, 0))
        return date;
    return date + QLatin1Char(' ') + TimeText(dateTime.time());
}

bool ParseDateText(const QString &text, QDate &date)
{
    const QLocale locale = FormatLocale();
    for (const QString &format : DateFormats()) {
        const QDate parsed = FixCentury(locale.toDate(text.trimmed(), format), format);
        if (parsed.isValid()) {
            date = parsed;
            return true;
        }
    }
    return false;
}

bool ParseTimeText(const QString &text, QTime &time)
{
    const QLocale locale = FormatLocale();
    for (const QString &format : TimeFormats()) {
        const QTime parsed = locale.toTime(text.trimmed(), format);
        if (parsed.isValid()) {
            time = parsed;
            return true;
        }
    }
    return false;
}

bool ParseDateTimeText(const QString &text, QDateTime &dateTime)
{
    const QString trimmed = text.trimmed();
    QDate date;
    if (ParseDateText(trimmed, date)) {
        dateTime = QDateTime(date, QTime(0, 0));
        return true;
    }
    const QLocale locale = FormatLocale();
    for (const QString &dateFormat : DateFormats()) {
        for (const QString &timeFormat : TimeFormats()) {
            const QString format = dateFormat + QLatin1Char(' ') + timeFormat;
            QDateTime parsed = locale.toDateTime(trimmed, format);
            if (!parsed.isValid())
                continue;
            parsed.setDate(FixCentury(parsed.date(), dateFormat));
            dateTime = parsed;
            return true;
        }
    }
    return false;
}
