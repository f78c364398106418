#include "ui/dialogs/FolderActions.h"

#include "ui/UiText.h"

#include "env/SizeText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStorageInfo>

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString ErrnoText(int code)
{
    return QString::fromLocal8Bit(std::strerror(code));
}

void Fail(TDeleteCounts &counts, int code)
{
    ++counts.Failures;
    if (counts.FirstError.isEmpty())
        counts.FirstError = ErrnoText(code);
}

bool IsNetworkType(const QByteArray &type)
{
    static const QList<QByteArray> types{"nfs",   "nfs4",      "cifs",        "smb3",          "smbfs", "fuse.sshfs",
                                         "sshfs", "davfs",     "fuse.davfs2", "afs",           "ncpfs", "9p",
                                         "ceph",  "glusterfs", "fuse.rclone", "fuse.glusterfs"};
    return types.contains(type);
}

QString VolumeName(const QStorageInfo &storage)
{
    return storage.name().isEmpty() ? storage.rootPath() : storage.name();
}

// Empties and removes the folder `name` below the open folder `parent`.
// Everything is reached through descriptors opened without following links.
void DeleteBelow(int parent, const QByteArray &name, dev_t device, TDeleteCounts &counts)
{
    const int folder = openat(parent, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (folder < 0) {
        Fail(counts, errno);
        return;
    }
    struct stat status
    {};
    if (fstat(folder, &status) != 0 || status.st_dev != device) {
        // A file system mounted below the folder is not ours to empty.
        Fail(counts, status.st_dev != device ? EBUSY : errno);
        close(folder);
        return;
    }
    // A folder without write permission for its owner cannot lose its entries.
    if ((status.st_mode & S_IRWXU) != S_IRWXU)
        fchmod(folder, status.st_mode | S_IRWXU);
    DIR *listing = fdopendir(dup(folder));
    if (!listing) {
        Fail(counts, errno);
        close(folder);
        return;
    }
    bool allFilesDeleted = true;
    std::vector<QByteArray> subfolders;
    std::vector<QByteArray> files;
    while (dirent *entry = readdir(listing)) {
        const QByteArray entryName(entry->d_name);
        if (entryName == "." || entryName == "..")
            continue;
        struct stat entryStatus
        {};
        if (fstatat(folder, entry->d_name, &entryStatus, AT_SYMLINK_NOFOLLOW) != 0) {
            Fail(counts, errno);
            allFilesDeleted = false;
            continue;
        }
        (S_ISDIR(entryStatus.st_mode) ? subfolders : files).push_back(entryName);
    }
    closedir(listing);
    for (const QByteArray &subfolder : subfolders)
        DeleteBelow(folder, subfolder, device, counts);
    for (const QByteArray &file : files) {
        if (unlinkat(folder, file.constData(), 0) == 0) {
            ++counts.Files;
        } else {
            Fail(counts, errno);
            allFilesDeleted = false;
        }
    }
    close(folder);
    if (!allFilesDeleted)
        return;
    if (unlinkat(parent, name.constData(), AT_REMOVEDIR) == 0)
        ++counts.Directories;
    else
        Fail(counts, errno);
}

} // namespace

QString FolderDeletionRefusal(const QString &path, const QString &homeDir)
{
    const QFileInfo info(path);
    if (info.isSymLink())
        return {}; // only the link goes
    const QString canonical = info.canonicalFilePath();
    if (canonical.isEmpty())
        return ErrnoText(ENOENT);
    if (canonical == QLatin1String("/") || canonical == QFileInfo(homeDir).canonicalFilePath())
        return ErrnoText(EPERM);
    struct stat own
    {};
    struct stat parent
    {};
    const QByteArray local = QFile::encodeName(canonical);
    const QByteArray above = QFile::encodeName(QFileInfo(canonical).path());
    if (stat(local.constData(), &own) != 0 || stat(above.constData(), &parent) != 0)
        return ErrnoText(errno);
    if (own.st_dev != parent.st_dev || QStorageInfo(canonical).rootPath() == canonical)
        return ErrnoText(EBUSY);
    return {};
}

void DeleteDirectory(const QString &path, TDeleteCounts &counts)
{
    const QFileInfo info(QDir::cleanPath(path));
    if (!info.exists() && !info.isSymLink())
        return;
    const QByteArray parentPath = QFile::encodeName(info.path());
    const QByteArray name = QFile::encodeName(info.fileName());
    const int parent = open(parentPath.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (parent < 0) {
        Fail(counts, errno);
        return;
    }
    struct stat status
    {};
    if (fstatat(parent, name.constData(), &status, AT_SYMLINK_NOFOLLOW) != 0) {
        Fail(counts, errno);
    } else if (S_ISLNK(status.st_mode)) {
        if (unlinkat(parent, name.constData(), 0) == 0)
            ++counts.Directories;
        else
            Fail(counts, errno);
    } else {
        DeleteBelow(parent, name, status.st_dev, counts);
    }
    close(parent);
}

bool MoveFolderToTrash(const QString &path, QString &trashPath, QString &errorText)
{
    // Qt sets up "Trash" only inside an existing data folder; without one it
    // reports success for a move into "files" below the current directory.
    const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (!dataHome.isEmpty())
        QDir().mkpath(dataHome);
    const QString source = QFileInfo(QDir::cleanPath(path)).absoluteFilePath();
    QFile folder(source);
    if (!folder.moveToTrash()) {
        errorText = folder.errorString();
        return false;
    }
    trashPath = folder.fileName();
    if (QFileInfo(trashPath).isAbsolute())
        return true;
    // Not a Trash after all: the folder goes back where it was.
    QDir().rename(QFileInfo(trashPath).absoluteFilePath(), source);
    errorText = DlgText::tr("No Trash folder could be set up");
    return false;
}

bool CreateFolder(const QString &parent, const QString &name, QString &fullPath, QString &errorText)
{
    const QStringList parts = name.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    fullPath = QDir::cleanPath(parent + QLatin1Char('/') + name);
    if (parts.isEmpty() || parts.contains(QLatin1String(".")) || parts.contains(QLatin1String(".."))) {
        errorText = ErrnoText(EINVAL);
        return false;
    }
    QString current = QDir::cleanPath(parent);
    for (int i = 0; i < parts.size(); ++i) {
        current += QLatin1Char('/') + parts[i];
        const QByteArray local = QFile::encodeName(current);
        if (mkdir(local.constData(), 0777) == 0)
            continue;
        const int code = errno;
        const bool last = i == parts.size() - 1;
        if (code == EEXIST && !last && QFileInfo(current).isDir())
            continue;
        errorText = ErrnoText(code);
        return false;
    }
    return true;
}

QString FreeSpaceText(const QString &dir)
{
    if (dir.isEmpty() || !QFileInfo(dir).isDir())
        return {};
    const QStorageInfo storage(dir);
    if (!storage.isValid() || !storage.isReady() || storage.bytesTotal() <= 0)
        return {};
    return DlgText::tr("%1 free of %2").arg(FormatSize(storage.bytesAvailable()), FormatSize(storage.bytesTotal()));
}

std::vector<TVolume> ComputerVolumes(const QString &homeDir)
{
    std::vector<TVolume> fixed;
    std::vector<TVolume> removable;
    const QStorageInfo root = QStorageInfo::root();
    fixed.push_back({QStringLiteral("/"), root.name().isEmpty() ? QStringLiteral("/") : root.name(), false});
    if (!homeDir.isEmpty() && QFileInfo(homeDir).isDir() && QDir::cleanPath(homeDir) != QLatin1String("/"))
        fixed.push_back({QDir::cleanPath(homeDir), QDir::cleanPath(homeDir), false});
    for (const QStorageInfo &storage : QStorageInfo::mountedVolumes()) {
        const QString path = storage.rootPath();
        if (!storage.isValid() || !storage.isReady() || path == QLatin1String("/") ||
            !storage.device().startsWith("/dev/") || IsNetworkType(storage.fileSystemType()) ||
            path.startsWith(QLatin1String("/boot")) || path == QDir::cleanPath(homeDir) || !QFileInfo(path).isDir())
            continue;
        const bool isRemovable =
            path.startsWith(QLatin1String("/media/")) || path.startsWith(QLatin1String("/run/media/"));
        (isRemovable ? removable : fixed).push_back({path, VolumeName(storage), isRemovable});
    }
    removable.insert(removable.end(), fixed.begin(), fixed.end());
    return removable;
}

std::vector<TVolume> NetworkVolumes()
{
    std::vector<TVolume> volumes;
    for (const QStorageInfo &storage : QStorageInfo::mountedVolumes())
        if (storage.isValid() && IsNetworkType(storage.fileSystemType()))
            volumes.push_back({storage.rootPath(), VolumeName(storage), false});
    return volumes;
}

bool IsOnNetworkVolume(const QString &path)
{
    const QStorageInfo storage(path);
    return storage.isValid() && IsNetworkType(storage.fileSystemType());
}
