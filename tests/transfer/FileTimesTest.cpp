#include "base/FileTimes.h"

#include <gtest/gtest.h>

#include <chrono>
#include <limits>
#include <vector>

// These tests rely on TZ=Europe/Berlin, which the test set-up fixes.

namespace {

constexpr TFileTime TicksPerSecond = 10000000;
constexpr TFileTime TicksPerMSec = 10000;

TFileTime UtcFileTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0, int msec = 0)
{
    return DateTimeToFileTime(EncodeDateTime(year, month, day, hour, minute, second, msec));
}

TFileTime LocalFileTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0)
{
    return LocalDateTimeToFileTime(EncodeDateTime(year, month, day, hour, minute, second));
}

} // namespace

TEST(FileTimes, DateTimeEncodingCountsDaysFrom1899)
{
    EXPECT_EQ(EncodeDateTime(1899, 12, 30), 0.0);
    EXPECT_EQ(EncodeDateTime(1970, 1, 1), 25569.0);
    EXPECT_EQ(EncodeDateTime(1970, 1, 1, 12), 25569.5);
    // Before the base day the whole part counts back, the fraction is still the time of day.
    EXPECT_EQ(EncodeDateTime(1899, 12, 29, 6), -1.25);
    TDateTimeFields fields;
    ASSERT_TRUE(DecodeDateTime(-1.25, fields));
    EXPECT_EQ(fields.Year, 1899);
    EXPECT_EQ(fields.Day, 29);
    EXPECT_EQ(fields.Hour, 6);
    EXPECT_EQ(EncodeDateTime(2023, 2, 29), 0.0) << "no such day";
}

TEST(FileTimes, UtcRoundTripKeepsTheMillisecond)
{
    for (TFileTime time :
         {UtcFileTime(1601, 1, 1), UtcFileTime(1899, 12, 29, 23, 59, 59, 999), UtcFileTime(2024, 3, 31, 1, 30, 0, 1),
          UtcFileTime(2024, 10, 27, 0, 59, 59, 500), UtcFileTime(9999, 12, 31, 23, 59, 59, 999)}) {
        TDateTime dateTime = 0;
        ASSERT_TRUE(FileTimeToDateTime(time, dateTime));
        EXPECT_EQ(DateTimeToFileTime(dateTime), time);
    }
    EXPECT_EQ(UtcFileTime(1601, 1, 1), 0u);
    EXPECT_EQ(UtcFileTime(1970, 1, 1), 116444736000000000u);
}

TEST(FileTimes, DateTimeToFileTimeAgreesWithTheCalendar)
{
    // Both signs of the day fraction, rounding to the millisecond, and both
    // ends of the range, then a sweep over the centuries.
    std::vector<TDateTime> times = {0.0,
                                    -1.25,
                                    -0.75,
                                    0.5 / 86400000,
                                    25569.999999999,
                                    -109205.0,
                                    -109205.5,
                                    -109206.0,
                                    -109204.999999999,
                                    2958465.99999,
                                    2958465.9999999999,
                                    45000.123456789};
    for (int i = 0; i < 2000; ++i)
        times.push_back(-120000.0 + i * 1540.1234567);
    for (const TDateTime time : times) {
        TDateTimeFields fields;
        TFileTime expected = 0;
        if (DecodeDateTime(time, fields) && fields.Year >= 1601) {
            using namespace std::chrono;
            const auto date = year(fields.Year) / month(unsigned(fields.Month)) / day(unsigned(fields.Day));
            const std::int64_t days = sys_days(date).time_since_epoch().count() + 134774; // 1601-01-01 .. 1970-01-01
            const std::int64_t msecs =
                ((fields.Hour * 60 + fields.Minute) * 60 + fields.Second) * 1000 + fields.Millisecond;
            expected = TFileTime(days * 86400000 + msecs) * TicksPerMSec;
        }
        EXPECT_EQ(DateTimeToFileTime(time), expected) << std::fixed << time;
    }
}

TEST(FileTimes, UnconvertibleFileTimeGivesFalseAndNow)
{
    TDateTime time = 0;
    EXPECT_FALSE(FileTimeToDateTime(0x8000000000000000ull, time));
    EXPECT_NEAR(time, NowLocalDateTime(), 1.0 / 86400 * 5);
    EXPECT_FALSE(FileTimeToDateTime(UtcFileTime(9999, 12, 31) + TicksPerSecond * 86400 * 2, time));
}

TEST(FileTimes, LocalTimeFollowsDaylightSaving)
{
    EXPECT_EQ(LocalFileTime(2024, 1, 15, 12), UtcFileTime(2024, 1, 15, 11));
    EXPECT_EQ(LocalFileTime(2024, 7, 1, 12), UtcFileTime(2024, 7, 1, 10));
    // The hour skipped in spring reads with the winter offset: 02:30 is 03:30 summer time.
    EXPECT_EQ(LocalFileTime(2024, 3, 31, 2, 30), UtcFileTime(2024, 3, 31, 1, 30));
    TDateTime shown = 0;
    ASSERT_TRUE(FileTimeToLocalDateTime(LocalFileTime(2024, 3, 31, 2, 30), shown));
    EXPECT_EQ(DateTimeToFileTime(shown), UtcFileTime(2024, 3, 31, 3, 30));
    // The hour repeated in autumn takes the summer offset.
    EXPECT_EQ(LocalFileTime(2024, 10, 27, 2, 30), UtcFileTime(2024, 10, 27, 0, 30));
}

TEST(FileTimes, LocalRoundTripThroughDaylightSavingChangesKeepsTheInstant)
{
    struct TSpan
    {
        TFileTime From;
        TFileTime To;
    };
    const TFileTime quarterHour = TicksPerSecond * 60 * 15;
    for (const TSpan &span : {TSpan{UtcFileTime(2024, 3, 30, 22), UtcFileTime(2024, 3, 31, 4)},
                              TSpan{UtcFileTime(2024, 10, 26, 22), UtcFileTime(2024, 10, 27, 4)}}) {
        for (TFileTime instant = span.From; instant <= span.To; instant += quarterHour) {
            TDateTime local = 0;
            ASSERT_TRUE(FileTimeToLocalDateTime(instant, local));
            const TFileTime back = LocalDateTimeToFileTime(local);
            // The second pass through the repeated autumn hour cannot be told
            // from the first by its wall-clock time; it reads as summer time.
            const bool secondPass = instant >= UtcFileTime(2024, 10, 27, 1) && instant < UtcFileTime(2024, 10, 27, 2);
            if (secondPass)
                EXPECT_EQ(back, instant - TicksPerSecond * 3600);
            else
                EXPECT_EQ(back, instant);
        }
    }
}

TEST(FileTimes, DosTimeIsLocalAndLimitedTo1980Through2107)
{
    EXPECT_EQ(FileTimeToDosTime(LocalFileTime(2024, 3, 5, 14, 7, 59)), 0x586570FDu);
    EXPECT_EQ(FileTimeToDosTime(LocalFileTime(2024, 7, 1, 0, 0, 0)), 0x58E10000u);
    EXPECT_EQ(FileTimeToDosTime(LocalFileTime(1980, 1, 1)), 0x00210000u);
    EXPECT_EQ(FileTimeToDosTime(LocalFileTime(1979, 12, 31, 23, 59, 59)), INVALID_DOS_TIME);
    EXPECT_EQ(FileTimeToDosTime(LocalFileTime(2108, 1, 1)), INVALID_DOS_TIME);
    EXPECT_EQ(FileTimeToDosTime(0x8000000000000000ull), INVALID_DOS_TIME);
}

TEST(FileTimes, UnixTimeRoundsHalfSecondsToEven)
{
    EXPECT_EQ(FileTimeToUnixTime(UtcFileTime(1970, 1, 1)), 0);
    EXPECT_EQ(FileTimeToUnixTime(UtcFileTime(2000, 1, 1)), 946684800);
    const TFileTime base = UtcFileTime(2000, 1, 1);
    EXPECT_EQ(FileTimeToUnixTime(base + 500 * TicksPerMSec), 946684800) << "half to even (down)";
    EXPECT_EQ(FileTimeToUnixTime(base + 1500 * TicksPerMSec), 946684802) << "half to even (up)";
    EXPECT_EQ(FileTimeToUnixTime(base + 499 * TicksPerMSec), 946684800);
    EXPECT_EQ(FileTimeToUnixTime(base + 501 * TicksPerMSec), 946684801);
    EXPECT_EQ(FileTimeToUnixTime(UtcFileTime(1969, 12, 31, 23, 59, 59)), -1);
}

TEST(FileTimes, UnixPartsOutsideTheFileTimeRangeAreClamped)
{
    EXPECT_EQ(UnixPartsToFileTime(0, 0), UtcFileTime(1970, 1, 1));
    EXPECT_EQ(UnixPartsToFileTime(1, 999999999), UtcFileTime(1970, 1, 1, 0, 0, 1) + TicksPerSecond - 1);
    // Times a file system or a device may hold, far beyond what a file time can express.
    EXPECT_EQ(UnixPartsToFileTime(std::numeric_limits<std::int64_t>::max(), 0), 0x7FFFFFFFFFFFFFFFull);
    EXPECT_EQ(UnixPartsToFileTime(1'000'000'000'000, 999999999), 0x7FFFFFFFFFFFFFFFull);
    EXPECT_EQ(UnixPartsToFileTime(std::numeric_limits<std::int64_t>::min(), 0), 0u);
    EXPECT_EQ(UnixPartsToFileTime(-20'000'000'000, 0), 0u) << "before 1601";
}

TEST(FileTimes, LocalTimesOfRecordsAndCreationFallback)
{
    TFileTimestamps stamps;
    stamps.SetLocalTimes(EncodeDateTime(2024, 1, 15, 12), EncodeDateTime(2024, 7, 1, 12));
    EXPECT_TRUE(stamps.Valid);
    EXPECT_EQ(stamps.CreationTime, UtcFileTime(2024, 1, 15, 11));
    EXPECT_EQ(stamps.LastWriteTime, UtcFileTime(2024, 7, 1, 10));
    EXPECT_EQ(stamps.LastAccessTime, stamps.LastWriteTime);

    TFileData data;
    data.TimeStamps = stamps;
    EXPECT_EQ(data.CreationDateTime(), EncodeDateTime(2024, 1, 15, 12));
    data.TimeStamps.CreationTime = 0x8000000000000000ull;
    EXPECT_EQ(data.CreationDateTime(), EncodeDateTime(1980, 1, 1));
}
