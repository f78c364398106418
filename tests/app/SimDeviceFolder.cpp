#include "SimDeviceFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <stdexcept>

TSimDeviceFolder::TSimDeviceFolder()
{
    FHadValue = qEnvironmentVariableIsSet("TESSARIL_DEVICES");
    FPreviousValue = qgetenv("TESSARIL_DEVICES");
    qputenv("TESSARIL_DEVICES", FDir.path().toUtf8());
}

TSimDeviceFolder::~TSimDeviceFolder()
{
    if (FHadValue)
        qputenv("TESSARIL_DEVICES", FPreviousValue);
    else
        qunsetenv("TESSARIL_DEVICES");
}

QString TSimDeviceFolder::DevicePath(const QString &device, const QString &relative) const
{
    return QDir(FDir.path()).filePath(relative.isEmpty() ? device : device + QLatin1Char('/') + relative);
}

void TSimDeviceFolder::AddFile(const QString &device, const QString &relative, const QByteArray &content,
                               const QDateTime &modified)
{
    const QString path = DevicePath(device, relative);
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        throw std::runtime_error("cannot write " + path.toStdString());
    // Buffered data written at close would move the time again.
    file.flush();
    file.setFileTime(modified, QFileDevice::FileModificationTime);
}

void TSimDeviceFolder::AddFolder(const QString &device, const QString &relative)
{
    QDir().mkpath(DevicePath(device, relative));
}

void TSimDeviceFolder::SetDeviceIni(const QString &device, const QString &text)
{
    QDir().mkpath(DevicePath(device));
    QFile file(DevicePath(device, QStringLiteral("device.ini")));
    if (!file.open(QIODevice::WriteOnly))
        throw std::runtime_error("cannot write device.ini");
    file.write(text.toUtf8());
}
