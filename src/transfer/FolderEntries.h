#pragma once

#include <QByteArray>
#include <QSet>

// The entry names a destination folder held when it was read: a copy into a
// name the folder did not hold needs no look of its own to know that nothing
// is there. Only file systems that compare names byte for byte are read;
// elsewhere (FAT, exFAT, shares, case-folding folders) the names stay
// unknown and every name may be there.
class TFolderEntries
{
public:
    TFolderEntries() = default;
    // The folder open for reading (O_RDONLY | O_DIRECTORY); -1 or a folder
    // that cannot be read leaves the names unknown.
    static TFolderEntries Read(int folderFd);

    bool Known() const { return FKnown; }
    // False only when the folder is known not to have held localName.
    bool MayHold(const QByteArray &localName) const { return !FKnown || FNames.contains(localName); }

private:
    bool FKnown = false;
    QSet<QByteArray> FNames;
};
