#pragma once

#include <QString>
#include <QStringList>

// The hidden files ".tessaril-<random>.part" that a copy writes into beside
// its destination until the data is complete. A running copy holds an flock
// on its file, so that a later run can tell the leftover of a killed run from
// a file in use and remove only the former.

// A fresh, unused name for the part file of a copy to destName.
QString PartFileNameBeside(const QString &destName);

// Whether a name in a folder has the form of our part files.
bool IsPartFileName(const QString &name);

// The lock a copy holds on its part file while it writes; released when
// freed, after the file was renamed or removed.
class TPartFileLock
{
public:
    TPartFileLock() = default;
    ~TPartFileLock() { Release(); }
    TPartFileLock(const TPartFileLock &) = delete;
    TPartFileLock &operator=(const TPartFileLock &) = delete;

    // Locks the file just created under name and open as writtenFd. False
    // when a cleaner got there first (it holds the lock or removed the name);
    // the caller then starts over with a new name. A file system without
    // locks gives true: the copy goes on without the protection.
    bool Acquire(const QString &name, int writtenFd);
    void Release();

private:
    int FFd = -1;
};

// A new copy can do without a part file where the file system offers files
// without a name (O_TMPFILE): the data goes into one, which gets the
// destination's name only once it is complete. A killed copy leaves nothing
// behind, so it needs neither the lock nor the clean-up.

// Opens a file without a name in folder for writing; -1 with errno set.
// UnnamedFilesUnsupported(errno) then says whether a part file must do.
// folderFd, when not -1, is that folder open (O_PATH will do), which spares
// the walk along its path.
int OpenUnnamedFile(const QString &folder, int folderFd = -1);
bool UnnamedFilesUnsupported(int error);
// Gives the file without a name open as fd the name; never replaces what is
// there. 0 or the errno (EEXIST when the name is taken).
int LinkUnnamedFile(int fd, const QString &name);
// The same for the entry name in the folder open as folderFd.
int LinkUnnamedFileIn(int fd, int folderFd, const QString &entryName);
// From now on names such files through /proc only, as a process without the
// capability to link a descriptor does; for tests.
void NameUnnamedFilesThroughProc();

// Removes from folder the part files that no running copy holds (leftovers
// of killed runs) and returns their names. Where the file system has no
// locks, only part files older than a day count as leftovers.
QStringList RemoveLeftoverPartFiles(const QString &folder);
