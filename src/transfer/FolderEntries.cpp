#include "transfer/FolderEntries.h"

#include "transfer/FileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstring>

namespace {

// Past this a folder is not worth keeping in memory; its names stay unknown.
constexpr qsizetype MaximumNames = 1'000'000;

// Where a name that is not among the folder's entries cannot be reached
// under any other spelling.
bool ComparesBytes(int folderFd)
{
    if (!IsPlainLocalFileSystem(folderFd))
        return false;
    // Case folding is asked for per folder through these flags; where they
    // cannot be read, the folder may fold.
    int flags = 0;
    return ::ioctl(folderFd, FS_IOC_GETFLAGS, &flags) == 0 && (flags & FS_CASEFOLD_FL) == 0;
}

} // namespace

TFolderEntries TFolderEntries::Read(int folderFd)
{
    TFolderEntries entries;
    if (folderFd < 0 || !ComparesBytes(folderFd) || ::lseek(folderFd, 0, SEEK_SET) != 0)
        return entries;
    alignas(dirent64) char buffer[32768];
    for (;;) {
        const ssize_t length = ::getdents64(folderFd, buffer, sizeof(buffer));
        if (length < 0 && errno == EINTR)
            continue;
        if (length < 0 || entries.FNames.size() > MaximumNames)
            return {};
        if (length == 0)
            break;
        for (ssize_t offset = 0; offset < length;) {
            const auto *entry = reinterpret_cast<const dirent64 *>(buffer + offset);
            if (entry->d_reclen == 0)
                return {};
            offset += entry->d_reclen;
            const char *name = entry->d_name;
            if (std::strcmp(name, ".") != 0 && std::strcmp(name, "..") != 0)
                entries.FNames.insert(QByteArray(name));
        }
    }
    entries.FKnown = true;
    return entries;
}
