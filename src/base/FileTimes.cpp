#include "base/FileTimes.h"

#include <cmath>
#include <ctime>

namespace {

constexpr std::int64_t MSecsPerDay = 86400000;
constexpr std::int64_t TicksPerMSec = 10000; // 100 ns units
constexpr std::int64_t TicksPerSecond = 10000000;
constexpr std::int64_t UnixEpochTicks = 116444736000000000; // 1601-01-01 .. 1970-01-01
constexpr std::int64_t DateTimeDayOfUnixEpoch = 25569;      // 1899-12-30 .. 1970-01-01
constexpr std::int64_t FileTimeDayOfUnixEpoch = 134774;     // 1601-01-01 .. 1970-01-01
constexpr TFileTime MaxFileTime = 0x7FFFFFFFFFFFFFFFull;
constexpr std::int64_t FirstDateTimeDay = -693593; // 0001-01-01
constexpr std::int64_t LastDateTimeDay = 2958465;  // 9999-12-31

// Days since 1970-01-01 of a proleptic Gregorian date.
std::int64_t DaysFromCivil(std::int64_t year, int month, int day)
{
    year -= month <= 2;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const std::int64_t yearOfEra = year - era * 400;
    const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

void CivilFromDays(std::int64_t days, TDateTimeFields &fields)
{
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t dayOfEra = days - era * 146097;
    const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t monthIndex = (5 * dayOfYear + 2) / 153;
    fields.Day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
    fields.Month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
    fields.Year = static_cast<int>(yearOfEra + era * 400 + (fields.Month <= 2));
}

bool IsLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

std::int64_t FloorDiv(std::int64_t value, std::int64_t divisor)
{
    std::int64_t quotient = value / divisor;
    if ((value % divisor != 0) && ((value < 0) != (divisor < 0)))
        --quotient;
    return quotient;
}

std::int64_t TimeOfDayMSecs(const TDateTimeFields &fields)
{
    return ((fields.Hour * 60LL + fields.Minute) * 60 + fields.Second) * 1000 + fields.Millisecond;
}

void SetTimeOfDay(std::int64_t msecs, TDateTimeFields &fields)
{
    fields.Millisecond = static_cast<int>(msecs % 1000);
    fields.Second = static_cast<int>(msecs / 1000 % 60);
    fields.Minute = static_cast<int>(msecs / 60000 % 60);
    fields.Hour = static_cast<int>(msecs / 3600000);
}

// A TDateTime's day and time of day, rounded to the millisecond; false outside
// 0001-01-01 .. 9999-12-31. Before 1899-12-30 the day counts backwards but
// the fraction still counts the time of day forwards.
bool SplitDateTime(TDateTime time, std::int64_t &day, std::int64_t &timeOfDay)
{
    if (!std::isfinite(time) || time <= FirstDateTimeDay - 1.0 || time >= LastDateTimeDay + 1.0)
        return false;
    const auto msecs = static_cast<std::int64_t>(std::nearbyint(time * MSecsPerDay));
    day = msecs / MSecsPerDay;
    timeOfDay = (msecs < 0 ? -msecs : msecs) % MSecsPerDay;
    // A time just before the first or after the last day may round past it.
    return day >= FirstDateTimeDay && day <= LastDateTimeDay;
}

// Fields of a file time without zone change; false past year 30827 (top bit set).
bool FileTimeToFields(TFileTime fileTime, TDateTimeFields &fields)
{
    if (fileTime > MaxFileTime)
        return false;
    const auto msecs = static_cast<std::int64_t>(fileTime) / TicksPerMSec;
    CivilFromDays(msecs / MSecsPerDay - FileTimeDayOfUnixEpoch, fields);
    SetTimeOfDay(msecs % MSecsPerDay, fields);
    return true;
}

struct TZoneOffset
{
    long Seconds = 0;
    bool DaylightSaving = false;
};

bool ZoneOffsetAt(std::int64_t unixSeconds, TZoneOffset &offset)
{
    const auto seconds = static_cast<std::time_t>(unixSeconds);
    std::tm local{};
    if (localtime_r(&seconds, &local) == nullptr)
        return false;
    offset.Seconds = local.tm_gmtoff;
    offset.DaylightSaving = local.tm_isdst > 0;
    return true;
}

// The last two conversions between local and universal time, per thread: a
// run converts each file's times a few times over, alternating between its
// creation and its modification time, and each conversion asks the zone up
// to four times. The program does not change its zone while it runs, so a
// kept answer stays right.
struct TLastConversion
{
    struct TEntry
    {
        bool Known = false;
        TFileTime From = 0;
        bool Converted = false;
        TFileTime To = 0;
    };
    TEntry Entries[2];
    int Newest = 0;

    // convert(from, to) unless from is one of the last two asked.
    template <typename TConvert> bool Convert(TFileTime from, TFileTime &to, TConvert convert)
    {
        for (const TEntry &entry : Entries) {
            if (entry.Known && entry.From == from) {
                to = entry.To;
                return entry.Converted;
            }
        }
        Newest = 1 - Newest;
        TEntry &entry = Entries[Newest];
        entry.Known = true;
        entry.From = from;
        entry.Converted = convert(from, entry.To);
        to = entry.To;
        return entry.Converted;
    }
};

thread_local TLastConversion LastLocalToUniversal;
thread_local TLastConversion LastUniversalToLocal;

bool AddTicks(TFileTime time, std::int64_t ticks, TFileTime &result)
{
    const auto value = static_cast<std::int64_t>(time);
    if ((ticks < 0 && value < -ticks) || (ticks > 0 && value > static_cast<std::int64_t>(MaxFileTime) - ticks))
        return false;
    result = static_cast<TFileTime>(value + ticks);
    return true;
}

} // namespace

bool TryEncodeDateTime(const TDateTimeFields &fields, TDateTime &time)
{
    if (fields.Year < 1 || fields.Year > 9999 || fields.Month < 1 || fields.Month > 12 || fields.Day < 1 ||
        fields.Day > DaysInMonth(fields.Year, fields.Month) || fields.Hour < 0 || fields.Hour > 23 ||
        fields.Minute < 0 || fields.Minute > 59 || fields.Second < 0 || fields.Second > 59 || fields.Millisecond < 0 ||
        fields.Millisecond > 999)
        return false;
    const double days =
        static_cast<double>(DaysFromCivil(fields.Year, fields.Month, fields.Day) + DateTimeDayOfUnixEpoch);
    const double dayFraction = static_cast<double>(TimeOfDayMSecs(fields)) / MSecsPerDay;
    // Before 1899-12-30 the whole part counts backwards but the fraction still
    // counts the time of day forwards.
    time = days < 0 ? days - dayFraction : days + dayFraction;
    return true;
}

TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second, int millisecond)
{
    TDateTime time = 0;
    return TryEncodeDateTime({year, month, day, hour, minute, second, millisecond}, time) ? time : 0;
}

bool DecodeDateTime(TDateTime time, TDateTimeFields &fields)
{
    std::int64_t day = 0;
    std::int64_t timeOfDay = 0;
    if (!SplitDateTime(time, day, timeOfDay))
        return false;
    CivilFromDays(day - DateTimeDayOfUnixEpoch, fields);
    SetTimeOfDay(timeOfDay, fields);
    return true;
}

TDateTime NowLocalDateTime()
{
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    std::tm local{};
    localtime_r(&now.tv_sec, &local);
    return EncodeDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                          local.tm_sec, static_cast<int>(now.tv_nsec / 1000000));
}

bool FileTimeToDateTime(TFileTime fileTime, TDateTime &time)
{
    TDateTimeFields fields;
    if (FileTimeToFields(fileTime, fields) && TryEncodeDateTime(fields, time))
        return true;
    time = NowLocalDateTime();
    return false;
}

TFileTime DateTimeToFileTime(TDateTime time)
{
    // Straight from the day number, without the way through the calendar and
    // back: every copy converts its times so.
    std::int64_t day = 0;
    std::int64_t timeOfDay = 0;
    if (!SplitDateTime(time, day, timeOfDay))
        return 0;
    const std::int64_t days = day - DateTimeDayOfUnixEpoch + FileTimeDayOfUnixEpoch;
    if (days < 0) // before 1601
        return 0;
    return static_cast<TFileTime>((days * MSecsPerDay + timeOfDay) * TicksPerMSec);
}

void FileTimeToUnixParts(TFileTime fileTime, std::int64_t &seconds, std::int64_t &nanoseconds)
{
    const auto ticks = static_cast<std::int64_t>(fileTime > MaxFileTime ? MaxFileTime : fileTime) - UnixEpochTicks;
    seconds = FloorDiv(ticks, TicksPerSecond);
    nanoseconds = (ticks - seconds * TicksPerSecond) * 100;
}

TFileTime UnixPartsToFileTime(std::int64_t seconds, std::int64_t nanoseconds)
{
    // A file system or a device may report any 64-bit time: clamp instead of overflowing.
    std::int64_t ticks = 0;
    if (__builtin_mul_overflow(seconds, TicksPerSecond, &ticks) ||
        __builtin_add_overflow(ticks, nanoseconds / 100 + UnixEpochTicks, &ticks))
        return seconds < 0 ? 0 : MaxFileTime;
    return ticks < 0 ? 0 : static_cast<TFileTime>(ticks);
}

bool FileTimeToLocalFileTime(TFileTime fileTime, TFileTime &localTime)
{
    if (fileTime > MaxFileTime)
        return false;
    return LastUniversalToLocal.Convert(fileTime, localTime, [](TFileTime universal, TFileTime &local) {
        std::int64_t seconds = 0;
        std::int64_t nanoseconds = 0;
        FileTimeToUnixParts(universal, seconds, nanoseconds);
        TZoneOffset offset;
        return ZoneOffsetAt(seconds, offset) && AddTicks(universal, offset.Seconds * TicksPerSecond, local);
    });
}

namespace {

bool ConvertLocalFileTime(TFileTime localTime, TFileTime &fileTime)
{
    std::int64_t wallSeconds = 0;
    std::int64_t nanoseconds = 0;
    FileTimeToUnixParts(localTime, wallSeconds, nanoseconds);
    // Zones change their offset at most once within a day, so the offsets a
    // day before and a day after are the only candidates.
    TZoneOffset before;
    TZoneOffset after;
    if (!ZoneOffsetAt(wallSeconds - 86400, before) || !ZoneOffsetAt(wallSeconds + 86400, after))
        return false;
    auto fits = [wallSeconds](const TZoneOffset &candidate) {
        TZoneOffset actual;
        return ZoneOffsetAt(wallSeconds - candidate.Seconds, actual) && actual.Seconds == candidate.Seconds;
    };
    const bool beforeFits = fits(before);
    const bool afterFits = fits(after);
    TZoneOffset chosen = before; // also the choice inside the skipped hour
    if (beforeFits && afterFits && before.Seconds != after.Seconds) {
        if (after.DaylightSaving != before.DaylightSaving)
            chosen = after.DaylightSaving ? after : before;
        else
            chosen = after.Seconds > before.Seconds ? after : before;
    } else if (afterFits && !beforeFits) {
        chosen = after;
    }
    return AddTicks(localTime, -chosen.Seconds * TicksPerSecond, fileTime);
}

} // namespace

bool LocalFileTimeToFileTime(TFileTime localTime, TFileTime &fileTime)
{
    if (localTime > MaxFileTime)
        return false;
    return LastLocalToUniversal.Convert(localTime, fileTime, ConvertLocalFileTime);
}

bool FileTimeToLocalDateTime(TFileTime fileTime, TDateTime &time)
{
    TFileTime localTime = 0;
    if (!FileTimeToLocalFileTime(fileTime, localTime))
        return false;
    return FileTimeToDateTime(localTime, time);
}

TFileTime LocalDateTimeToFileTime(TDateTime time)
{
    const TFileTime localTime = DateTimeToFileTime(time);
    TFileTime fileTime = 0;
    if (localTime == 0 || !LocalFileTimeToFileTime(localTime, fileTime))
        return 0;
    return fileTime;
}

std::uint32_t FileTimeToDosTime(TFileTime fileTime)
{
    TFileTime localTime = 0;
    TDateTimeFields fields;
    if (!FileTimeToLocalFileTime(fileTime, localTime) || !FileTimeToFields(localTime, fields))
        return INVALID_DOS_TIME;
    if (fields.Year < 1980 || fields.Year > 2107)
        return INVALID_DOS_TIME;
    const auto date = static_cast<std::uint32_t>(((fields.Year - 1980) << 9) | (fields.Month << 5) | fields.Day);
    const auto timeOfDay = static_cast<std::uint32_t>((fields.Hour << 11) | (fields.Minute << 5) | (fields.Second / 2));
    return (date << 16) | timeOfDay;
}

std::int64_t FileTimeToUnixTime(TFileTime fileTime)
{
    TDateTime time = 0;
    if (!FileTimeToDateTime(fileTime, time))
        return static_cast<std::int64_t>(std::nearbyint((time - DateTimeDayOfUnixEpoch) * 86400.0));
    // Exact from the milliseconds, so that a half second rounds to even
    // without the noise of a floating-point day fraction.
    const std::int64_t unixMSecs = static_cast<std::int64_t>(fileTime) / TicksPerMSec - UnixEpochTicks / TicksPerMSec;
    std::int64_t seconds = FloorDiv(unixMSecs, 1000);
    const std::int64_t rest = unixMSecs - seconds * 1000;
    if (rest > 500 || (rest == 500 && (seconds & 1) != 0))
        ++seconds;
    return seconds;
}

void TFileTimestamps::SetLocalTimes(TDateTime creation, TDateTime modified)
{
    Valid = true;
    CreationTime = LocalDateTimeToFileTime(creation);
    LastWriteTime = LocalDateTimeToFileTime(modified);
    LastAccessTime = LastWriteTime;
}

TDateTime TFileData::CreationDateTime() const
{
    TDateTime time = 0;
    if (FileTimeToLocalDateTime(TimeStamps.CreationTime, time))
        return time;
    return EncodeDateTime(1980, 1, 1);
}
