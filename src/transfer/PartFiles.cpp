#include "transfer/PartFiles.h"

#include <QByteArrayView>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QLatin1StringView Prefix(".tessaril-");
const QLatin1StringView Suffix(".part");
// Without locks a copy still running for a day is hard to imagine.
constexpr time_t UnlockedLeftoverAge = time_t{24} * 60 * 60;

bool SameFile(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// True when the name (in the folder open as folderFd, or AT_FDCWD) still
// leads to the file open as fd.
bool NameLeadsTo(int folderFd, const char *name, int fd)
{
    struct stat byName = {};
    struct stat byHandle = {};
    return ::fstatat(folderFd, name, &byName, AT_SYMLINK_NOFOLLOW) == 0 && ::fstat(fd, &byHandle) == 0 &&
           SameFile(byName, byHandle);
}

bool LocksUnsupported(int error)
{
    return error != EWOULDBLOCK && error != EINTR;
}

} // namespace

QString PartFileNameBeside(const QString &destName)
{
    const QString folder = QFileInfo(destName).path();
    const QString unique = QString::number(QRandomGenerator::global()->generate64(), 36);
    return folder + QLatin1Char('/') + Prefix + unique + Suffix;
}

bool IsPartFileName(const QString &name)
{
    return name.size() > Prefix.size() + Suffix.size() && name.startsWith(Prefix) && name.endsWith(Suffix);
}

bool TPartFileLock::Acquire(const QString &name, int writtenFd)
{
    Release();
    const QByteArray path = QFile::encodeName(name);
    // A descriptor of its own: the lock must outlive the written one, which
    // is closed before the time stamps are set and the file is renamed.
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const bool unsupported = LocksUnsupported(errno);
        ::close(fd);
        return unsupported && NameLeadsTo(AT_FDCWD, path.constData(), writtenFd);
    }
    // A cleaner that locked first removes the name before it lets go.
    if (!NameLeadsTo(AT_FDCWD, path.constData(), writtenFd) || !NameLeadsTo(AT_FDCWD, path.constData(), fd)) {
        ::close(fd);
        return false;
    }
    FFd = fd;
    return true;
}

void TPartFileLock::Release()
{
    if (FFd >= 0)
        ::close(FFd);
    FFd = -1;
}

int OpenUnnamedFile(const QString &folder, int folderFd)
{
    // Without the capability to link a descriptor, the name is given through
    // /proc; without /proc such a file could never get one.
    static const bool procAvailable = ::access("/proc/self/fd", X_OK) == 0;
    if (!procAvailable) {
        errno = EOPNOTSUPP;
        return -1;
    }
    constexpr int flags = O_TMPFILE | O_WRONLY | O_CLOEXEC;
    if (folderFd >= 0)
        return ::openat(folderFd, ".", flags, 0666);
    return ::open(QFile::encodeName(folder).constData(), flags, 0666);
}

bool UnnamedFilesUnsupported(int error)
{
    // EISDIR: a kernel that knows no O_TMPFILE reads it as O_DIRECTORY.
    return error == EOPNOTSUPP || error == EISDIR || error == EINVAL;
}

namespace {

// Linking the descriptor itself spares the walk through /proc. The kernel
// allows that only with CAP_DAC_READ_SEARCH (root has it) and refuses it
// with ENOENT; after the first refusal every call goes through /proc.
std::atomic<bool> EmptyPathLinkRefused{false};

int LinkByDescriptor(int fd, int folderFd, const QByteArray &name)
{
    if (!EmptyPathLinkRefused.load(std::memory_order_relaxed)) {
        if (::linkat(fd, "", folderFd, name.constData(), AT_EMPTY_PATH) == 0)
            return 0;
        if (errno != ENOENT)
            return errno;
        EmptyPathLinkRefused.store(true, std::memory_order_relaxed);
    }
    char self[32] = {};
    std::snprintf(self, sizeof(self), "/proc/self/fd/%d", fd);
    if (::linkat(AT_FDCWD, self, folderFd, name.constData(), AT_SYMLINK_FOLLOW) != 0)
        return errno;
    return 0;
}

} // namespace

void NameUnnamedFilesThroughProc()
{
    EmptyPathLinkRefused.store(true, std::memory_order_relaxed);
}

int LinkUnnamedFile(int fd, const QString &name)
{
    return LinkByDescriptor(fd, AT_FDCWD, QFile::encodeName(name));
}

int LinkUnnamedFileIn(int fd, int folderFd, const QString &entryName)
{
    return LinkByDescriptor(fd, folderFd, QFile::encodeName(entryName));
}

QStringList RemoveLeftoverPartFiles(const QString &folder)
{
    // Every folder of every run passes here: one read of the folder, and a
    // look at no entry without our name.
    QStringList removed;
    DIR *listing = ::opendir(QFile::encodeName(folder).constData());
    if (listing == nullptr)
        return removed;
    const int folderFd = ::dirfd(listing);
    const QByteArrayView prefix(Prefix.data(), Prefix.size());
    const QByteArrayView suffix(Suffix.data(), Suffix.size());
    while (const dirent *entry = ::readdir(listing)) {
        const QByteArrayView local(entry->d_name);
        if (!local.startsWith(prefix) || !local.endsWith(suffix))
            continue;
        const QString name = QFile::decodeName(local.toByteArray());
        if (!IsPartFileName(name))
            continue;
        struct stat status = {};
        if (::fstatat(folderFd, entry->d_name, &status, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(status.st_mode))
            continue; // links and the like with our name are not ours
        const int fd = ::openat(folderFd, entry->d_name, O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        if (fd < 0)
            continue;
        bool leftover = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
        if (!leftover && LocksUnsupported(errno))
            leftover = std::time(nullptr) - status.st_mtime > UnlockedLeftoverAge;
        // Removed while the lock is held, so a copy that claims the name meanwhile sees it gone.
        if (leftover && NameLeadsTo(folderFd, entry->d_name, fd) && ::unlinkat(folderFd, entry->d_name, 0) == 0)
            removed.append(name);
        ::close(fd);
    }
    ::closedir(listing);
    removed.sort();
    return removed;
}
