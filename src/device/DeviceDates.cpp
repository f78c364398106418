#include "device/DeviceDates.h"

#include "base/FileTimes.h"

#include <algorithm>

std::optional<TDateTime> DeviceLocalDateTime(std::time_t date)
{
    if (date == 0)
        return std::nullopt;
    // localtime_r reads the time zone once per process; a local QDateTime
    // looks for the zone files again on every call, which is once per listed
    // object here.
    std::tm local{};
    if (localtime_r(&date, &local) == nullptr)
        return std::nullopt;
    TDateTime time = 0;
    if (!TryEncodeDateTime({local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                            std::min(local.tm_sec, 59), 0},
                           time))
        return std::nullopt;
    return time;
}
