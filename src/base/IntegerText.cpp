#include "base/IntegerText.h"

namespace {

template <int Bits> bool ParseIntegerBits(const QString &stored, std::int64_t &value)
{
    QString text = stored;
    if (text.size() > 2 && text[0] == QLatin1Char('0') && (text[1] == QLatin1Char('x') || text[1] == QLatin1Char('X')))
        text.replace(0, 2, QLatin1Char('$'));
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n && text[i] == QLatin1Char(' '))
        ++i;
    bool negative = false;
    if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }
    bool hex = false;
    if (i < n && (text[i] == QLatin1Char('$') || text[i] == QLatin1Char('x') || text[i] == QLatin1Char('X'))) {
        hex = true;
        ++i;
    } else if (i + 1 < n && text[i] == QLatin1Char('0') &&
               (text[i + 1] == QLatin1Char('x') || text[i + 1] == QLatin1Char('X'))) {
        hex = true;
        i += 2;
    }
    const std::uint64_t mask = Bits == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << Bits) - 1;
    const std::uint64_t signedLimit = (std::uint64_t{1} << (Bits - 1)) - (negative ? 0 : 1);
    std::uint64_t magnitude = 0;
    int digits = 0;
    int significant = 0;
    for (; i < n; ++i, ++digits) {
        const char16_t c = text[i].unicode();
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (hex && c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (hex && c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else
            return false;
        if (hex) {
            if (magnitude != 0 || d != 0)
                ++significant;
            if (significant > Bits / 4)
                return false;
            magnitude = (magnitude << 4) | static_cast<std::uint64_t>(d);
        } else {
            if (magnitude > (signedLimit - static_cast<std::uint64_t>(d)) / 10)
                return false;
            magnitude = magnitude * 10 + static_cast<std::uint64_t>(d);
        }
    }
    if (digits == 0)
        return false;
    std::uint64_t pattern = negative ? (0 - magnitude) & mask : magnitude & mask;
    // Sign-extend the bit pattern of the narrower width.
    if (Bits < 64 && (pattern >> (Bits - 1)) != 0)
        pattern |= ~mask;
    value = static_cast<std::int64_t>(pattern);
    return true;
}

} // namespace

bool ParseInteger32(const QString &text, int &value)
{
    std::int64_t wide = 0;
    if (!ParseIntegerBits<32>(text, wide))
        return false;
    value = static_cast<int>(wide);
    return true;
}

bool ParseInteger64(const QString &text, std::int64_t &value)
{
    return ParseIntegerBits<64>(text, value);
}
