#include "env/ProgramVersion.h"

#include "Version.h"

QString ProgramVersion()
{
    return QStringLiteral(TESSARIL_VERSION);
}

QString VersionLine(const QString &version, int parts)
{
    QString number = version;
    while (parts > 0 && number.count(QLatin1Char('.')) >= parts)
        number.truncate(number.lastIndexOf(QLatin1Char('.')));
    return QStringLiteral("Version ") + number;
}
