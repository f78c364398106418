#include "base/ErrorText.h"

#include "base/SafeFormat.h"

#include <QCoreApplication>

#include <cstring>

namespace {

constexpr std::uint32_t FacilityMask = 0x07FF0000u;
constexpr std::uint32_t FacilityErrno = 7u << 16;

struct KnownCode
{
    std::uint32_t code;
    const char *text;
};

// Result codes of the device layer that are not errno values. They are looked
// up before the errno wrapper, because E_INVALIDARG and E_OUTOFMEMORY carry
// facility 7 as well.
constexpr KnownCode KnownCodes[] = {
    {0x80004001u, QT_TRANSLATE_NOOP("LibText", "Not implemented")},
    {0x80004002u, QT_TRANSLATE_NOOP("LibText", "No such interface supported")},
    {0x80004003u, QT_TRANSLATE_NOOP("LibText", "Invalid pointer")},
    {0x80004004u, QT_TRANSLATE_NOOP("LibText", "Operation aborted")},
    {0x80004005u, QT_TRANSLATE_NOOP("LibText", "Unspecified error")},
    {0x8000FFFFu, QT_TRANSLATE_NOOP("LibText", "Catastrophic failure")},
    {0x80070057u, QT_TRANSLATE_NOOP("LibText", "The parameter is incorrect")},
    {0x8007000Eu, QT_TRANSLATE_NOOP("LibText", "Not enough memory resources are available to complete this operation")},
    {0x800704C7u, QT_TRANSLATE_NOOP("LibText", "The operation was canceled by the user")},
};

QString KnownCodeText(std::uint32_t code)
{
    for (const KnownCode &known : KnownCodes)
        if (known.code == code)
            return QCoreApplication::translate("LibText", known.text);
    return {};
}

// The errno inside a code: a plain errno value, or one wrapped with facility 7
// (as HResultFromErrno and the copy worker's composite form store it).
int ErrnoOf(std::uint32_t code)
{
    if (code > 0 && code <= 0xFFFFu)
        return static_cast<int>(code);
    if ((code & FacilityMask) == FacilityErrno && (code & 0x78000000u) == 0)
        return static_cast<int>(code & 0xFFFFu);
    return 0;
}

QString ErrnoText(int err)
{
    if (err <= 0)
        return {};
    // strerrordesc_np is thread-safe and returns null for values that are no errno.
    const char *text = strerrordesc_np(err);
    return text ? QString::fromUtf8(text) : QString();
}

QString TrimEnd(QString text)
{
    qsizetype end = text.size();
    while (end > 0 && (text[end - 1].unicode() <= 0x20 || text[end - 1] == QLatin1Char('.')))
        --end;
    text.truncate(end);
    return text;
}

} // namespace

QString ErrorMessageText(std::uint32_t code)
{
    QString known = KnownCodeText(code);
    if (!known.isEmpty())
        return known;
    return TrimEnd(ErrnoText(ErrnoOf(code)));
}

QString SystemErrorText(std::uint32_t code)
{
    const QString message = ErrorMessageText(code) + SafeFormat(QStringLiteral(" (0x%.8x)"), code);
    return SafeFormat(QCoreApplication::translate("LibText", "System error: %s"), message);
}

QString ErrorCodeText(std::uint32_t code)
{
    const QString message = ErrorMessageText(code);
    if (!message.isEmpty())
        return message + SafeFormat(QStringLiteral(" (0x%.8x)"), code);
    return QCoreApplication::translate("LibText", "Error code") + SafeFormat(QStringLiteral(" = 0x%.8x"), code);
}
