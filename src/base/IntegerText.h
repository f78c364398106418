#pragma once

#include <QString>

#include <cstdint>

// The integer rule of stored values: "0x"/"0X"/"$"/"x"/"X" hexadecimal bit
// patterns or signed decimals, leading blanks, the whole text; false on any failure.
bool ParseInteger32(const QString &text, int &value);
bool ParseInteger64(const QString &text, std::int64_t &value);
