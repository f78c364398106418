#pragma once

#include "app/BackupConfig.h"
#include "app/TargetNames.h"
#include "base/FileData.h"
#include "transfer/CopyThread.h"

#include <QList>
#include <QString>
#include <QTimeZone>

#include <atomic>
#include <mutex>

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
    QString Refused; // why the run did not start; empty when it ran
};

// One backup run: copies every file below the selected device folders into a
// folder tree under the destination that mirrors the device's folder names,
// with filter, time slot, compression and overwrite rule, and logs every step.
// It runs on the calling thread and blocks it while a copy worker runs; it
// never runs an event loop. Cancel may be called from any thread.
class TBackupRun
{
public:
    TBackupRun(TPortableDevice &device, const TBackupConfig &config, TProgressLog &log);
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

private:
    void BackupFile(TPortableDeviceObject &file, const QString &folderDest, const QString &targetName, TDateTime today);
    // ".zip", ".gz" or nothing, by the compression settings and the name's type.
    QString TargetSuffix(const QString &name) const;
    bool Compresses(const QString &name) const;
    bool ShouldWrite(bool exists, TDateTime existingTime, TDateTime deviceTime) const;
    // localTime: the file's modification date as the device reported it.
    // stamped: the modification time the worker gave the copy, 0 when none.
    bool CopyFile(TPortableDeviceObject &file, TDateTime localTime, const QString &target, TFileTime &stamped);
    void RunWorker(TWinCopyThread &worker);
    void ReportFolderListingError(TPortableDeviceObject &folder);

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
    QTimeZone FZone = QTimeZone::systemTimeZone();
    TCopyRunner FRunner; // one thread for all the run's copies
};
