#include "app/RunCheck.h"

#include "app/BackupConfig.h"
#include "app/LogMessages.h"
#include "app/Placeholders.h"
#include "base/SafeFormat.h"
#include "base/TextDomains.h"

#include <QDir>

QString RunConfigError(const TBackupConfig &config, const QString &deviceName, const QDate &today)
{
    const QString destination = ExpandDestPlaceholders(config.Destination, deviceName, today).trimmed();
    if (destination.isEmpty())
        return PrgText::tr("No destination directory given");
    if (!QDir::isAbsolutePath(destination))
        return SafeFormat(PrgText::tr("The destination directory \"%s\" is not a full path"), destination);
    const TTimePeriod &period = config.TmPeriod;
    if ((period.Mode == tmLastDays || period.Mode == tmPrevDays) &&
        (period.Days < MinTimeSlotDays || period.Days > MaxTimeSlotDays))
        return SafeFormat(PrgText::tr("The number of days must lie between %d and %d"), MinTimeSlotDays,
                          MaxTimeSlotDays);
    if (period.Mode == tmSpan && period.Dat1 > period.Dat2)
        return PrgText::tr("The start date of the time slot lies after its end date");
    if (FilterExcludesEverything(config.FFilter))
        return FilterExcludesAllText();
    return {};
}

QString JobBusyText()
{
    return PrgText::tr("A device is being read or a backup is under way");
}
