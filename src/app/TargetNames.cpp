#include "app/TargetNames.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <optional>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace {

TTargetNames::TCaseProbe &CaseProbe()
{
    static TTargetNames::TCaseProbe probe;
    return probe;
}

constexpr long Ext4Magic = 0xEF53;
constexpr long XfsMagic = 0x58465342;
constexpr long BtrfsMagic = 0x9123683E;
constexpr long TmpfsMagic = 0x01021994;
constexpr long F2fsMagic = 0xF2F52010;
constexpr int CaseFoldFlag = 0x40000000; // FS_CASEFOLD_FL, missing from older headers

// File systems that always tell letter case apart, unless a folder carries
// the case-folding flag.
bool IsCaseSensitiveFileSystem(long type)
{
    return type == Ext4Magic || type == XfsMagic || type == BtrfsMagic || type == TmpfsMagic || type == F2fsMagic;
}

// Answered from the file system's type and the folder's flags, without
// writing: a re-run must not touch every destination folder. Unknown when
// the file system is of another kind (FAT, NTFS, network shares, ...).
std::optional<bool> KnownCaseSensitivity(const QByteArray &folder)
{
    struct statfs info
    {};
    if (::statfs(folder.constData(), &info) != 0 || !IsCaseSensitiveFileSystem(static_cast<long>(info.f_type)))
        return std::nullopt;
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    int flags = 0;
    const bool known = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    ::close(fd);
    // tmpfs of older kernels cannot say; it has no case folding either.
    if (!known)
        return static_cast<long>(info.f_type) == TmpfsMagic ? std::optional<bool>(true) : std::nullopt;
    return (flags & CaseFoldFlag) == 0;
}

} // namespace

QString NumberedName(const QString &localName, int number)
{
    const qsizetype dot = localName.lastIndexOf(QLatin1Char('.'));
    const QString mark = QStringLiteral(" (%1)").arg(number);
    if (dot <= 0)
        return localName + mark;
    return localName.left(dot) + mark + localName.mid(dot);
}

void TTargetNames::SetCaseProbe(TCaseProbe probe)
{
    CaseProbe() = std::move(probe);
}

bool TTargetNames::FolderIsCaseSensitive(const QString &folder)
{
    if (CaseProbe())
        return CaseProbe()(folder);
    if (const std::optional<bool> known = KnownCaseSensitivity(QFile::encodeName(folder)))
        return *known;
    const QString suffix = QString::number(QRandomGenerator::global()->generate(), 36);
    const QByteArray lower = QFile::encodeName(folder + QStringLiteral("/.tessaril-case-") + suffix.toLower());
    const QByteArray upper = QFile::encodeName(folder + QStringLiteral("/.TESSARIL-CASE-") + suffix.toUpper());
    const int fd = ::open(lower.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return true;
    ::close(fd);
    struct stat created
    {};
    struct stat other
    {};
    const bool sameFile = ::stat(lower.constData(), &created) == 0 && ::stat(upper.constData(), &other) == 0 &&
                          created.st_dev == other.st_dev && created.st_ino == other.st_ino;
    ::unlink(lower.constData());
    return !sameFile;
}

namespace {

// Whether the name, spelt in the other case, reaches the same file: then
// the file system the name lives on ignores case. Empty when it cannot tell.
std::optional<bool> SameFileInOtherCase(const QString &folder, const QString &name)
{
    QString swapped = name;
    for (QChar &c : swapped)
        c = c.isUpper() ? c.toLower() : c.toUpper();
    if (swapped == name)
        return std::nullopt;
    const QByteArray own = QFile::encodeName(folder + QLatin1Char('/') + name);
    const QByteArray other = QFile::encodeName(folder + QLatin1Char('/') + swapped);
    struct stat ownInfo
    {};
    struct stat otherInfo
    {};
    if (::lstat(own.constData(), &ownInfo) != 0)
        return std::nullopt;
    return ::lstat(other.constData(), &otherInfo) == 0 && ownInfo.st_dev == otherInfo.st_dev &&
           ownInfo.st_ino == otherInfo.st_ino;
}

} // namespace

bool TTargetNames::FolderLooksCaseSensitive(const QString &folder)
{
    if (CaseProbe())
        return CaseProbe()(folder);
    // A folder that does not exist yet lies on its nearest existing parent's file system.
    QFileInfo existing(QFileInfo(folder).absoluteFilePath());
    while (!existing.isDir() && !existing.isRoot())
        existing = QFileInfo(existing.absolutePath());
    const QString dir = existing.absoluteFilePath();
    // A new folder takes its file system's and its parent's case folding.
    if (const std::optional<bool> known = KnownCaseSensitivity(QFile::encodeName(dir)))
        return *known;
    // Entries inside live on the folder's own file system; a few are enough.
    constexpr int maxEntries = 32;
    QDirIterator entries(dir, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (int seen = 0; seen < maxEntries && entries.hasNext(); ++seen) {
        entries.next();
        if (const std::optional<bool> same = SameFileInOtherCase(dir, entries.fileName()))
            return !*same;
    }
    if (!existing.isRoot()) {
        if (const std::optional<bool> same = SameFileInOtherCase(existing.absolutePath(), existing.fileName()))
            return !*same;
    }
    return true;
}

QString TTargetNames::FolderKey(const QString &folder, bool &caseSensitive)
{
    // The folder itself, not its spelling: on a drive that ignores case,
    // "DCIM" and "dcim" are one folder.
    struct stat info
    {};
    QString key = ::stat(QFile::encodeName(folder).constData(), &info) == 0
                      ? QStringLiteral("%1:%2").arg(info.st_dev).arg(info.st_ino)
                      : folder;
    auto known = FCaseSensitiveFolders.constFind(key);
    if (known == FCaseSensitiveFolders.cend())
        known = FCaseSensitiveFolders.insert(key, FReadOnly ? FolderLooksCaseSensitive(folder)
                                                            : FolderIsCaseSensitive(folder));
    caseSensitive = known.value();
    return key;
}

std::vector<QString> TTargetNames::PlanFolder(const QString &folder, const std::vector<TFile> &files)
{
    // A folder without files needs no probe.
    if (files.empty())
        return {};
    bool caseSensitive = true;
    QHash<QString, int> &claims = FClaims[FolderKey(folder, caseSensitive)];
    // A name is free when nobody took it, or when this very object did (a
    // folder selected twice in one run maps its files to the same copies).
    const auto tryClaim = [&](const QString &name, int index) {
        // Held as index + 1, so that a new entry (0) is free.
        int &holder = claims[caseSensitive ? name : name.toCaseFolded()];
        if (holder != 0 && holder != index + 1)
            return false;
        holder = index + 1;
        return true;
    };

    std::vector<QString> names(files.size());
    std::vector<std::size_t> later;
    // Plain names first, so that a real "photo (2).jpg" keeps its own name.
    for (std::size_t i = 0; i < files.size(); ++i) {
        const QString plain = files[i].LocalName + files[i].Suffix;
        if (tryClaim(plain, files[i].Index))
            names[i] = plain;
        else
            later.push_back(i);
    }
    for (std::size_t i : later) {
        for (int number = 2;; ++number) {
            const QString numbered = NumberedName(files[i].LocalName, number) + files[i].Suffix;
            if (tryClaim(numbered, files[i].Index)) {
                names[i] = numbered;
                break;
            }
        }
    }
    return names;
}
