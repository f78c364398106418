#include "app/TimeSlot.h"

#include <algorithm>
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
    TZoneOffsets offsets(zone);
    return DeviceTimeToUtc(local, offsets);
}

TZoneOffsets::TZoneOffsets(const QTimeZone &zone) : FZone(zone)
{}

int TZoneOffsets::OffsetAt(std::int64_t utcMs)
{
    for (int i = 0; i < FKept; ++i) {
        if (utcMs >= FStretches[i].From && utcMs < FStretches[i].To)
            return FStretches[i].Offset;
    }
    const QDateTime at = QDateTime::fromMSecsSinceEpoch(utcMs, Qt::UTC);
    const int offset = FZone.offsetFromUtc(at);
    if (!FZone.hasTransitions())
        return offset;
    const QTimeZone::OffsetData previous = FZone.previousTransition(at);
    const QTimeZone::OffsetData next = FZone.nextTransition(at);
    // An instant on a transition itself, or a zone whose transitions disagree
    // with its offsets, is not remembered.
    if (previous.atUtc.isValid() && previous.offsetFromUtc != offset)
        return offset;
    // Without a transition on one side (Qt gives none past the last one its
    // table lists, though the zone's rule goes on) the stretch ends a day away.
    TStretch stretch;
    stretch.From = previous.atUtc.isValid() ? previous.atUtc.toMSecsSinceEpoch() : utcMs - MsPerDay;
    stretch.To = next.atUtc.isValid() ? next.atUtc.toMSecsSinceEpoch() : utcMs + MsPerDay;
    stretch.Offset = offset;
    if (stretch.From > utcMs || stretch.To <= utcMs)
        return offset;
    // Trusted only where the zone's own offsets at both ends agree.
    const auto offsetAt = [this](std::int64_t ms) {
        return FZone.offsetFromUtc(QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC));
    };
    if (offsetAt(stretch.From) != offset || offsetAt(stretch.To - 1) != offset)
        return offset;
    FStretches[FNextSlot] = stretch;
    FNextSlot = (FNextSlot + 1) % KeptStretches;
    FKept = std::min(FKept + 1, KeptStretches);
    return offset;
}

TDateTime DeviceTimeToUtc(TDateTime local, TZoneOffsets &offsets)
{
    // Device dates are untrusted: values outside the years 1 to 9999 are not converted.
    if (!std::isfinite(local) || local < -700000.0 || local > 3000000.0)
        return local;
    const std::int64_t wallMs = ToWallMilliseconds(local);
    const QTimeZone &zone = offsets.Zone();
    if (!zone.isValid())
        return local;

    // Offsets a day away lie on either side of any change near this time.
    const int before = offsets.OffsetAt(wallMs - MsPerDay);
    const int after = offsets.OffsetAt(wallMs + MsPerDay);
    const auto fits = [&](int offset) { return offsets.OffsetAt(wallMs - offset * 1000LL) == offset; };
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
        const int here = offsets.OffsetAt(wallMs);
        if (fits(here))
            offset = here;
    }
    return FromWallMilliseconds(wallMs - offset * 1000LL);
}
