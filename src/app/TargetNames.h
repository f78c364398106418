#pragma once

#include <QHash>
#include <QString>

#include <functional>
#include <vector>

// The local names the files of one run are written under. Two device files
// can want one local name: a name made safe ("a/b" becomes "a_b") meets a
// real "a_b", a destination that ignores letter case (FAT, exFAT, NTFS
// drives) meets "Photo.JPG" and "photo.jpg", or a device lists one name
// twice. No target is written twice in a run: the later file gets a name of
// its own, "photo (2).jpg", numbered in the folder's child order, so that a
// re-run of the same device maps each file to the same copy.
class TTargetNames
{
public:
    // One file of a folder: its object index, its local name (LocalNameOf)
    // and the suffix its target gets (".gz", ".zip" or none).
    struct TFile
    {
        int Index = -1;
        QString LocalName;
        QString Suffix;
    };

    // Plans the target names (local name with suffix) of a folder's files, in
    // their order, against every target the run has planned so far.
    // `folder` must exist already: whether it tells letter case apart is
    // found out by trying.
    std::vector<QString> PlanFolder(const QString &folder, const std::vector<TFile> &files);

    // Whether a folder's file system tells "a" and "A" apart. The usual Linux
    // file systems answer by their type and the folder's case-folding flag;
    // elsewhere a probe file is created and looked for in the other case. A
    // folder where nothing can be created counts as telling them apart.
    static bool FolderIsCaseSensitive(const QString &folder);
    // The same judged without writing: an entry of the folder (or, failing
    // that, the folder or its nearest existing parent) looked up in the other
    // case. A folder that gives no such hint counts as telling them apart.
    static bool FolderLooksCaseSensitive(const QString &folder);

    // Read-only planning (a preview): no probe file is created.
    void SetReadOnly(bool readOnly) { FReadOnly = readOnly; }

    // Test seam: decides in place of the probe; an empty function restores it.
    using TCaseProbe = std::function<bool(const QString &folder)>;
    static void SetCaseProbe(TCaseProbe probe);

private:
    QString FolderKey(const QString &folder, bool &caseSensitive);

    QHash<QString, QHash<QString, int>> FClaims; // folder key -> name -> object index + 1
    QHash<QString, bool> FCaseSensitiveFolders;  // by folder key
    bool FReadOnly = false;
};

// "photo.jpg" numbered 2 is "photo (2).jpg"; a name without extension (or
// with a leading dot only) gets the number at its end.
QString NumberedName(const QString &localName, int number);
