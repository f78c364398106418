#pragma once

#include <QString>

#include <cstdint>

// "1023 B", "1.00 KiB", "10.0 KiB", "100 KiB", ..., "1024.00 GiB": KiB and MiB
// with 2 decimals below 10, 1 below 100, none from 100 on; GiB always with 2.
// The decimal separator is the user's.
QString FormatSize(std::int64_t Size);

// Reads a size text: a number in the user's format, optionally followed by a
// unit letter K, M, G or T, an "i" for 1024-based units and a "B" ("1.50 MiB",
// "2 kB", "512 B", "3T"). An empty text is 0. False when it cannot be read.
bool ParseSize(const QString &Text, std::int64_t &Size);

// -1, 0 or 1; a text that cannot be read counts as 0.
int CompareSizeTexts(const QString &A, const QString &B);

// -1, 0 or 1 for two date-time texts in the user's format (DateTimeText); a
// text that cannot be read counts as the earliest time.
int CompareDateTexts(const QString &A, const QString &B);
