#include "settings/SafeSave.h"

#include "base/ErrorText.h"
#include "base/FileDescriptor.h"
#include "base/FileOwnership.h"
#include "base/SafeFormat.h"
#include "settings/StreamErrors.h"

#include <QCoreApplication>
#include <QFile>
#include <QRandomGenerator>
#include <QtDebug>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

TWriteHook &WriteHook()
{
    static TWriteHook hook;
    return hook;
}

ssize_t WriteSome(int fd, const char *buffer, size_t count)
{
    const TWriteHook &hook = WriteHook();
    return hook ? hook(fd, buffer, count) : ::write(fd, buffer, count);
}

[[noreturn]] void RaiseCreateError(const QString &fileName, int err)
{
    throw EFCreateError(SafeFormat(QCoreApplication::translate("LibText", "Cannot create file \"%s\". %s"), fileName,
                                   ErrorMessageText(static_cast<std::uint32_t>(err))),
                        static_cast<std::uint32_t>(err));
}

[[noreturn]] void RaiseWriteError(int err)
{
    throw EWriteError(QCoreApplication::translate("LibText", "Stream write error"), static_cast<std::uint32_t>(err));
}

// Returns 0 or the errno of the failing step.
int WriteAllAndSync(int fd, const QByteArray &data)
{
    const char *next = data.constData();
    size_t left = static_cast<size_t>(data.size());
    while (left > 0) {
        const ssize_t written = WriteSome(fd, next, left);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return written < 0 ? errno : ENOSPC;
        next += written;
        left -= static_cast<size_t>(written);
    }
    if (::fsync(fd) == 0)
        return 0;
    // File systems that cannot sync (some FUSE ones) have nothing more to flush.
    return errno == EINVAL || errno == ENOSYS || errno == ENOTSUP ? 0 : errno;
}

QByteArray ResolvedTarget(const QByteArray &path)
{
    struct stat linkInfo
    {};
    if (::lstat(path.constData(), &linkInfo) != 0 || !S_ISLNK(linkInfo.st_mode))
        return path;
    char resolved[PATH_MAX];
    if (::realpath(path.constData(), resolved) == nullptr)
        return path; // a dangling link is replaced by the file itself
    return QByteArray(resolved);
}

QByteArray FolderOf(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return QByteArrayLiteral(".");
    return slash == 0 ? QByteArrayLiteral("/") : path.left(slash);
}

QByteArray TemporaryName(const QByteArray &target)
{
    const qsizetype slash = target.lastIndexOf('/');
    const QByteArray folder = slash < 0 ? QByteArray() : target.left(slash + 1);
    // Keep the temporary name well below the length limit of a name.
    const QByteArray base = target.mid(slash + 1).left(120);
    const QByteArray suffix = QByteArray::number(QRandomGenerator::global()->generate(), 36);
    return folder + '.' + base + ".tmp-" + suffix;
}

void SyncFolder(const QByteArray &folder)
{
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd); // best effort: the rename itself has already happened
    ::close(fd);
}

void WriteInPlace(const QString &fileName, const QByteArray &target, const QByteArray &data)
{
    TFileDescriptor file(::open(target.constData(), O_WRONLY | O_TRUNC | O_CLOEXEC));
    if (file.Get() < 0)
        RaiseCreateError(fileName, errno);
    if (const int err = WriteAllAndSync(file.Get(), data))
        RaiseWriteError(err);
    if (file.Close() != 0)
        RaiseWriteError(errno);
}

} // namespace

void SetSaveWriteHook(TWriteHook hook)
{
    WriteHook() = std::move(hook);
}

void SaveFileSafely(const QString &fileName, const QByteArray &data)
{
    const QByteArray target = ResolvedTarget(QFile::encodeName(fileName));
    struct stat old
    {};
    const bool exists = ::stat(target.constData(), &old) == 0;
    if (exists && S_ISDIR(old.st_mode))
        RaiseCreateError(fileName, EISDIR);
    // A file the user made read-only stays protected, as an in-place write would.
    if (exists && ::access(target.constData(), W_OK) != 0)
        RaiseCreateError(fileName, errno);

    QByteArray temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = TemporaryName(target);
        fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0) {
        const int err = errno;
        // A writable file in a folder where we may not create files can only be
        // rewritten in place.
        if (exists && (err == EACCES || err == EPERM))
            return WriteInPlace(fileName, target, data);
        RaiseCreateError(fileName, err);
    }

    TFileDescriptor file(fd);
    auto discard = [&](int err) {
        ::unlink(temporary.constData());
        RaiseWriteError(err);
    };
    // Best effort: FAT drives (the portable mode runs from one) know no
    // permission bits or owners and refuse both; the content matters, not these.
    if (const int err = exists ? CarryOverOwnership(fd, target, old) : 0)
        qWarning("Cannot keep the permissions of a rewritten file: %s", std::strerror(err));
    if (const int err = WriteAllAndSync(fd, data))
        discard(err);
    if (file.Close() != 0)
        discard(errno);
    if (::rename(temporary.constData(), target.constData()) != 0)
        discard(errno);
    SyncFolder(FolderOf(target));
}
