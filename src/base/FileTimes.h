#pragma once

#include "base/FileData.h"

#include <cstdint>

// Conversions between file times (UTC, 100 ns since 1601), date-times (days
// since 1899-12-30), MS-DOS date and time and Unix time. They keep no state;
// the local time zone with its daylight-saving rules comes from the C library.

inline constexpr std::uint32_t INVALID_DOS_TIME = 0xFFFFFFFF;

// Calendar fields of a date-time, as the date-time routines take them apart.
struct TDateTimeFields
{
    int Year = 0;
    int Month = 0;
    int Day = 0;
    int Hour = 0;
    int Minute = 0;
    int Second = 0;
    int Millisecond = 0;
};

// A date-time from calendar fields; false for fields out of range (years 1 to 9999).
bool TryEncodeDateTime(const TDateTimeFields &fields, TDateTime &time);
// Like TryEncodeDateTime; 0 for fields out of range.
TDateTime EncodeDateTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0,
                         int millisecond = 0);
// The fields of a date-time rounded to the millisecond; false outside years 1 to 9999.
bool DecodeDateTime(TDateTime time, TDateTimeFields &fields);

// The current local wall-clock date-time.
TDateTime NowLocalDateTime();

// Calendar conversion without zone change. On failure (a file time beyond
// year 9999 or with the top bit set) false, and time is the current local date-time.
bool FileTimeToDateTime(TFileTime fileTime, TDateTime &time);
// The reverse, field by field to the millisecond; 0 outside the years 1601 to 30827.
TFileTime DateTimeToFileTime(TDateTime time);

// A UTC file time shifted by the local offset in force at that instant.
bool FileTimeToLocalFileTime(TFileTime fileTime, TFileTime &localTime);
// A local wall-clock file time shifted to UTC. A time in the hour skipped in
// spring is read with the offset in force before the change (02:30 becomes
// 03:30 daylight time); a time that occurs twice in autumn takes the
// daylight-saving offset (the earlier instant).
bool LocalFileTimeToFileTime(TFileTime localTime, TFileTime &fileTime);

// The UTC file time as a local date-time; false when it cannot be shifted or converted.
bool FileTimeToLocalDateTime(TFileTime fileTime, TDateTime &time);
// A local date-time as a UTC file time (rules of LocalFileTimeToFileTime); 0 when not convertible.
TFileTime LocalDateTimeToFileTime(TDateTime time);

// The local time of a UTC file time in MS-DOS form (date high, time low, even
// seconds); INVALID_DOS_TIME outside 1980 to 2107 or when it cannot be shifted.
std::uint32_t FileTimeToDosTime(TFileTime fileTime);

// Seconds since 1970-01-01 UTC, rounded to the nearest second with ties to
// even (exactly, from the millisecond value). A file time that cannot be
// converted counts as the current local date-time.
std::int64_t FileTimeToUnixTime(TFileTime fileTime);

// File time <-> nanoseconds since 1970 (struct timespec parts), floor-divided.
void FileTimeToUnixParts(TFileTime fileTime, std::int64_t &seconds, std::int64_t &nanoseconds);
TFileTime UnixPartsToFileTime(std::int64_t seconds, std::int64_t nanoseconds);
