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

QString ProgramDisplayName()
{
    return QStringLiteral("Tessaril");
}

QString CaptionText(const QString &Subtitle, const QString &FileName)
{
    QString caption = ProgramDisplayName();
    if (!Subtitle.isEmpty())
        caption += QStringLiteral(" - ") + Subtitle;
    if (!FileName.isEmpty())
        caption += QStringLiteral(" [") + FileName.mid(FileName.lastIndexOf(QLatin1Char('/')) + 1) + QLatin1Char(']');
    return caption;
}

QString BitnessText()
{
    return sizeof(void *) == 8 ? QStringLiteral(" - 64-bit") : QStringLiteral(" - 32-bit");
}
