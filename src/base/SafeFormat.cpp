#include "base/SafeFormat.h"

#include <QCoreApplication>

#include <cmath>
#include <optional>

namespace {

std::optional<QLocale> &FormatLocaleOverride()
{
    static std::optional<QLocale> locale;
    return locale;
}

// Thrown only inside this file and always caught by SafeFormat.
struct FormatFailure
{};

struct IntegerArg
{
    bool isSigned = true;
    bool is64 = false;
    qint64 signedValue = 0;
    quint64 unsignedValue = 0;
};

struct FormatField
{
    bool leftAlign = false;
    int width = -1;
    int precision = -1;
    QChar type;
};

std::optional<IntegerArg> ToInteger(const QVariant &arg)
{
    IntegerArg result;
    switch (arg.metaType().id()) {
    case QMetaType::Int:
    case QMetaType::Short:
    case QMetaType::SChar:
    case QMetaType::Char:
        result.signedValue = arg.toInt();
        return result;
    case QMetaType::Long:
    case QMetaType::LongLong:
        result.is64 = true;
        result.signedValue = arg.toLongLong();
        return result;
    case QMetaType::UInt:
    case QMetaType::UShort:
    case QMetaType::UChar:
        result.isSigned = false;
        result.unsignedValue = arg.toUInt();
        return result;
    case QMetaType::ULong:
    case QMetaType::ULongLong:
        result.isSigned = false;
        result.is64 = true;
        result.unsignedValue = arg.toULongLong();
        return result;
    default:
        return std::nullopt;
    }
}

// The value as an unsigned number of its own width: a negative 32-bit value
// becomes its 32-bit two's complement.
quint64 AsUnsigned(const IntegerArg &value)
{
    if (!value.isSigned)
        return value.unsignedValue;
    if (value.is64)
        return static_cast<quint64>(value.signedValue);
    return static_cast<quint32>(static_cast<qint32>(value.signedValue));
}

QString PadDigits(QString digits, int precision)
{
    if (precision > digits.size())
        digits.prepend(QString(precision - digits.size(), QLatin1Char('0')));
    return digits;
}

QString FormatSigned(const IntegerArg &value, int precision)
{
    if (!value.isSigned)
        return PadDigits(QString::number(value.unsignedValue), precision);
    const bool negative = value.signedValue < 0;
    // The magnitude of the smallest 64-bit value does not fit a signed number.
    const quint64 magnitude = negative ? 0 - static_cast<quint64>(value.signedValue) : value.signedValue;
    const QString digits = PadDigits(QString::number(magnitude), precision);
    return negative ? QLatin1Char('-') + digits : digits;
}

std::optional<double> ToFloat(const QVariant &arg)
{
    if (arg.metaType().id() == QMetaType::Double || arg.metaType().id() == QMetaType::Float)
        return arg.toDouble();
    const std::optional<IntegerArg> integer = ToInteger(arg);
    if (!integer)
        return std::nullopt;
    return integer->isSigned ? static_cast<double>(integer->signedValue) : static_cast<double>(integer->unsignedValue);
}

QString GroupThousands(const QString &digits, const QString &separator)
{
    QString grouped;
    const qsizetype count = digits.size();
    for (qsizetype i = 0; i < count; ++i) {
        if (i > 0 && (count - i) % 3 == 0)
            grouped += separator;
        grouped += digits[i];
    }
    return grouped;
}

bool AllZeroDigits(const QString &text)
{
    for (QChar c : text)
        if (c.isDigit() && c != QLatin1Char('0'))
            return false;
    return true;
}

// "NAN", "INF" or "-INF", as every floating-point form writes them.
QString NonFiniteText(double value)
{
    if (std::isnan(value))
        return QStringLiteral("NAN");
    return value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
}

// Fixed-point text with the locale's decimal point, and thousands separators for "n".
QString FormatFixed(double value, int precision, bool grouped)
{
    if (!std::isfinite(value))
        return NonFiniteText(value);
    const QLocale locale = FormatLocale();
    QString plain = QString::number(std::fabs(value), 'f', precision);
    const qsizetype dot = plain.indexOf(QLatin1Char('.'));
    QString integerPart = dot < 0 ? plain : plain.left(dot);
    const QString fraction = dot < 0 ? QString() : plain.mid(dot + 1);
    if (grouped)
        integerPart = GroupThousands(integerPart, locale.groupSeparator());
    QString text = integerPart;
    if (!fraction.isEmpty())
        text += locale.decimalPoint() + fraction;
    // A value that rounds to zero carries no sign.
    if (value < 0 && !AllZeroDigits(plain))
        text.prepend(QLatin1Char('-'));
    return text;
}

// Exact digits for integer arguments, so that large 64-bit counts keep every digit.
QString FormatFixedInteger(const IntegerArg &value, int precision, bool grouped)
{
    const QLocale locale = FormatLocale();
    QString text = FormatSigned(value, 0);
    const bool negative = text.startsWith(QLatin1Char('-'));
    if (negative)
        text.remove(0, 1);
    if (grouped)
        text = GroupThousands(text, locale.groupSeparator());
    if (precision > 0)
        text += locale.decimalPoint() + QString(precision, QLatin1Char('0'));
    return negative ? QLatin1Char('-') + text : text;
}

QString FormatScientific(double value, int precision)
{
    if (!std::isfinite(value))
        return NonFiniteText(value);
    const int digits = std::clamp(precision < 0 ? 15 : precision, 1, 18);
    QString text = QString::number(value, 'e', digits - 1);
    // "1.5e+03" → "1.5E+003": at least three exponent digits, as the usual routine writes.
    const qsizetype e = text.indexOf(QLatin1Char('e'));
    QString mantissa = text.left(e);
    QString exponent = text.mid(e + 2);
    const QChar sign = text[e + 1];
    while (exponent.size() < 3)
        exponent.prepend(QLatin1Char('0'));
    mantissa.replace(QLatin1Char('.'), FormatLocale().decimalPoint());
    return mantissa + QLatin1Char('E') + sign + exponent;
}

QString FormatGeneral(double value, int precision)
{
    if (!std::isfinite(value))
        return NonFiniteText(value);
    const int digits = std::clamp(precision < 0 ? 15 : precision, 1, 18);
    QString text = QString::number(value, 'g', digits);
    const qsizetype e = text.indexOf(QLatin1Char('e'));
    if (e >= 0) {
        // "1e+20" → "1E20", "1e-05" → "1E-5"
        QString mantissa = text.left(e);
        const QChar sign = text[e + 1];
        QString exponent = text.mid(e + 2);
        while (exponent.size() > 1 && exponent.startsWith(QLatin1Char('0')))
            exponent.remove(0, 1);
        text = mantissa + QLatin1Char('E') + (sign == QLatin1Char('-') ? QStringLiteral("-") : QString()) + exponent;
    }
    text.replace(QLatin1Char('.'), FormatLocale().decimalPoint());
    return text;
}

class Formatter
{
public:
    Formatter(const QString &pattern, const QVariantList &args) : m_pattern(pattern), m_args(args) {}

    QString Run()
    {
        QString out;
        out.reserve(m_pattern.size() + 16);
        while (m_pos < m_pattern.size()) {
            const QChar c = m_pattern[m_pos++];
            if (c != QLatin1Char('%')) {
                out += c;
                continue;
            }
            if (Peek() == QLatin1Char('%')) {
                ++m_pos;
                out += QLatin1Char('%');
                continue;
            }
            out += FormatOne();
        }
        return out;
    }

private:
    QChar Peek() const { return m_pos < m_pattern.size() ? m_pattern[m_pos] : QChar(); }

    const QVariant &NextArg()
    {
        if (m_argIndex < 0 || m_argIndex >= m_args.size())
            throw FormatFailure();
        return m_args[m_argIndex++];
    }

    // A decimal number or "*" (taken from the arguments); -1 when neither is there.
    int ReadNumber()
    {
        if (Peek() == QLatin1Char('*')) {
            ++m_pos;
            const std::optional<IntegerArg> value = ToInteger(NextArg());
            if (!value)
                throw FormatFailure();
            const qint64 number = value->isSigned ? value->signedValue : static_cast<qint64>(value->unsignedValue);
            if (number < 0 || number > 100000)
                throw FormatFailure();
            return static_cast<int>(number);
        }
        if (!Peek().isDigit() || Peek().unicode() > 127)
            return -1;
        qint64 number = 0;
        while (Peek().isDigit() && Peek().unicode() <= 127) {
            number = number * 10 + (Peek().unicode() - '0');
            if (number > 100000)
                throw FormatFailure();
            ++m_pos;
        }
        return static_cast<int>(number);
    }

    FormatField ReadField()
    {
        FormatField field;
        int number = ReadNumber();
        if (Peek() == QLatin1Char(':')) {
            ++m_pos;
            if (number < 0)
                number = 0;
            m_argIndex = number;
            number = -1;
        }
        if (number < 0) {
            if (Peek() == QLatin1Char('-')) {
                field.leftAlign = true;
                ++m_pos;
            }
            number = ReadNumber();
        }
        field.width = number;
        if (Peek() == QLatin1Char('.')) {
            ++m_pos;
            field.precision = std::max(ReadNumber(), 0);
        }
        if (m_pos >= m_pattern.size())
            throw FormatFailure();
        field.type = m_pattern[m_pos++].toLower();
        return field;
    }

    QString FormatOne()
    {
        const FormatField field = ReadField();
        QString text = Convert(field, NextArg());
        if (field.width > text.size()) {
            const QString padding(field.width - text.size(), QLatin1Char(' '));
            text = field.leftAlign ? text + padding : padding + text;
        }
        return text;
    }

    static QString Convert(const FormatField &field, const QVariant &arg)
    {
        switch (field.type.unicode()) {
        case 'd':
            return FormatSigned(RequireInteger(arg), field.precision);
        case 'u':
            return PadDigits(QString::number(AsUnsigned(RequireInteger(arg))), field.precision);
        case 'x':
            return PadDigits(QString::number(AsUnsigned(RequireInteger(arg)), 16).toUpper(), field.precision);
        case 's':
            return FormatText(arg, field.precision);
        case 'n':
        case 'f':
            return FormatNumber(arg, field.precision < 0 ? 2 : field.precision, field.type == QLatin1Char('n'));
        case 'e':
            return FormatScientific(RequireFloat(arg), field.precision);
        case 'g':
            return FormatGeneral(RequireFloat(arg), field.precision);
        default:
            throw FormatFailure();
        }
    }

    static IntegerArg RequireInteger(const QVariant &arg)
    {
        const std::optional<IntegerArg> value = ToInteger(arg);
        if (!value)
            throw FormatFailure();
        return *value;
    }

    static double RequireFloat(const QVariant &arg)
    {
        const std::optional<double> value = ToFloat(arg);
        if (!value)
            throw FormatFailure();
        return *value;
    }

    static QString FormatText(const QVariant &arg, int precision)
    {
        const int id = arg.metaType().id();
        if (id != QMetaType::QString && id != QMetaType::QChar && id != QMetaType::QByteArray)
            throw FormatFailure();
        QString text = id == QMetaType::QByteArray ? QString::fromUtf8(arg.toByteArray()) : arg.toString();
        if (precision >= 0 && precision < text.size())
            text.truncate(precision);
        return text;
    }

    static QString FormatNumber(const QVariant &arg, int precision, bool grouped)
    {
        const std::optional<IntegerArg> integer = ToInteger(arg);
        if (integer)
            return FormatFixedInteger(*integer, precision, grouped);
        return FormatFixed(RequireFloat(arg), std::min(precision, 18), grouped);
    }

    const QString &m_pattern;
    const QVariantList &m_args;
    qsizetype m_pos = 0;
    qsizetype m_argIndex = 0;
};

} // namespace

QLocale FormatLocale()
{
    const std::optional<QLocale> &locale = FormatLocaleOverride();
    return locale ? *locale : QLocale::system();
}

void SetFormatLocale(const QLocale &locale)
{
    FormatLocaleOverride() = locale;
}

void ResetFormatLocale()
{
    FormatLocaleOverride().reset();
}

QString SafeFormat(const QString &pattern, const QVariantList &args)
{
    try {
        return Formatter(pattern, args).Run();
    } catch (...) {
        return QCoreApplication::translate("LibText", "Format error: ") + pattern;
    }
}
