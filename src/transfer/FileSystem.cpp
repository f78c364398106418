#include "transfer/FileSystem.h"

#include "base/FileDescriptor.h"
#include "base/FileTimes.h"

#include <QByteArray>
#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <linux/magic.h>
#include <linux/msdos_fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/syscall.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {

constexpr std::uint32_t DosAttributeMask = FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
constexpr const char *DosAttributeXattr = "user.DOSATTRIB";
constexpr long ExfatSuperMagic = 0x2011BAB0;

QByteArray LocalName(const QString &fileName)
{
    return QFile::encodeName(fileName);
}

bool IsFatFileSystem(const QByteArray &path)
{
    struct statfs info = {};
    return ::statfs(path.constData(), &info) == 0 &&
           (info.f_type == MSDOS_SUPER_MAGIC || info.f_type == ExfatSuperMagic);
}

// The hexadecimal text that starts the user.DOSATTRIB extended attribute; 0 without one.
std::uint32_t ReadDosAttributeXattr(const QByteArray &path)
{
    char value[64] = {};
    const ssize_t length = ::lgetxattr(path.constData(), DosAttributeXattr, value, sizeof(value) - 1);
    if (length < 3 || value[0] != '0' || (value[1] != 'x' && value[1] != 'X'))
        return 0;
    return static_cast<std::uint32_t>(std::strtoul(value + 2, nullptr, 16)) & DosAttributeMask;
}

// Archive, hidden and system bits: the FAT attribute byte on FAT and exFAT,
// else the extended attribute. Nothing where neither exists.
std::uint32_t ReadDosAttributes(const QByteArray &path)
{
    if (IsFatFileSystem(path)) {
        TFileDescriptor file(::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW));
        std::uint32_t fatAttributes = 0;
        if (file.IsOpen() && ::ioctl(file.Get(), FAT_IOCTL_GET_ATTRIBUTES, &fatAttributes) == 0)
            return fatAttributes & DosAttributeMask;
    }
    return ReadDosAttributeXattr(path);
}

// Best effort by design: a file system that keeps no such bits drops them.
// Acts on a symbolic link itself, never on what it leads to.
void WriteDosAttributes(const QByteArray &path, std::uint32_t attributes)
{
    const std::uint32_t wanted = attributes & DosAttributeMask;
    if (IsFatFileSystem(path)) {
        TFileDescriptor file(::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW));
        std::uint32_t fatAttributes = 0;
        if (file.IsOpen() && ::ioctl(file.Get(), FAT_IOCTL_GET_ATTRIBUTES, &fatAttributes) == 0) {
            fatAttributes = (fatAttributes & ~DosAttributeMask & ~FILE_ATTRIBUTE_READONLY) | wanted |
                            (attributes & FILE_ATTRIBUTE_READONLY);
            if (::ioctl(file.Get(), FAT_IOCTL_SET_ATTRIBUTES, &fatAttributes) == 0)
                return;
        }
    }
    if (ReadDosAttributeXattr(path) == wanted)
        return;
    if (wanted == 0) {
        ::lremovexattr(path.constData(), DosAttributeXattr);
        return;
    }
    char value[16] = {};
    const int length = std::snprintf(value, sizeof(value), "0x%x", static_cast<unsigned>(wanted));
    // The terminating zero belongs to the value, as other writers of this attribute keep it.
    ::lsetxattr(path.constData(), DosAttributeXattr, value, static_cast<size_t>(length) + 1, 0);
}

// Directory and read-only, as the mode of a file that is no link tells them.
std::uint32_t ModeAttributes(mode_t mode)
{
    std::uint32_t attributes = S_ISDIR(mode) ? FILE_ATTRIBUTE_DIRECTORY : 0;
    if ((mode & S_IWUSR) == 0)
        attributes |= FILE_ATTRIBUTE_READONLY;
    return attributes;
}

std::uint32_t WithNormal(std::uint32_t attributes)
{
    return attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes;
}

std::uint32_t AttributesOf(const QByteArray &path, mode_t mode)
{
    std::uint32_t attributes = 0;
    if (S_ISLNK(mode)) {
        attributes |= FILE_ATTRIBUTE_REPARSE_POINT;
        struct stat target = {};
        if (::stat(path.constData(), &target) == 0 && S_ISDIR(target.st_mode))
            attributes |= FILE_ATTRIBUTE_DIRECTORY;
        return attributes;
    }
    return WithNormal(ModeAttributes(mode) | ReadDosAttributes(path));
}

// glibc's fstat is fstatat with an empty path, which Debian 12's kernel
// treats as a path lookup (a page-sized name buffer and all); the plain call
// skips that, once per copy. Its structure is glibc's only on x86-64.
int StatOpenFile(int fd, struct stat &info)
{
#if defined(__x86_64__) && defined(SYS_fstat)
    return static_cast<int>(::syscall(SYS_fstat, fd, &info));
#else
    return ::fstat(fd, &info);
#endif
}

TFileTime FileTimeOf(const struct statx_timestamp &time)
{
    return UnixPartsToFileTime(time.tv_sec, time.tv_nsec);
}

timespec TimespecOf(TFileTime fileTime)
{
    std::int64_t seconds = 0;
    std::int64_t nanoseconds = 0;
    FileTimeToUnixParts(fileTime, seconds, nanoseconds);
    timespec result{};
    result.tv_sec = static_cast<time_t>(seconds);
    result.tv_nsec = static_cast<long>(nanoseconds);
    return result;
}

timespec OmitTime()
{
    timespec result{};
    result.tv_nsec = UTIME_OMIT;
    return result;
}

TSetTimesHook &SetTimesHook()
{
    static TSetTimesHook hook;
    return hook;
}

// fd -1: by path; else the open file, and path only names it for the hook.
std::uint32_t SetTimes(const QByteArray &path, const timespec &access, const timespec &write, int fd = -1)
{
    const timespec times[2] = {access, write};
    const TSetTimesHook &hook = SetTimesHook();
    // Like the platform's open for attribute writing, this acts on a link's target.
    int result = 0;
    if (hook)
        result = hook(path.constData(), times);
    else
        result = fd >= 0 ? ::futimens(fd, times) : ::utimensat(AT_FDCWD, path.constData(), times, 0);
    return result == 0 ? 0 : static_cast<std::uint32_t>(errno);
}

void CheckFileTime(TFileTime &time, TDateTime latest, TFileTime replacement)
{
    TDateTime converted = 0;
    if (!FileTimeToDateTime(time, converted) || converted > latest)
        time = replacement;
}

} // namespace

QString XlFileName(const QString &path)
{
    return path;
}

bool XlFileExists(const QString &fileName, bool followLink)
{
    const QByteArray path = LocalName(XlFileName(fileName));
    struct stat info = {};
    if (::lstat(path.constData(), &info) != 0)
        return false;
    if (!S_ISLNK(info.st_mode))
        return !S_ISDIR(info.st_mode);
    if (!followLink)
        return true;
    struct stat target = {};
    if (::stat(path.constData(), &target) != 0 || S_ISDIR(target.st_mode))
        return false;
    TFileDescriptor file(::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    return file.IsOpen();
}

namespace {

// The status of a file, with followLink that of the file a symbolic link leads
// to (the link's own when it leads nowhere); path names the file examined.
// 0 or the errno of the failing call.
std::uint32_t StatFile(const QString &fileName, bool followLink, struct statx &info, QByteArray &path)
{
    path = LocalName(fileName);
    constexpr unsigned mask = STATX_BASIC_STATS | STATX_BTIME;
    if (::statx(AT_FDCWD, path.constData(), AT_SYMLINK_NOFOLLOW, mask, &info) != 0)
        return static_cast<std::uint32_t>(errno);
    QString target;
    if (S_ISLNK(info.stx_mode) && followLink && GetLinkTarget(fileName, target)) {
        path = LocalName(target);
        if (::statx(AT_FDCWD, path.constData(), 0, mask, &info) != 0)
            return static_cast<std::uint32_t>(errno);
    }
    return 0;
}

} // namespace

std::uint32_t GetFileAttributeData(const QString &fileName, TFileAttributeData &data, bool followLink)
{
    struct statx info = {};
    QByteArray path;
    if (const std::uint32_t error = StatFile(fileName, followLink, info, path))
        return error;
    data.FileAttributes = AttributesOf(path, info.stx_mode);
    data.LastWriteTime = FileTimeOf(info.stx_mtime);
    data.LastAccessTime = FileTimeOf(info.stx_atime);
    // Without a birth time the last write time is the best lower bound we have.
    data.CreationTime = (info.stx_mask & STATX_BTIME) != 0 ? FileTimeOf(info.stx_btime) : data.LastWriteTime;
    data.FileSizeHigh = static_cast<std::uint32_t>(info.stx_size >> 32);
    data.FileSizeLow = static_cast<std::uint32_t>(info.stx_size & 0xFFFFFFFF);
    return 0;
}

bool GetLinkTarget(const QString &fileName, QString &target)
{
    const QByteArray path = LocalName(fileName);
    struct stat info = {};
    if (::lstat(path.constData(), &info) != 0 || !S_ISLNK(info.st_mode))
        return false;
    char *resolved = ::realpath(path.constData(), nullptr);
    if (resolved == nullptr)
        return false;
    target = QFile::decodeName(resolved);
    std::free(resolved);
    return true;
}

TDateTime GetFileWriteTime(const QString &fileName)
{
    // Called for every existing copy in a run: the status alone, without the
    // attribute lookups (statfs, extended attribute) of GetFileAttributeData.
    struct statx info = {};
    QByteArray path;
    TDateTime time = 0;
    if (StatFile(fileName, true, info, path) != 0 || !FileTimeToDateTime(FileTimeOf(info.stx_mtime), time))
        return 0;
    return time;
}

bool XlFileExistsWithWriteTime(const QString &fileName, TDateTime &writeTime)
{
    return XlFileExistsWithWriteTimeIn(-1, QString(), fileName, writeTime);
}

bool XlFileExistsWithWriteTimeIn(int folderFd, const QString &name, const QString &fileName, TDateTime &writeTime,
                                 bool *noEntry)
{
    writeTime = 0;
    if (noEntry)
        *noEntry = false;
    const QString fullName = XlFileName(fileName);
    struct statx info = {};
    const bool inFolder = folderFd >= 0 && !name.isEmpty();
    const QByteArray asked = LocalName(inFolder ? name : fullName);
    if (::statx(inFolder ? folderFd : AT_FDCWD, asked.constData(), AT_SYMLINK_NOFOLLOW, STATX_TYPE | STATX_MTIME,
                &info) != 0) {
        // Only a certain absence counts: a folder that cannot be searched says nothing.
        if (noEntry)
            *noEntry = errno == ENOENT && fullName == fileName;
        return false;
    }
    if (S_ISLNK(info.stx_mode) || fullName != fileName) {
        // Links are followed and opened as XlFileExists does; rare enough for the long way.
        if (!XlFileExists(fileName, true))
            return false;
        writeTime = GetFileWriteTime(fileName);
        return true;
    }
    if (S_ISDIR(info.stx_mode))
        return false;
    if (!FileTimeToDateTime(FileTimeOf(info.stx_mtime), writeTime))
        writeTime = 0;
    return true;
}

void SetFileTimesHook(TSetTimesHook hook)
{
    SetTimesHook() = std::move(hook);
}

std::uint32_t SetFileWriteTime(const QString &fileName, TDateTime time)
{
    return SetTimes(LocalName(fileName), OmitTime(), TimespecOf(DateTimeToFileTime(time)));
}

namespace {

// The record as it is to be written: now for an invalid one, now in place of
// a time too far ahead when checkTime asks for it.
TFileTimestamps TimesToSet(const TFileTimestamps &timeStamps, bool checkTime)
{
    TFileTimestamps times = timeStamps;
    // The current local wall-clock time, written into a file time without
    // zone change; one reading of the clock (and of the zone) for both uses.
    const TDateTime nowLocal = NowLocalDateTime();
    const TFileTime now = DateTimeToFileTime(nowLocal);
    if (!times.Valid) {
        times.CreationTime = now;
        times.LastAccessTime = now;
        times.LastWriteTime = now;
    } else if (checkTime) {
        const TDateTime latest = nowLocal + 1.0;
        CheckFileTime(times.CreationTime, latest, now);
        CheckFileTime(times.LastAccessTime, latest, now);
        CheckFileTime(times.LastWriteTime, latest, now);
    }
    return times;
}

} // namespace

std::uint32_t SetFileTimestamps(const QString &fileName, const TFileTimestamps &timeStamps, bool checkTime,
                                bool setCreationTime, bool followLink)
{
    const TFileTimestamps times = TimesToSet(timeStamps, checkTime);
    QString name = fileName;
    QString target;
    if (followLink && GetLinkTarget(fileName, target))
        name = target;
    const timespec access = setCreationTime ? TimespecOf(times.LastAccessTime) : OmitTime();
    return SetTimes(LocalName(name), access, TimespecOf(times.LastWriteTime));
}

std::uint32_t SetOpenFileTimestamps(int fd, const QString &fileName, const TFileTimestamps &timeStamps, bool checkTime,
                                    bool setCreationTime)
{
    const TFileTimestamps times = TimesToSet(timeStamps, checkTime);
    const timespec access = setCreationTime ? TimespecOf(times.LastAccessTime) : OmitTime();
    // The name is for a test's hook only; the descriptor does the work.
    const QByteArray name = SetTimesHook() ? LocalName(fileName) : QByteArray();
    return SetTimes(name, access, TimespecOf(times.LastWriteTime), fd);
}

bool IsPlainLocalFileSystem(int fd)
{
    struct statfs info = {};
    if (::fstatfs(fd, &info) != 0)
        return false;
    switch (info.f_type) {
    case EXT4_SUPER_MAGIC:
    case TMPFS_MAGIC:
    case XFS_SUPER_MAGIC:
    case BTRFS_SUPER_MAGIC:
        return true;
    default:
        return false;
    }
}

namespace {

// The process's file mode creation mask, read once: umask() itself cannot
// be asked without changing it, which other threads would see meanwhile.
int ProcessUmask()
{
    static const int mask = [] {
        // A file of /proc tells no size: read, not asked how long it is.
        const TFileDescriptor status(::open("/proc/self/status", O_RDONLY | O_CLOEXEC));
        char text[4096] = {};
        const ssize_t length = status.IsOpen() ? ::read(status.Get(), text, sizeof(text) - 1) : -1;
        if (length <= 0)
            return -1;
        const char *line = std::strstr(text, "\nUmask:");
        if (line == nullptr)
            return -1;
        char *end = nullptr;
        const long value = std::strtol(line + 7, &end, 8);
        return end != line + 7 && value >= 0 && value <= 0777 ? static_cast<int>(value) : -1;
    }();
    return mask;
}

} // namespace

int NewFileModeIn(int folderFd)
{
    const int mask = ProcessUmask();
    if (folderFd < 0 || mask < 0)
        return -1;
    // A default ACL, not the mask, decides the mode of what is made below it;
    // a file system without ACLs has none.
    if (::fgetxattr(folderFd, "system.posix_acl_default", nullptr, 0) >= 0 || (errno != ENODATA && errno != ENOTSUP))
        return -1;
    return 0666 & ~mask;
}

std::uint32_t GetNewFileAttributes(int fd, int expectedMode)
{
    if (expectedMode >= 0)
        return WithNormal(ModeAttributes(static_cast<mode_t>(expectedMode)));
    struct stat info = {};
    if (StatOpenFile(fd, info) != 0)
        return INVALID_FILE_ATTRIBUTES;
    return WithNormal(ModeAttributes(info.st_mode));
}

std::uint32_t GetFileAttributes(const QString &fileName)
{
    const QByteArray path = LocalName(fileName);
    struct stat info = {};
    if (::lstat(path.constData(), &info) != 0)
        return INVALID_FILE_ATTRIBUTES;
    return AttributesOf(path, info.st_mode);
}

std::uint32_t SetFileAttributes(const QString &fileName, std::uint32_t attributes)
{
    const QByteArray path = LocalName(fileName);
    struct stat info = {};
    if (::lstat(path.constData(), &info) != 0)
        return static_cast<std::uint32_t>(errno);
    if (S_ISLNK(info.st_mode)) {
        WriteDosAttributes(path, attributes);
        return 0;
    }
    const bool readOnly = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    const mode_t mode = info.st_mode & 07777;
    const mode_t wantedMode = readOnly ? mode & ~mode_t(S_IWUSR | S_IWGRP | S_IWOTH) : mode | S_IWUSR;
    // Write permission first when it is granted, last when it is taken away,
    // so that the extended attribute can still be written in between.
    if (!readOnly && wantedMode != mode && ::chmod(path.constData(), wantedMode) != 0)
        return static_cast<std::uint32_t>(errno);
    WriteDosAttributes(path, attributes);
    if (readOnly && wantedMode != mode && ::chmod(path.constData(), wantedMode) != 0)
        return static_cast<std::uint32_t>(errno);
    return 0;
}
