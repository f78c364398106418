#pragma once

#include "base/FileData.h"

#include <QString>

#include <cstdint>
#include <ctime>
#include <functional>

// Stateless helpers for files on the destination disk. Error codes are errno
// values (0 for success); no routine throws.

inline constexpr std::uint32_t FILE_ATTRIBUTE_HIDDEN = 0x02;
inline constexpr std::uint32_t FILE_ATTRIBUTE_SYSTEM = 0x04;

// What a file's attribute query reports: attributes, the three times (UTC) and the size.
struct TFileAttributeData
{
    std::uint32_t FileAttributes = 0;
    TFileTime CreationTime = 0;
    TFileTime LastAccessTime = 0;
    TFileTime LastWriteTime = 0;
    std::uint32_t FileSizeHigh = 0;
    std::uint32_t FileSizeLow = 0;
};

// The extended-length form of a path; Linux has none, so the path itself.
QString XlFileName(const QString &path);

// Whether a file that is not a directory exists. With followLink a symbolic
// link counts only when its target is an openable file.
bool XlFileExists(const QString &fileName, bool followLink);

// Attributes, times and size; with followLink those of a link's target.
std::uint32_t GetFileAttributeData(const QString &fileName, TFileAttributeData &data, bool followLink);

// The fully resolved path a symbolic link leads to; false for anything that is no link.
bool GetLinkTarget(const QString &fileName, QString &target);

// Last write time of an existing file as a UTC date-time; 0 when it cannot be read.
TDateTime GetFileWriteTime(const QString &fileName);
// XlFileExists(fileName, true) and, when it is true, GetFileWriteTime(fileName)
// into writeTime: for a plain file from one status read, which is all a run
// that skips an unchanged file needs.
bool XlFileExistsWithWriteTime(const QString &fileName, TDateTime &writeTime);
// The same for the entry name of the folder open as folderFd (O_PATH will
// do), which is fileName: one short lookup instead of the whole path's.
// folderFd -1 asks for fileName. noEntry, when given, tells whether the look
// found nothing at all under the name (not even a folder or a link).
bool XlFileExistsWithWriteTimeIn(int folderFd, const QString &name, const QString &fileName, TDateTime &writeTime,
                                 bool *noEntry = nullptr);

// Sets only the last write time; time is a UTC date-time.
std::uint32_t SetFileWriteTime(const QString &fileName, TDateTime time);

// Sets the times of a file from a record (invalid record: the current local
// wall-clock time stored as if it were UTC). With checkTime a time more than
// a day after now is replaced by now. Creation time cannot be set on Linux:
// setCreationTime sets last access and last write time, else only last write.
std::uint32_t SetFileTimestamps(const QString &fileName, const TFileTimestamps &timeStamps, bool checkTime,
                                bool setCreationTime, bool followLink);

// The same for a file open as fd (one without a name, say); fileName is the
// name it has or is about to get, which the test hook below receives.
std::uint32_t SetOpenFileTimestamps(int fd, const QString &fileName, const TFileTimestamps &timeStamps, bool checkTime,
                                    bool setCreationTime);
// Test hook: called in place of utimensat(2) by SetFileWriteTime,
// SetFileTimestamps and SetOpenFileTimestamps; return what utimensat would (set errno on -1). An empty
// function restores utimensat. Set it while no copy runs.
using TSetTimesHook = std::function<int(const char *path, const struct timespec times[2])>;
void SetFileTimesHook(TSetTimesHook hook);

// The attribute word of a file (a symbolic link itself, not its target):
// read-only when the owner may not write, directory, archive/hidden/system
// where the file system keeps them, reparse point for a link; NORMAL when
// nothing else is set. INVALID_FILE_ATTRIBUTES on failure, errno then tells why.
std::uint32_t GetFileAttributes(const QString &fileName);

// Whether the file or folder open as fd lies on a local POSIX file system
// (ext4, tmpfs, XFS, Btrfs): one that compares names byte for byte (unless a
// folder folds case) and whose close reports nothing, as it writes nothing.
bool IsPlainLocalFileSystem(int fd);

// GetFileAttributes of a file this process has just created without a name
// (OpenUnnamedFile): such files exist only where files have POSIX modes (not
// on FAT, exFAT or shares), and nothing has given them a DOS attribute yet,
// so the mode alone tells, without a look at the file system or its
// extended attributes. expectedMode, when not -1, is the mode NewFileModeIn
// gave for the file's folder, which spares the look at the file.
std::uint32_t GetNewFileAttributes(int fd, int expectedMode = -1);
// The mode a file made in the folder open as folderFd (O_PATH does not do)
// gets from its creator's 0666: the umask's work, unless a default ACL
// decides instead. -1 when that cannot be told.
int NewFileModeIn(int folderFd);
// Replaces the attribute word: read-only clears every write bit, its absence
// gives the owner write permission; the archive, hidden and system bits go
// where the file system keeps them and are dropped quietly elsewhere.
// 0 or the errno of the failing call.
std::uint32_t SetFileAttributes(const QString &fileName, std::uint32_t attributes);
