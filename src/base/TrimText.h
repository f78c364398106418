#pragma once

#include <QString>
#include <QStringView>

// The text without the blanks and control characters (every code up to
// U+0020) at both ends, the trimming of settings lines and typed numbers.
QStringView TrimControls(QStringView text);

// A text as one line of a log or the console: names a device reports can hold
// control characters, which would start a new (forged) line in a log or be
// commands on a terminal. Line breaks become blanks, every other control
// character "?".
QString VisibleLineText(const QString &text);
