#include "support/SimDeviceFolder.h"

#include <QDir>

QString TSimDeviceFolder::DevicePath(const QString &device, const QString &relative) const
{
    const QString folder = FDevices.DeviceFolder(device);
    return relative.isEmpty() ? folder : QDir(folder).filePath(relative);
}

void TSimDeviceFolder::AddFile(const QString &device, const QString &relative, const QByteArray &content,
                               const QDateTime &modified)
{
    FDevices.Add({device, QString(), {{relative, content, modified.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"))}}});
}

void TSimDeviceFolder::AddFolder(const QString &device, const QString &relative)
{
    FDevices.Add({device, QString(), {{relative + QLatin1Char('/')}}});
}

void TSimDeviceFolder::SetDeviceIni(const QString &device, const QString &text)
{
    FDevices.Add({device, text, {}});
}
