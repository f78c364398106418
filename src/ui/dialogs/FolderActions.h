#pragma once

#include <QString>

#include <vector>

// What the directory chooser does to folders on disk, without any window.

struct TDeleteCounts
{
    int Directories = 0;
    int Files = 0;
    int Failures = 0;
    QString FirstError; // the system text of the first failure
};

// Why a folder must not be deleted: the system text for "/", the home folder
// or a mount point; empty when it may be deleted.
QString FolderDeletionRefusal(const QString &path, const QString &homeDir);

// Deletes a folder with everything in it. Symbolic links are removed as links
// and never followed; a folder on another file system below it is left alone
// and counts as a failure. A folder that is itself a link loses only the link.
void DeleteDirectory(const QString &path, TDeleteCounts &counts);

// Moves a folder to the freedesktop Trash; trashPath gets where it went,
// errorText the reason of a failure.
bool MoveFolderToTrash(const QString &path, QString &trashPath, QString &errorText);

// Creates parent/name with every missing folder between; fails with the
// system text when the name is empty, holds "." or ".." as a part, or names
// something that exists.
bool CreateFolder(const QString &parent, const QString &name, QString &fullPath, QString &errorText);

// "<available> free of <total>" for the volume of a folder; empty when unknown.
QString FreeSpaceText(const QString &dir);

// The file systems the chooser offers as roots.
struct TVolume
{
    QString Path;
    QString Name;
    bool Removable = false;
};
// "/", the home folder and every mounted volume on a block device, removable
// ones first, each named by its label where it has one.
std::vector<TVolume> ComputerVolumes(const QString &homeDir);
// The mounted network file systems.
std::vector<TVolume> NetworkVolumes();
bool IsOnNetworkVolume(const QString &path);
