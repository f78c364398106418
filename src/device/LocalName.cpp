#include "device/LocalName.h"

QString LocalNameOf(const QString &deviceName)
{
    if (deviceName.isEmpty() || deviceName == QLatin1String("."))
        return QStringLiteral("_");
    if (deviceName == QLatin1String(".."))
        return QStringLiteral("__");
    QString name = deviceName;
    for (QChar &c : name)
        if (c == QLatin1Char('/') || c == QChar(0))
            c = QLatin1Char('_');
    return name;
}
