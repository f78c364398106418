#pragma once

#include "base/FileData.h"

#include <ctime>
#include <optional>

// A date that a device library read as local time (seconds since 1970 as
// the library's time_t) as a local date-time; std::nullopt when the device
// reported none (0) or the value cannot be shown.
std::optional<TDateTime> DeviceLocalDateTime(std::time_t date);
