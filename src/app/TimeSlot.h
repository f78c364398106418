#pragma once

#include "base/FileData.h"

#include <QDate>
#include <QDateTime>
#include <QTimeZone>

#include <cstdint>
#include <functional>

// The kinds of time slot; this program offers and stores only tmAll to tmPrevDays.
enum TTimeMode : std::uint8_t
{
    tmAll,
    tmNewer,
    tmOlder,
    tmSpan,
    tmToday,
    tmLastDays,
    tmPrevDays,
    tmUpdate,
    tmOff,
    tmError,
    tmPrompt,
};

// Which file time is tested; this program always tests the modification time.
enum TTimeRef : std::uint8_t
{
    trModify,
    trCreate,
    trBoth,
};

struct TTimePeriod
{
    TTimeMode Mode = tmAll;
    TTimeRef TmRef = trModify;
    std::int32_t Days = 7;
    TDateTime DayTime = 0.25; // 06:00
    TDateTime Dat1 = 0;       // start date, a whole day
    TDateTime Dat2 = 0;       // end date, a whole day

    // t: the file's modification time in UTC; today: the current local date
    // as a whole day.
    bool InTimeSlot(TDateTime t, TDateTime today) const;
};

// The current local date-time; tests hand in a fixed one.
using TClock = std::function<QDateTime()>;
QDateTime SystemNow();

// Mode all, 7 days, 06:00, from today one year ago (today minus 12 months) to today.
TTimePeriod DefaultTimePeriod(const QDate &today);

// A stored mode of 7 or more (or below 0) is read as tmAll.
TTimeMode TimeModeFromStored(int value);

// Rules of the time-slot controls, for the window to apply.
// The mode of a selected item of the mode list: items 1 to 6, else tmAll.
TTimeMode TimeModeFromItemIndex(int index);
// The time of day of the "Today from" picker; seconds are dropped.
TDateTime DayTimeFromTime(const QTime &time);
// Moving the start past the end pushes the end one day beyond the start:
// the new end for a changed start.
TDateTime EndAfterStartChange(TDateTime start, TDateTime end);
// Moving the end before the start pulls the start onto the end: the new
// start for a changed end.
TDateTime StartAfterEndChange(TDateTime start, TDateTime end);

// The time with its time of day cut off.
TDateTime WholeDays(TDateTime time);

TDateTime DateToDateTime(const QDate &date);
QDate DateTimeToDate(TDateTime time);

// The local date of `now` as a whole day.
TDateTime LocalToday(const QDateTime &now);

// A device's local date-time converted to UTC with the offset of `zone` in
// force at that local time, daylight saving included. In the repeated autumn
// hour the daylight-saving offset counts; a time in the skipped spring hour
// takes the offset in force before the change (so 02:30 in a zone that jumps
// from 02:00 to 03:00 becomes the instant shown as 03:30). Never fails.
TDateTime DeviceTimeToUtc(TDateTime local, const QTimeZone &zone = QTimeZone::systemTimeZone());

// The offsets of one zone, each asked of the zone once per stretch between
// two of its transitions: a run converts the date of every file, and each
// conversion looks at several instants close to each other.
class TZoneOffsets
{
public:
    explicit TZoneOffsets(const QTimeZone &zone = QTimeZone::systemTimeZone());

    const QTimeZone &Zone() const { return FZone; }
    // The zone's offset from UTC in seconds at an instant (milliseconds since 1970, UTC).
    int OffsetAt(std::int64_t utcMs);

private:
    // [From, To): the offset holds between two transitions.
    struct TStretch
    {
        std::int64_t From = 0;
        std::int64_t To = 0;
        int Offset = 0;
    };
    static constexpr int KeptStretches = 8;

    QTimeZone FZone;
    TStretch FStretches[KeptStretches];
    int FKept = 0;
    int FNextSlot = 0;
};

// DeviceTimeToUtc with the offsets of a zone remembered between calls.
TDateTime DeviceTimeToUtc(TDateTime local, TZoneOffsets &offsets);
