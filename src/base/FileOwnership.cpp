#include "base/FileOwnership.h"

#include <cerrno>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

namespace {

// Best effort: a file system without extended attributes, or a namespace the
// user may not write (trusted.*, security.*), keeps the new file without them.
void CopyExtendedAttributes(int fd, const QByteArray &oldPath)
{
    const ssize_t listSize = ::llistxattr(oldPath.constData(), nullptr, 0);
    if (listSize <= 0)
        return;
    std::vector<char> names(static_cast<size_t>(listSize));
    const ssize_t got = ::llistxattr(oldPath.constData(), names.data(), names.size());
    if (got <= 0)
        return;
    std::vector<char> value;
    for (size_t at = 0; at < static_cast<size_t>(got);) {
        const char *name = names.data() + at;
        at += std::char_traits<char>::length(name) + 1;
        const ssize_t valueSize = ::lgetxattr(oldPath.constData(), name, nullptr, 0);
        if (valueSize < 0)
            continue;
        value.resize(static_cast<size_t>(valueSize));
        const ssize_t read = ::lgetxattr(oldPath.constData(), name, value.data(), value.size());
        if (read >= 0)
            static_cast<void>(::fsetxattr(fd, name, value.data(), static_cast<size_t>(read), 0));
    }
}

} // namespace

int CarryOverOwnership(int fd, const QByteArray &oldPath, const struct stat &old)
{
    // Owner first: a change of owner clears set-user-ID bits, which the mode below restores.
    if (old.st_uid != ::geteuid() || old.st_gid != ::getegid()) {
        if (::fchown(fd, old.st_uid, old.st_gid) != 0)
            static_cast<void>(::fchown(fd, static_cast<uid_t>(-1), old.st_gid));
    }
    CopyExtendedAttributes(fd, oldPath);
    return ::fchmod(fd, old.st_mode & 07777) == 0 ? 0 : errno;
}
