#pragma once

#include <QLocale>
#include <QString>
#include <QVariant>
#include <QVariantList>

#include <concepts>
#include <string>
#include <type_traits>

// Formats like the usual format routine: "%" [index ":"] ["-"] [width] ["." precision] type,
// where index, width and precision may be "*" (taken from the arguments) and type is one of
//   d  signed integer, precision = minimum digits
//   u  unsigned integer (a negative one is read as its two's complement)
//   x  hexadecimal, upper case, precision = minimum digits
//   s  text, precision = maximum characters
//   n  number with thousands separators, precision = decimals (default 2)
//   f  fixed-point number, precision = decimals (default 2)
//   e, g  scientific / general number, precision = significant digits (default 15)
// and "%%" gives a percent sign. An index such as "%6:s" picks argument 6 (counted from 0);
// the following specifiers continue after it.
// Never fails: on any error (too few arguments, a type that does not fit, a broken
// pattern) the result is "Format error: " followed by the pattern.
QString SafeFormat(const QString &pattern, const QVariantList &args);

// The locale whose separators "n", "f", "e" and "g" use: the user's locale unless a
// test has set another one. Set it only before formatting starts (it is not locked).
QLocale FormatLocale();
void SetFormatLocale(const QLocale &locale);
void ResetFormatLocale();

// Turns one C++ argument into what SafeFormat reads. Integers keep their width so
// that "%x" of a negative 32-bit value gives eight digits.
template <typename T> QVariant FormatArgument(const T &value)
{
    if constexpr (std::is_same_v<T, bool>)
        return QVariant(value);
    else if constexpr (std::is_enum_v<T>)
        return FormatArgument(static_cast<std::underlying_type_t<T>>(value));
    else if constexpr (std::is_integral_v<T> && std::is_signed_v<T> && sizeof(T) <= 4)
        return QVariant(static_cast<int>(value));
    else if constexpr (std::is_integral_v<T> && std::is_unsigned_v<T> && sizeof(T) <= 4)
        return QVariant(static_cast<uint>(value));
    else if constexpr (std::is_integral_v<T> && std::is_signed_v<T>)
        return QVariant(static_cast<qlonglong>(value));
    else if constexpr (std::is_integral_v<T>)
        return QVariant(static_cast<qulonglong>(value));
    else if constexpr (std::is_floating_point_v<T>)
        return QVariant(static_cast<double>(value));
    else if constexpr (std::is_convertible_v<T, const char *>)
        return QVariant(QString::fromUtf8(static_cast<const char *>(value)));
    else if constexpr (std::is_same_v<T, std::string>)
        return QVariant(QString::fromStdString(value));
    else if constexpr (std::is_same_v<T, QChar>)
        return QVariant(QString(value));
    else if constexpr (!std::is_same_v<T, QVariant> && std::is_constructible_v<QString, const T &>)
        return QVariant(QString(value));
    else if constexpr (std::is_same_v<T, QVariant>)
        return value;
    else
        return QVariant::fromValue(value);
}

template <typename... Args> QString SafeFormat(const QString &pattern, const Args &...args)
{
    return SafeFormat(pattern, QVariantList{FormatArgument(args)...});
}
