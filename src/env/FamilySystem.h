#pragma once

#include <QProcessEnvironment>
#include <QString>

#include <functional>

// What the program learns about the machine and the user at start: known
// folders, names, the current directory and the environment. Built from the
// real system once; tests build their own so that no rule touches the real
// home folder. Folders are given without trailing "/"; empty when unknown.
struct TSystemEnvironment
{
    QString ProgramFile;    // full path of the running program file
    QString HomeDir;        // the profile folder ($HOME)
    QString ConfigHome;     // roaming application data ($XDG_CONFIG_HOME)
    QString DataHome;       // local application data ($XDG_DATA_HOME)
    QString DocumentsDir;   // the documents folder (XDG user dirs)
    QString DesktopDir;     // the desktop folder (XDG user dirs)
    QString PublicShareDir; // the public share folder (XDG user dirs)
    QString CurrentDir;
    QString UserName;
    QString HostName;
    QString MachineConfigDir = QStringLiteral("/etc/xdg"); // holds the machine-wide registry file
    QProcessEnvironment Variables;
    // Whether a path lies on a drive attached over USB; any failure: false.
    std::function<bool(const QString &path)> IsOnUsbDrive = [](const QString &) { return false; };
    std::function<bool(const QString &path)> FileExists;
    std::function<bool(const QString &path)> FolderExists;
    // Creates a folder with all missing parents.
    std::function<bool(const QString &path)> MakeFolders;

    // The running program's view of the real system.
    static TSystemEnvironment FromSystem();
};

// True when the block device that holds `path` hangs below a USB controller
// in sysfs. `sysRoot` is "/sys" outside tests. Any failure counts as not USB.
bool IsPathOnUsbDrive(const QString &path, const QString &sysRoot = QStringLiteral("/sys"));
// The same test for a block device given by its device numbers.
bool IsBlockDeviceOnUsb(unsigned major, unsigned minor, const QString &sysRoot = QStringLiteral("/sys"));

// A folder without trailing "/" (the root "/" becomes empty, ready to be joined).
QString WithoutTrailingSlash(const QString &folder);
// A leading "~" (alone or before "/") replaced by the home folder.
QString ExpandHomeFolder(const QString &path, const QString &homeDir);

// A folder with exactly one trailing "/"; an empty folder stays empty.
QString WithTrailingSlash(const QString &folder);
