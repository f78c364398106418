#pragma once

#include "base/FileData.h"
#include "env/LocaleText.h"

#include <QDateTime>
#include <QString>

// TDateTime (days since 1899-12-30, local unless stated) <-> Qt's types, and the
// locale texts of dates and times that settings and task files hold.

QDateTime DateTimeToQt(TDateTime time); // wall clock, no zone attached
TDateTime QtToDateTime(const QDateTime &time);
TDateTime QtDateToDateTime(const QDate &date);
TDateTime TodayLocal(); // the current local date, whole day
TDateTime NowLocal();

// The locale texts of LocaleText, for TDateTime values.
QString DateText(TDateTime date);
QString TimeText(TDateTime time);
bool ParseDateText(const QString &text, TDateTime &date);
bool ParseTimeText(const QString &text, TDateTime &time); // fraction of a day
