#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>

// Dates and times as text in the user's locale (FormatLocale(), normally
// QLocale::system()): the short date and long time formats, as settings and
// task files store them and the file list shows them.
//
// The short date format always carries a four-digit year (a locale's "yy" is
// widened), because a two-digit year reads back as 19xx. The long time format
// has no time-zone name: the texts are wall-clock times.
QString ShortDateFormat();
QString LongTimeFormat();

QString DateText(const QDate &date);
QString TimeText(const QTime &time);
// The date, and unless the time is exactly midnight, a blank and the time.
QString DateTimeText(const QDateTime &dateTime);

// Read texts written with the functions above; a two-digit year or a time
// without seconds is accepted as well. False when the text cannot be read.
bool ParseDateText(const QString &text, QDate &date);
bool ParseTimeText(const QString &text, QTime &time);
bool ParseDateTimeText(const QString &text, QDateTime &dateTime);
