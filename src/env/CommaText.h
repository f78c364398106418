#pragma once

#include <QString>
#include <QStringList>

// A list written as one line: entries joined by ","; an entry holding a double
// quote, a comma or any character up to U+0020 is quoted with inner quotes
// doubled; a list of one empty entry is written as "", an empty list as "".
QString ToCommaText(const QStringList &list);

// Reads a comma text: blanks and control characters before an entry are
// skipped; a quoted entry runs to its closing quote; an unquoted entry ends at
// a comma or at any character up to U+0020; a comma at the very end adds an
// empty last entry.
QStringList FromCommaText(const QString &text);
