#pragma once

#include <QString>
#include <QVariant>
#include <QVariantList>

// Formats like the usual format routine (%s, %d, %u, %x, %.8x, %.0n with the
// user's thousands separator, argument indexes such as %1:s); hexadecimal
// digits come out upper case. Never fails: on any formatting error the result
// is "Format error: " followed by the pattern.
QString SafeFormat(const QString &pattern, const QVariantList &args);

template <typename... Args>
QString SafeFormat(const QString &pattern, const Args &...args)
{
    return SafeFormat(pattern, QVariantList{QVariant::fromValue(args)...});
}
