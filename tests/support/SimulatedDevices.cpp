#include "support/SimulatedDevices.h"

#include "device/sim/SimulatedDeviceService.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>

namespace {

void Require(bool ok, const QString &what)
{
    if (!ok)
        throw std::runtime_error(("simulated device: cannot write " + what).toStdString());
}

void SetModified(const QString &path, const QString &modified)
{
    if (modified.isEmpty())
        return;
    const QDateTime time = QDateTime::fromString(modified, QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    Require(time.isValid(), path + " (bad time " + modified + ")");
    const timespec times[2] = {{time.toSecsSinceEpoch(), 0}, {time.toSecsSinceEpoch(), 0}};
    Require(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0) == 0, path);
}

} // namespace

TSimulatedDevices::TSimulatedDevices(std::initializer_list<TSimulatedDeviceTable> devices)
{
    Require(FDir.isValid(), QStringLiteral("a temporary folder"));
    for (const TSimulatedDeviceTable &device : devices)
        Add(device);
}

QString TSimulatedDevices::DeviceFolder(const QString &name) const
{
    return QDir(FDir.path()).filePath(name);
}

QString TSimulatedDevices::Add(const TSimulatedDeviceTable &device)
{
    const QString folder = DeviceFolder(device.Folder);
    Require(QDir().mkpath(folder), folder);
    if (!device.DeviceIni.isEmpty()) {
        QFile ini(QDir(folder).filePath(QStringLiteral("device.ini")));
        Require(ini.open(QIODevice::WriteOnly) && ini.write(device.DeviceIni.toUtf8()) >= 0, ini.fileName());
    }
    // Folders get their times after their contents are written.
    std::vector<std::pair<QString, QString>> folderTimes;
    for (const TSimulatedEntry &entry : device.Entries) {
        const QString path = QDir(folder).filePath(entry.Path);
        if (entry.Path.endsWith(QLatin1Char('/'))) {
            Require(QDir().mkpath(path), path);
            folderTimes.emplace_back(path, entry.Modified);
            continue;
        }
        Require(QDir().mkpath(QFileInfo(path).path()), path);
        QFile file(path);
        Require(file.open(QIODevice::WriteOnly) && file.write(entry.Content) == entry.Content.size(), path);
        file.close();
        SetModified(path, entry.Modified);
    }
    for (const auto &[path, modified] : folderTimes)
        SetModified(path, modified);
    return folder;
}

DeviceServicePtr TSimulatedDevices::Service() const
{
    return CreateSimulatedDeviceService(FDir.path());
}

TDeviceServiceFactory TSimulatedDevices::Factory() const
{
    const QString folder = FDir.path();
    return [folder] { return CreateSimulatedDeviceService(folder); };
}

TDevicesEnvironment::TDevicesEnvironment(const QString &folder)
    : FVariable("TESSARIL_DEVICES", QFile::encodeName(folder))
{}
