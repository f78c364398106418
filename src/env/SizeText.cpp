#include "env/SizeText.h"

#include "base/SafeFormat.h"
#include "base/TrimText.h"
#include "env/LocaleText.h"

#include <cmath>
#include <limits>

namespace {

int DecimalsFor(double value)
{
    if (value < 10)
        return 2;
    return value < 100 ? 1 : 0;
}

QString WithUserDecimalPoint(double value, int decimals)
{
    QString text = QString::number(value, 'f', decimals);
    return text.replace(QLatin1Char('.'), FormatLocale().decimalPoint());
}

bool ParseUserNumber(const QString &text, double &value)
{
    QLocale locale = FormatLocale();
    locale.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    value = locale.toDouble(text, &ok);
    return ok && std::isfinite(value);
}

template <typename T> int Compare(T a, T b)
{
    return a < b ? -1 : (b < a ? 1 : 0);
}

// Days since 30 December 1899 with the time as fraction, 0 when unreadable.
double DateTimeValue(const QString &text)
{
    QDateTime dateTime;
    if (!ParseDateTimeText(text, dateTime))
        return 0;
    const qint64 days = dateTime.date().toJulianDay() - QDate(1899, 12, 30).toJulianDay();
    return static_cast<double>(days) + dateTime.time().msecsSinceStartOfDay() / 86400000.0;
}

} // namespace

QString FormatSize(std::int64_t Size)
{
    if (Size < 1024)
        return QString::number(Size) + QStringLiteral(" B");
    double value = static_cast<double>(Size) / 1024;
    if (value < 1024)
        return WithUserDecimalPoint(value, DecimalsFor(value)) + QStringLiteral(" KiB");
    value /= 1024;
    if (value < 1024)
        return WithUserDecimalPoint(value, DecimalsFor(value)) + QStringLiteral(" MiB");
    value /= 1024;
    return WithUserDecimalPoint(value, 2) + QStringLiteral(" GiB");
}

bool ParseSize(const QString &Text, std::int64_t &Size)
{
    QString text = TrimControls(Text).toString();
    if (text.isEmpty())
        text = QStringLiteral("0");
    if (text.endsWith(QLatin1Char('B')) || text.endsWith(QLatin1Char('b')))
        text.chop(1);
    double base = 1000;
    if (text.endsWith(QLatin1Char('i')) || text.endsWith(QLatin1Char('I'))) {
        text.chop(1);
        base = 1024;
    }
    text = TrimControls(text).toString();
    if (text.isEmpty())
        return false;

    const QChar last = text.back().toUpper();
    double factor = 1;
    QString number = text;
    if (!(last >= QLatin1Char('0') && last <= QLatin1Char('9'))) {
        const int power = QStringLiteral("KMGT").indexOf(last) + 1;
        if (power == 0)
            return false;
        factor = std::pow(base, power);
        const qsizetype blank = text.indexOf(QLatin1Char(' '));
        number = blank >= 0 ? text.left(blank) : text.left(text.size() - 1);
    }
    double value = 0;
    if (!ParseUserNumber(number, value))
        return false;
    const double bytes = std::nearbyint(value * factor);
    // 2^63 is the first value that no longer fits.
    if (!(std::fabs(bytes) < 9223372036854775808.0))
        return false;
    Size = static_cast<std::int64_t>(bytes);
    return true;
}

int CompareSizeTexts(const QString &A, const QString &B)
{
    std::int64_t a = 0;
    std::int64_t b = 0;
    if (!ParseSize(A, a))
        a = 0;
    if (!ParseSize(B, b))
        b = 0;
    return Compare(a, b);
}

int CompareDateTexts(const QString &A, const QString &B)
{
    return Compare(DateTimeValue(A), DateTimeValue(B));
}
