#include "app/TimeSlot.h"
#include "base/FileTimes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace {

TDateTime At(int y, int m, int d, int hh = 0, int mm = 0, int ss = 0)
{
    return DateToDateTime(QDate(y, m, d)) + (hh * 3600 + mm * 60 + ss) / 86400.0;
}

std::string Text(TDateTime t)
{
    const double seconds = std::fabs(t - std::trunc(t)) * 86400.0;
    const int s = static_cast<int>(std::lround(seconds));
    return DateTimeToDate(t).toString(Qt::ISODate).toStdString() + " " +
           QTime(0, 0).addSecs(s).toString(QStringLiteral("HH:mm:ss")).toStdString();
}

} // namespace

TEST(TimeSlot, Defaults)
{
    const TTimePeriod period = DefaultTimePeriod(QDate(2026, 12, 9));
    EXPECT_EQ(period.Mode, tmAll);
    EXPECT_EQ(period.TmRef, trModify);
    EXPECT_EQ(period.Days, 7);
    EXPECT_DOUBLE_EQ(period.DayTime, 0.25);
    EXPECT_EQ(DateTimeToDate(period.Dat1), QDate(2025, 12, 9));
    EXPECT_EQ(DateTimeToDate(period.Dat2), QDate(2026, 12, 9));
    // A leap day one year back is the last day of February.
    EXPECT_EQ(DateTimeToDate(DefaultTimePeriod(QDate(2028, 2, 29)).Dat1), QDate(2027, 2, 28));
}

TEST(TimeSlot, StoredModes)
{
    EXPECT_EQ(TimeModeFromStored(0), tmAll);
    EXPECT_EQ(TimeModeFromStored(6), tmPrevDays);
    EXPECT_EQ(TimeModeFromStored(7), tmAll);
    EXPECT_EQ(TimeModeFromStored(9), tmAll);
    EXPECT_EQ(TimeModeFromStored(-1), tmAll);
}

TEST(TimeSlot, Boundaries)
{
    const TDateTime today = At(2026, 12, 9);
    struct Case
    {
        const char *what;
        TTimeMode mode;
        int days;
        TDateTime t;
        bool passes;
    };
    const Case cases[] = {
        {"all", tmAll, 7, At(1990, 1, 1), true},
        {"since: start of day", tmNewer, 7, At(2026, 12, 1), true},
        {"since: day before", tmNewer, 7, At(2026, 11, 30, 23, 59, 59), false},
        {"before: the day itself is out", tmOlder, 7, At(2026, 12, 8), false},
        {"before: the day before", tmOlder, 7, At(2026, 12, 7, 23, 59, 59), true},
        {"span: end day included whole", tmSpan, 7, At(2026, 12, 8, 23, 59), true},
        {"span: day after end", tmSpan, 7, At(2026, 12, 9), false},
        {"span: start day", tmSpan, 7, At(2026, 12, 1), true},
        {"span: before start", tmSpan, 7, At(2026, 11, 30, 23, 59, 59), false},
        {"today from 06:00", tmToday, 7, At(2026, 12, 9, 6, 0), true},
        {"today before 06:00", tmToday, 7, At(2026, 12, 9, 5, 59, 59), false},
        {"last 1 day: today", tmLastDays, 1, At(2026, 12, 9, 12), true},
        {"last 1 day: yesterday", tmLastDays, 1, At(2026, 12, 8, 0, 0), true},
        {"last 1 day: two days ago", tmLastDays, 1, At(2026, 12, 7, 23, 59), false},
        {"last 0 days: today only", tmLastDays, 0, At(2026, 12, 9), true},
        {"last 0 days: yesterday", tmLastDays, 0, At(2026, 12, 8, 23, 59), false},
        {"older than 7: seven days ago", tmPrevDays, 7, At(2026, 12, 2, 0, 0), false},
        {"older than 7: eight days ago", tmPrevDays, 7, At(2026, 12, 1, 23, 59), true},
        {"unoffered mode", tmUpdate, 7, At(2026, 12, 9), false},
        {"error mode", tmError, 7, At(2026, 12, 9), false},
    };
    for (const Case &c : cases) {
        TTimePeriod period;
        period.Mode = c.mode;
        period.Days = c.days;
        period.Dat1 = At(2026, 12, 1);
        period.Dat2 = At(2026, 12, 8);
        EXPECT_EQ(period.InTimeSlot(c.t, today), c.passes) << c.what;
    }
}

TEST(TimeSlot, LocalToday)
{
    const QDateTime now(QDate(2026, 12, 9), QTime(0, 30));
    EXPECT_EQ(LocalToday(now), At(2026, 12, 9));
    // A UTC instant late on the 8th is already the 9th in Berlin.
    const QDateTime utc(QDate(2026, 12, 8), QTime(23, 30), Qt::UTC);
    EXPECT_EQ(LocalToday(utc), At(2026, 12, 9));
}

TEST(DeviceTime, ToUtcAcrossDaylightSaving)
{
    const QTimeZone berlin("Europe/Berlin");
    ASSERT_TRUE(berlin.isValid());
    struct Case
    {
        const char *what;
        TDateTime local;
        const char *utc;
    };
    const Case cases[] = {
        {"winter", At(2026, 12, 9, 12, 0), "2026-12-09 11:00:00"},
        {"summer", At(2026, 7, 1, 12, 0), "2026-07-01 10:00:00"},
        {"shortly after local midnight", At(2026, 12, 9, 0, 30), "2026-12-08 23:30:00"},
        {"before the spring change", At(2026, 3, 29, 1, 59, 59), "2026-03-29 00:59:59"},
        {"skipped spring hour", At(2026, 3, 29, 2, 30), "2026-03-29 01:30:00"},
        {"after the spring change", At(2026, 3, 29, 3, 0), "2026-03-29 01:00:00"},
        {"repeated autumn hour: daylight offset", At(2026, 10, 25, 2, 30), "2026-10-25 00:30:00"},
        {"after the autumn change", At(2026, 10, 25, 3, 0), "2026-10-25 02:00:00"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(Text(DeviceTimeToUtc(c.local, berlin)), c.utc) << c.what;

    // The system zone is Berlin in the test run.
    EXPECT_EQ(Text(DeviceTimeToUtc(At(2026, 7, 1, 12, 0))), "2026-07-01 10:00:00");
    // Nonsense device dates come back unchanged instead of overflowing.
    EXPECT_EQ(DeviceTimeToUtc(1e300, berlin), 1e300);
}

TEST(DeviceTime, DaysBeforeDayZeroKeepTheirTimeOfDay)
{
    // -1.25 is 1899-12-29 06:00.
    const QTimeZone plusOne(3600);
    const TDateTime utc = DeviceTimeToUtc(-1.25, plusOne);
    EXPECT_EQ(Text(utc), "1899-12-29 05:00:00");
}

TEST(DeviceTime, AgreesWithTheFileTimeConversion)
{
    // Both conversions serve the backup run; they must not disagree in the system zone.
    const TDateTime samples[] = {At(2026, 12, 9, 12), At(2026, 3, 29, 2, 30), At(2026, 10, 25, 2, 30),
                                 At(2026, 7, 1, 23, 59, 59)};
    for (const TDateTime local : samples) {
        TDateTime viaFileTime = 0;
        ASSERT_TRUE(FileTimeToDateTime(LocalDateTimeToFileTime(local), viaFileTime));
        EXPECT_NEAR(DeviceTimeToUtc(local), viaFileTime, 1e-8) << Text(local);
    }
}

// A run keeps one table of offsets for all its files; whatever order the
// instants come in, it must answer as the zone itself does, on transitions
// and a millisecond either side of them too.
TEST(DeviceTime, RememberedOffsetsAgreeWithTheZone)
{
    const QDateTime from(QDate(1890, 1, 1), QTime(0, 0), Qt::UTC);
    const QDateTime to(QDate(2045, 1, 1), QTime(0, 0), Qt::UTC);
    for (const char *id : {"Europe/Berlin", "Australia/Lord_Howe", "America/St_Johns", "Asia/Kathmandu", "Pacific/Apia",
                           "America/Sao_Paulo", "UTC"}) {
        SCOPED_TRACE(id);
        const QTimeZone zone(id);
        ASSERT_TRUE(zone.isValid());
        std::vector<std::int64_t> instants;
        for (const QTimeZone::OffsetData &change : zone.transitions(from, to)) {
            const std::int64_t at = change.atUtc.toMSecsSinceEpoch();
            for (const std::int64_t delta : {0LL, -1LL, 1LL, -1800000LL, 1800000LL})
                instants.push_back(at + delta);
        }
        // Every 3 days and 7 hours, 13 minutes and 17 seconds: all times of day over the years.
        for (std::int64_t at = from.toMSecsSinceEpoch(); at < to.toMSecsSinceEpoch(); at += 285'197'000LL)
            instants.push_back(at);
        std::mt19937 shuffle(7);
        std::shuffle(instants.begin(), instants.end(), shuffle);
        // Half in order, half shuffled: runs of near instants and jumps both.
        std::sort(instants.begin(), instants.begin() + std::ptrdiff_t(instants.size() / 2));
        TZoneOffsets offsets(zone);
        int wrong = 0;
        for (const std::int64_t at : instants) {
            const int expected = zone.offsetFromUtc(QDateTime::fromMSecsSinceEpoch(at, Qt::UTC));
            if (offsets.OffsetAt(at) != expected && ++wrong <= 5)
                ADD_FAILURE() << "at " << at << " ms: expected " << expected;
        }
        EXPECT_EQ(wrong, 0);
    }
}

TEST(TimeSlot, ControlRules)
{
    EXPECT_EQ(TimeModeFromItemIndex(0), tmAll);
    EXPECT_EQ(TimeModeFromItemIndex(3), tmSpan);
    EXPECT_EQ(TimeModeFromItemIndex(6), tmPrevDays);
    EXPECT_EQ(TimeModeFromItemIndex(7), tmAll);
    EXPECT_EQ(TimeModeFromItemIndex(-1), tmAll); // no selection

    EXPECT_DOUBLE_EQ(DayTimeFromTime(QTime(6, 0, 59)), 0.25);
    EXPECT_DOUBLE_EQ(DayTimeFromTime(QTime(18, 30)), (18 * 60 + 30) / 1440.0);

    const TDateTime first = At(2026, 12, 1);
    const TDateTime eighth = At(2026, 12, 8);
    EXPECT_EQ(EndAfterStartChange(At(2026, 12, 10), eighth), At(2026, 12, 11));
    EXPECT_EQ(EndAfterStartChange(first, eighth), eighth);
    EXPECT_EQ(StartAfterEndChange(eighth, first), first);
    EXPECT_EQ(StartAfterEndChange(first, eighth), first);
}
