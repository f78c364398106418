#pragma once

#include <QDate>
#include <QString>

struct TBackupConfig;

// Why a run with this configuration cannot start, as the text the user reads;
// empty when it can. A destination that is empty or not a full path once its
// placeholders are expanded would write into whatever folder the program was
// started in; a number of days outside the days edit's range or a start date
// after the end date would select files nobody chose; an exclude filter that
// lets no name through would copy nothing and look like success.
QString RunConfigError(const TBackupConfig &config, const QString &deviceName, const QDate &today);

// The smallest and largest number of days of the time slot.
inline constexpr int MinTimeSlotDays = 1;
inline constexpr int MaxTimeSlotDays = 9999;

// Why nothing starts while other work of the job is under way.
QString JobBusyText();
