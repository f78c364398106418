#include "env/PluralText.h"

#include "base/SafeFormat.h"

QString PluralText(const QString &NoneText, const QString &OneText, const QString &ManyFormat, std::uint64_t Count,
                   bool GroupDigits)
{
    if (Count == 1)
        return OneText;
    if (Count == 0 && !NoneText.isEmpty())
        return NoneText;
    QString format = ManyFormat;
    if (GroupDigits && Count > 9999)
        format.replace(QStringLiteral("%u"), QStringLiteral("%.0n"));
    return SafeFormat(format, Count);
}
