#pragma once

#include <QString>

#include <cstdint>

// The message for a count: OneText for 1; NoneText for 0 when it is not empty;
// otherwise ManyFormat filled with the count. With GroupDigits and a count
// above 9999, "%u" in ManyFormat becomes "%.0n", so that the number shows the
// locale's thousands separators ("12,345 files copied", but "9999 files copied").
QString PluralText(const QString &NoneText, const QString &OneText, const QString &ManyFormat, std::uint64_t Count,
                   bool GroupDigits = true);
