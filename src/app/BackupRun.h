#pragma once

#include "app/BackupConfig.h"
#include "app/RunProgress.h"
#include "app/RunProgressMeter.h"
#include "app/TargetNames.h"
#include "app/TimeSlot.h"
#include "base/FileData.h"
#include "transfer/CopyThread.h"
#include "transfer/FolderEntries.h"

#include <QList>
#include <QString>
#include <QTimeZone>

#include <atomic>
#include <mutex>
#include <utility>
#include <vector>

class TPortableDevice;
class TPortableDeviceContent;
class TPortableDeviceObject;
class TProgressLog;

// What a run did, over all selected folders.
struct TRunTotals
{
    int Copied = 0;       // written without error
    int Skipped = 0;      // passed over by the overwrite rule
    int Failed = 0;       // the device would not hand the file out, or the copy failed
    int FolderErrors = 0; // folders whose contents could not be listed
    int Warnings = 0;     // copied, but time stamps or attributes could not be set
    bool Cancelled = false;
    QString Refused;        // why the run did not start; empty when it ran
    int Updated = 0;        // of Copied, those that replaced an existing copy
    int Excluded = 0;       // passed over by the filter or the time slot
    qint64 BytesCopied = 0; // sizes of the copied files, as the device reported them
    bool Preview = false;   // nothing was written: the counts are what a run would do
};

// One backup run: copies every file below the selected device folders into a
// folder tree under the destination that mirrors the device's folder names,
// with filter, time slot, compression and overwrite rule, and logs every step.
// It runs on the calling thread and blocks it while a copy worker runs; it
// never runs an event loop. Cancel may be called from any thread.
//
// Before the first copy the selected folders are walked in memory, so that
// the files and bytes to look at are known for the progress figures. A
// preview walks the same files under the same rules and logs what it would
// do, writing nothing: no folders, no copies, no clean-up, no probe files.
class TBackupRun
{
public:
    TBackupRun(TPortableDevice &device, const TBackupConfig &config, TProgressLog &log,
               TRunMode mode = TRunMode::Backup);
    TBackupRun(const TBackupRun &) = delete;
    TBackupRun &operator=(const TBackupRun &) = delete;

    // Runs over the selected objects (indexes into the device's object tree)
    // in selection order.
    void BackupSelected(const QList<int> &selection);
    // Copies one device folder with everything below it.
    void BackupFolder(int index, const QString &root, const QString &relativePath);

    // Stops the run: the copy under way is cancelled (and counted as failed),
    // no further file is begun.
    void Cancel();
    bool IsCancelled() const { return FCancelled.load(); }

    const TRunTotals &Totals() const { return FTotals; }
    int FileCount() const { return FFileCount; }
    bool IsPreview() const { return FMode == TRunMode::Preview; }

    // Receives the progress figures on the run's thread, at most about ten
    // times a second and once more at the end. Set it before BackupSelected.
    void SetProgressHandler(TRunProgressMeter::THandler handler);

private:
    // What the run needs of a file, read from the device once.
    struct TFileFacts
    {
        QString Name;
        TDateTime LocalTime = 0;  // as the device reported it
        TDateTime DeviceTime = 0; // the same in UTC
        qint64 Size = 0;
        bool Known = false; // read already
    };

    void PlanSelected(const QList<int> &selection);
    void PlanFolder(int index, TDateTime today, int &files, qint64 &bytes);
    // A copy: the table may grow while the facts are in use.
    TFileFacts FactsOf(TPortableDeviceObject &file);
    TFileFacts ReadFacts(TPortableDeviceObject &file);
    // Where a folder's copies go, as the run found it right before its files.
    struct TDestinationFolder
    {
        const QString &Path;
        int Fd;                        // the folder open, or -1
        bool PlainFileSystem;          // IsPlainLocalFileSystem
        int NewFileMode;               // NewFileModeIn
        const TFolderEntries &Entries; // the names it held
    };
    static int OpenDestinationFolder(const QString &folderDest);
    void BackupFile(TPortableDeviceObject &file, const TDestinationFolder &folder, const QString &targetName,
                    TDateTime today);
    void PreviewFile(const TFileFacts &facts, bool exists, bool write, bool renamed, const QString &targetName);
    // ".zip", ".gz" or nothing, by the compression settings and the name's type.
    QString TargetSuffix(const QString &name) const;
    bool Compresses(const QString &name) const;
    bool ShouldWrite(bool exists, TDateTime existingTime, TDateTime deviceTime) const;
    // facts: the file as the run has read it (the date as the device reported it).
    // False when the file was not copied; error then holds why (empty when cancelled).
    // stamped: the modification time the worker gave the copy, 0 when none.
    // noEntry: the run has just seen nothing at all under the target's name.
    bool CopyFile(TPortableDeviceObject &file, const TFileFacts &facts, const QString &target,
                  const TDestinationFolder &folder, bool noEntry, QString &error, TFileTime &stamped);
    void RunWorker(TWinCopyThread &worker, const std::atomic<qint64> &bytesDone);
    void ReportFolderListingError(TPortableDeviceObject &folder);
    // The failed files once more, so that they stand out of a long log.
    void LogFailureSummary();
    void FinishRun();

    TPortableDevice &FDevice;
    TPortableDeviceContent &FContent;
    const TBackupConfig &FConfig;
    TProgressLog &FLog;
    TCopyOptions FCopyOptions;
    int FFileCount = 0;
    TRunTotals FTotals;
    std::atomic<bool> FCancelled{false};
    std::mutex FWorkerMutex;
    TWinCopyThread *FWorker = nullptr; // the worker under way, for Cancel; guarded by FWorkerMutex
    TTargetNames FTargetNames;
    // Read once per run: asking the system for its zone reads files each time.
    TZoneOffsets FZoneOffsets;
    TCopyRunner FRunner; // one thread for all the run's copies
    TRunMode FMode;
    TRunProgressMeter FMeter;
    std::vector<TFileFacts> FFacts;                     // by object index, filled by the walk
    std::vector<std::pair<QString, QString>> FFailures; // device path and error text
};
