#include "env/FamilySystem.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QSysInfo>

#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace {

QString StandardFolder(QStandardPaths::StandardLocation location)
{
    return WithoutTrailingSlash(QStandardPaths::writableLocation(location));
}

QString UserNameOf(const QProcessEnvironment &variables)
{
    const QString user = variables.value(QStringLiteral("USER"));
    return user.isEmpty() ? variables.value(QStringLiteral("LOGNAME")) : user;
}

} // namespace

QString WithoutTrailingSlash(const QString &folder)
{
    QString result = folder;
    while (result.endsWith(QLatin1Char('/')))
        result.chop(1);
    return result;
}

QString ExpandHomeFolder(const QString &path, const QString &homeDir)
{
    if (path == QLatin1String("~") || path.startsWith(QLatin1String("~/")))
        return homeDir + path.mid(1);
    return path;
}

QString WithTrailingSlash(const QString &folder)
{
    if (folder.isEmpty())
        return folder;
    return WithoutTrailingSlash(folder) + QLatin1Char('/');
}

TSystemEnvironment TSystemEnvironment::FromSystem()
{
    TSystemEnvironment env;
    env.Variables = QProcessEnvironment::systemEnvironment();
    env.ProgramFile = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    env.HomeDir = WithoutTrailingSlash(QDir::homePath());
    env.ConfigHome = StandardFolder(QStandardPaths::GenericConfigLocation);
    env.DataHome = StandardFolder(QStandardPaths::GenericDataLocation);
    env.DocumentsDir = StandardFolder(QStandardPaths::DocumentsLocation);
    env.DesktopDir = StandardFolder(QStandardPaths::DesktopLocation);
#if QT_VERSION >= QT_VERSION_CHECK(6, 4, 0)
    env.PublicShareDir = StandardFolder(QStandardPaths::PublicShareLocation);
#endif
    env.CurrentDir = QDir::currentPath();
    env.UserName = UserNameOf(env.Variables);
    env.HostName = QSysInfo::machineHostName();
    env.IsOnUsbDrive = [](const QString &path) { return IsPathOnUsbDrive(path); };
    env.FileExists = [](const QString &path) { return QFileInfo(path).isFile(); };
    env.FolderExists = [](const QString &path) { return QFileInfo(path).isDir(); };
    env.MakeFolders = [](const QString &path) { return QDir().mkpath(path); };
    return env;
}

bool IsBlockDeviceOnUsb(unsigned major, unsigned minor, const QString &sysRoot)
{
    // /sys/dev/block/M:N links to the device below its bus, for a USB stick
    // something like /sys/devices/pci0000:00/.../usb2/2-1/.../block/sdb/sdb1.
    const QString link = sysRoot + QStringLiteral("/dev/block/%1:%2").arg(major).arg(minor);
    const QString target = QFileInfo(link).canonicalFilePath();
    if (target.isEmpty())
        return false;
    const QStringList components = target.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString &component : components) {
        if (component.startsWith(QLatin1String("usb")) && component.size() > 3 && component[3].isDigit())
            return true;
    }
    return false;
}

bool IsPathOnUsbDrive(const QString &path, const QString &sysRoot)
{
    struct stat info
    {};
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &info) != 0)
        return false;
    return IsBlockDeviceOnUsb(major(info.st_dev), minor(info.st_dev), sysRoot);
}
