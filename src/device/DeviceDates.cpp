#include "device/DeviceDates.h"

#include <QDate>
#include <QDateTime>

std::optional<TDateTime> DeviceLocalDateTime(std::time_t date)
{
    if (date == 0)
        return std::nullopt;
    const QDateTime local = QDateTime::fromSecsSinceEpoch(date, Qt::LocalTime);
    if (!local.isValid())
        return std::nullopt;
    static const QDate epoch(1899, 12, 30);
    const double days = double(epoch.daysTo(local.date()));
    const double fraction = double(local.time().msecsSinceStartOfDay()) / 86400000.0;
    // Before the epoch the fraction still counts forward from midnight.
    return days >= 0 ? days + fraction : days - fraction;
}
