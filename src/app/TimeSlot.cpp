#include "app/TimeSlot.h"

#include <cmath>
#include <cstdint>

namespace {

constexpr double UnixEpochDay = 25569.0; // 1970-01-01
constexpr std::int64_t MsPerDay = 86'400'000;
const QDate DayZero(1899, 12, 30);

// A date-time's whole part counts days; its fraction is the time of day, also
// for days before 1899-12-30 (where -1.25 is 1899-12-29 06:00).
std::int64_t ToWallMilliseconds(TDateTime time)
{
    const double day = std::trunc(time);
    const double fraction = std::fabs(time - day);
    return static_cast<std::int64_t>(day - UnixEpochDay) * MsPerDay + std::llround(fraction * MsPerDay);
}

TDateTime FromWallMilliseconds(std::int64_t ms)
{
    std::int64_t day = ms / MsPerDay;
    std::int64_t rest = ms % MsPerDay;
    if (rest < 0) {
        rest += MsPerDay;
        --day;
    }
    const double dayNumber = static_cast<double>(day) + UnixEpochDay;
    const double fraction = static_cast<double>(rest) / MsPerDay;
    return dayNumber >= 0 ? dayNumber + fraction : dayNumber - fraction;
}

int OffsetAt(const QTimeZone &zone, std::int64_t utcMs)
{
    return zone.offsetFromUtc(QDateTime::fromMSecsSinceEpoch(utcMs, Qt::UTC));
}

} // namespace

bool TTimePeriod::InTimeSlot(TDateTime t, TDateTime today) const
{
    switch (Mode) {
    case tmAll:
        return true;
    case tmNewer:
        return t >= Dat1;
    case tmOlder:
        return t < Dat2;
    case tmSpan:
        return t >= Dat1 && t < Dat2 + 1;
    case tmToday:
        return t >= today + DayTime;
    case tmLastDays:
        return WholeDays(t) >= today - Days;
    case tmPrevDays:
        return WholeDays(t) < today - Days;
    default:
        return false;
    }
}

QDateTime SystemNow()
{
    return QDateTime::currentDateTime();
}

TTimePeriod DefaultTimePeriod(const QDate &today)
{
    TTimePeriod period;
    period.Dat1 = DateToDateTime(today.addMonths(-12));
    period.Dat2 = DateToDateTime(today);
    return period;
}

TTimeMode TimeModeFromStored(int value)
{
    if (value < tmAll || value > tmPrevDays)
        return tmAll;
    return static_cast<TTimeMode>(value);
}

TTimeMode TimeModeFromItemIndex(int index)
{
    return (index >= tmNewer && index <= tmPrevDays) ? static_cast<TTimeMode>(index) : tmAll;
}

TDateTime DayTimeFromTime(const QTime &time)
{
    if (!time.isValid())
        return 0;
    return (time.hour() * 60 + time.minute()) / 1440.0;
}

TDateTime EndAfterStartChange(TDateTime start, TDateTime end)
{
    return start > end ? start + 1 : end;
}

TDateTime StartAfterEndChange(TDateTime start, TDateTime end)
{
    return start > end ? end : start;
}

TDateTime WholeDays(TDateTime time)
{
    return std::trunc(time);
}

TDateTime DateToDateTime(const QDate &date)
{
    return static_cast<TDateTime>(DayZero.daysTo(date));
}

QDate DateTimeToDate(TDateTime time)
{
    return DayZero.addDays(static_cast<qint64>(std::trunc(time)));
}

TDateTime LocalToday(const QDateTime &now)
{
    return DateToDateTime(now.toLocalTime().date());
}

TDateTime DeviceTimeToUtc(TDateTime local, const QTimeZone &zone)
{
    // Device dates are untrusted: values outside the years 1 to 9999 are not converted.
    if (!std::isfinite(local) || local < -700000.0 || local > 3000000.0)
        return local;
    const std::int64_t wallMs = ToWallMilliseconds(local);
    if (!zone.isValid())
        return local;

    // Offsets a day away lie on either side of any change near this time.
    const int before = OffsetAt(zone, wallMs - MsPerDay);
    const int after = OffsetAt(zone, wallMs + MsPerDay);
    const auto fits = [&](int offset) { return OffsetAt(zone, wallMs - offset * 1000LL) == offset; };
    const bool beforeFits = fits(before);
    const bool afterFits = fits(after);

    int offset = before; // the skipped spring hour keeps the offset before the change
    if (beforeFits && afterFits && before != after) {
        // The repeated autumn hour: the daylight-saving offset counts.
        const bool beforeIsDaylight =
            zone.isDaylightTime(QDateTime::fromMSecsSinceEpoch(wallMs - before * 1000LL, Qt::UTC));
        offset = beforeIsDaylight ? before : after;
    } else if (afterFits && !beforeFits) {
        offset = after;
    } else if (!beforeFits && !afterFits) {
        const int here = OffsetAt(zone, wallMs);
        if (fits(here))
            offset = here;
    }
    return FromWallMilliseconds(wallMs - offset * 1000LL);
}
