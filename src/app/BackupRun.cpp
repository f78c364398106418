#include "app/BackupRun.h"

#include "app/DestinationPath.h"
#include "app/LocaleDates.h"
#include "app/LogMessages.h"
#include "app/Placeholders.h"
#include "app/ProgressLog.h"
#include "app/TimeSlot.h"
#include "base/ErrorText.h"
#include "base/FileDescriptor.h"
#include "base/FileTimes.h"
#include "device/LocalName.h"
#include "device/PortableDevice.h"
#include "device/PortableDeviceContent.h"
#include "transfer/FileSystem.h"
#include "transfer/FolderEntries.h"
#include "transfer/PartFiles.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <cmath>
#include <fcntl.h>

namespace {

// Files up to this size are copied on the run's own thread: handing each to
// the copy thread and back cost more than the copy itself.
constexpr std::int64_t InlineCopyLimit = 1 << 20;
constexpr int ProgressPollMs = 50;

// File times are compared to the millisecond: a copy stamped with the device's
// time reads back equal, whatever rounding the file system's clock adds.
std::int64_t Milliseconds(TDateTime time)
{
    return std::llround(time * 86400000.0);
}

QString ExtensionOf(const QString &name)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.mid(dot + 1);
}

} // namespace

TBackupRun::TBackupRun(TPortableDevice &device, const TBackupConfig &config, TProgressLog &log, TRunMode mode)
    : FDevice(device), FContent(device.Content()), FConfig(config), FLog(log), FMode(mode)
{
    FRunner.SetInlineLimit(InlineCopyLimit);
    FTotals.Preview = IsPreview();
    // A preview must not even leave the case probe's file behind.
    FTargetNames.SetReadOnly(IsPreview());
}

void TBackupRun::SetProgressHandler(TRunProgressMeter::THandler handler)
{
    const bool preview = IsPreview();
    FMeter.SetHandler([preview, handler = std::move(handler)](const TRunProgress &progress) {
        TRunProgress report = progress;
        report.Preview = preview;
        handler(report);
    });
}

void TBackupRun::Cancel()
{
    FCancelled = true;
    const std::lock_guard<std::mutex> lock(FWorkerMutex);
    if (FWorker != nullptr)
        FWorker->CancelThread();
}

void TBackupRun::BackupSelected(const QList<int> &selection)
{
    if (selection.isEmpty()) {
        FLog.LogLine(NoDirectorySelectedText(), 0);
        return;
    }
    try {
        PlanSelected(selection);
        // %device% makes the name one harmless path component itself.
        const QString deviceName = FDevice.DeviceName();
        const QDate today = QDate::currentDate();
        for (int index : selection) {
            if (IsCancelled())
                break;
            FFileCount = 0;
            FCopyOptions = TCopyOptions{coOverwrite, coTimeStamp};
            if (FConfig.CompressAsZip)
                FCopyOptions.Include(coZipCompress);

            const QString root = JoinPath(ExpandDestPlaceholders(FConfig.Destination, deviceName, today),
                                          LocalObjectPath(FContent, index));
            FLog.LogLine(DestinationDirText(root), 2);
            BackupFolder(index, root, QString());
            FLog.LogLine(IsPreview() ? FilesWouldBeCopiedText(FFileCount) : FilesCopiedText(FFileCount), 2);
        }
    } catch (...) {
        // The device went away: what failed until then still stands out.
        FinishRun();
        throw;
    }
    if (IsCancelled()) {
        FTotals.Cancelled = true;
        FLog.LogLine(BackupCancelledText(), 0);
    }
    if (IsPreview())
        FLog.LogLine(
            PreviewTotalsText(FTotals.Copied, FTotals.BytesCopied, FTotals.Updated, FTotals.Skipped, FTotals.Excluded),
            0);
    FinishRun();
}

void TBackupRun::FinishRun()
{
    LogFailureSummary();
    FMeter.Finish();
}

void TBackupRun::LogFailureSummary()
{
    if (FFailures.empty())
        return;
    FLog.LogLine(FailedFilesHeadingText(int(FFailures.size())), 0);
    for (const auto &[path, error] : FFailures)
        FLog.LogLine(FailedFileText(path, error), 4);
}

void TBackupRun::PlanSelected(const QList<int> &selection)
{
    const TDateTime today = TodayLocal();
    int files = 0;
    qint64 bytes = 0;
    for (int index : selection)
        PlanFolder(index, today, files, bytes);
    FMeter.SetTotals(files, bytes);
}

void TBackupRun::PlanFolder(int index, TDateTime today, int &files, qint64 &bytes)
{
    TPortableDeviceObject *folder = FContent.GetObject(index);
    if (folder == nullptr || IsCancelled())
        return;
    const int childCount = folder->ChildCount();
    // In the run's order: subfolders first, then the folder's own files.
    for (int i = 0; i < childCount; ++i) {
        TPortableDeviceObject *child = folder->GetChild(i);
        if (child != nullptr && (child->ObjectType() == otFolder || child->ObjectType() == otRoot))
            PlanFolder(child->Index(), today, files, bytes);
    }
    for (int i = 0; i < childCount; ++i) {
        TPortableDeviceObject *child = folder->GetChild(i);
        if (child == nullptr || child->ObjectType() != otFile)
            continue;
        const TFileFacts facts = FactsOf(*child);
        if (!FConfig.FFilter.MatchesFilter(facts.Name) || !FConfig.TmPeriod.InTimeSlot(facts.DeviceTime, today))
            continue;
        ++files;
        bytes = AddBytes(bytes, facts.Size);
    }
}

TBackupRun::TFileFacts TBackupRun::FactsOf(TPortableDeviceObject &file)
{
    const int index = file.Index();
    if (index < 0)
        return ReadFacts(file);
    if (std::size_t(index) >= FFacts.size())
        FFacts.resize(std::max<std::size_t>(std::size_t(index) + 1, std::size_t(FContent.ObjectCount())));
    TFileFacts &known = FFacts[std::size_t(index)];
    if (!known.Known)
        known = ReadFacts(file);
    return known;
}

TBackupRun::TFileFacts TBackupRun::ReadFacts(TPortableDeviceObject &file)
{
    TFileFacts facts;
    facts.Known = true;
    facts.Name = file.DisplayName();
    facts.LocalTime = file.LastWriteTime();
    facts.DeviceTime = DeviceTimeToUtc(facts.LocalTime, FZoneOffsets);
    facts.Size = std::max<qint64>(file.Size(), 0);
    return facts;
}

void TBackupRun::BackupFolder(int index, const QString &root, const QString &relativePath)
{
    const QString folderDest = JoinPath(root, relativePath);
    if (!IsPreview()) {
        // Created whether or not a file will go into it; a failure shows up in the copies.
        QDir().mkpath(folderDest);
        // What a killed run left half-written here would lie there for good.
        for (const QString &leftover : RemoveLeftoverPartFiles(folderDest))
            FLog.LogLine(LeftoverRemovedText(leftover), 4);
    }
    const TDateTime today = TodayLocal();

    TPortableDeviceObject *folder = FContent.GetObject(index);
    if (folder == nullptr || IsCancelled())
        return;

    const int childCount = folder->ChildCount();
    for (int i = 0; i < childCount && !IsCancelled(); ++i) {
        TPortableDeviceObject *child = folder->GetChild(i);
        // Storages count as folders here: below a selected device node they
        // are its first level.
        if (child != nullptr && (child->ObjectType() == otFolder || child->ObjectType() == otRoot))
            BackupFolder(child->Index(), root, JoinPath(relativePath, LocalNameOf(child->DisplayName())));
    }
    if (IsCancelled())
        return;

    const QString status = SubdirectoryText(folder->Path());
    FLog.LogLine(status, 2);
    FLog.SetStatus(status);
    ReportFolderListingError(*folder);

    // The names of the folder's files are fetched in one pass before the first
    // copy; their targets are planned together, so that no two files of the
    // run share one.
    std::vector<TPortableDeviceObject *> files;
    std::vector<TTargetNames::TFile> wanted;
    for (int i = 0; i < childCount; ++i) {
        TPortableDeviceObject *child = folder->GetChild(i);
        if (child != nullptr && child->ObjectType() == otFile) {
            const QString name = FactsOf(*child).Name;
            files.push_back(child);
            wanted.push_back({child->Index(), LocalNameOf(name), TargetSuffix(name)});
        }
    }
    const std::vector<QString> targets = FTargetNames.PlanFolder(folderDest, wanted);
    // Existing copies are looked up by name in the open folder, read once
    // right before its files: a name it did not hold needs no look at all.
    const TFileDescriptor folderFd(files.empty() ? -1 : OpenDestinationFolder(folderDest));
    const TFolderEntries entries = TFolderEntries::Read(folderFd.Get());
    const bool plain = folderFd.IsOpen() && IsPlainLocalFileSystem(folderFd.Get());
    const int newFileMode = plain ? NewFileModeIn(folderFd.Get()) : -1;
    for (std::size_t i = 0; i < files.size() && !IsCancelled(); ++i)
        BackupFile(*files[i], {folderDest, folderFd.Get(), plain, newFileMode, entries}, targets[i], today);
}

int TBackupRun::OpenDestinationFolder(const QString &folderDest)
{
    const QByteArray path = QFile::encodeName(folderDest);
    const int fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    // A folder that may be written but not read still serves for lookups.
    return fd >= 0 ? fd : ::open(path.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
}

QString TBackupRun::TargetSuffix(const QString &name) const
{
    if (FConfig.CompressAsZip)
        return QStringLiteral(".zip");
    return Compresses(name) ? QStringLiteral(".gz") : QString();
}

bool TBackupRun::Compresses(const QString &name) const
{
    return FConfig.Compress && !IsNoCompType(FConfig.AktNoComp, ExtensionOf(name));
}

void TBackupRun::ReportFolderListingError(TPortableDeviceObject &folder)
{
    const TErrorList &errors = FContent.ErrorObjects();
    for (int i = 0; i < errors.Count(); ++i) {
        if (errors.Strings(i).compare(folder.ObjectID(), Qt::CaseInsensitive) != 0)
            continue;
        FLog.LogLine(ErrorLineText(FolderNotListedText(folder.Path(), errors.GetErrorCode(i))), 0);
        ++FTotals.FolderErrors;
        return;
    }
}

void TBackupRun::BackupFile(TPortableDeviceObject &file, const TDestinationFolder &folder, const QString &targetName,
                            TDateTime today)
{
    const TFileFacts facts = FactsOf(file);
    const QString &name = facts.Name;
    const bool matches = FConfig.FFilter.MatchesFilter(name);
    if (!matches || !FConfig.TmPeriod.InTimeSlot(facts.DeviceTime, today)) {
        ++FTotals.Excluded;
        if (IsPreview())
            FLog.LogLine(WouldSkipText(name, matches ? TSkipReason::TimeSlot : TSkipReason::Filter), 4);
        return;
    }

    const QString target = JoinPath(folder.Path, targetName);
    const bool compress = Compresses(name);
    FCopyOptions.Set(coCompress, compress);
    // The name another file of the run took, and the one this file got instead.
    const bool renamed = targetName != LocalNameOf(name) + TargetSuffix(name);

    const TPortableDeviceObject *started = &file;
    FMeter.FileStarted([started] { return started->Path(); }, facts.Size);
    TDateTime existingTime = 0;
    bool noEntry = !folder.Entries.MayHold(QFile::encodeName(targetName));
    const bool exists = !noEntry && XlFileExistsWithWriteTimeIn(folder.Fd, targetName, target, existingTime, &noEntry);
    const bool write = ShouldWrite(exists, existingTime, facts.DeviceTime);
    if (IsPreview()) {
        PreviewFile(facts, exists, write, renamed, targetName);
        return;
    }
    if (!write) {
        FLog.LogLine(SkippedText(name), 4);
        if (renamed)
            FLog.LogLine(SavedAsText(name, targetName), 6);
        ++FTotals.Skipped;
        FMeter.FileFinished(false);
        return;
    }
    FLog.LogLine(CopiedText(name, exists), 4);
    if (renamed)
        FLog.LogLine(SavedAsText(name, targetName), 6);

    const int warningsBefore = FTotals.Warnings;
    QString error;
    TFileTime stamped = 0;
    if (!CopyFile(file, facts, target, folder, noEntry, error, stamped)) {
        if (IsCancelled())
            return;
        ++FTotals.Failed;
        FFailures.emplace_back(file.Path(), error);
        FMeter.FileFinished(false);
        return;
    }
    ++FFileCount;
    ++FTotals.Copied;
    if (exists)
        ++FTotals.Updated;
    FTotals.BytesCopied = AddBytes(FTotals.BytesCopied, facts.Size);
    FMeter.FileFinished(true);

    // Only a copy that was written gets the device's time and the archive
    // attribute: a failed one must look old, so that the next run copies again.
    // A file whose times the worker could not set has had its one warning.
    // The worker stamped the copy already; the run's reading of the device's
    // local time differs from it only around a change of daylight saving time.
    const bool stampedRight = stamped == DateTimeToFileTime(facts.DeviceTime);
    const std::uint32_t timeError =
        FTotals.Warnings == warningsBefore && !stampedRight ? SetFileWriteTime(target, facts.DeviceTime) : 0;
    if (timeError != 0) {
        FLog.LogLine(ErrorLineText(SystemErrorText(timeError)), 0);
        ++FTotals.Warnings;
    }
    if (FConfig.ArchBit)
        SetFileAttributes(target, FILE_ATTRIBUTE_ARCHIVE);
}

void TBackupRun::PreviewFile(const TFileFacts &facts, bool exists, bool write, bool renamed, const QString &targetName)
{
    const bool replaceAll = FConfig.Overwrite == owAll;
    if (!write) {
        FLog.LogLine(WouldSkipText(facts.Name,
                                   FConfig.Overwrite == owNone ? TSkipReason::NeverOverwrite : TSkipReason::NotOlder),
                     4);
        ++FTotals.Skipped;
    } else {
        FLog.LogLine(exists ? WouldUpdateText(facts.Name, replaceAll) : WouldCopyText(facts.Name), 4);
        ++FFileCount;
        ++FTotals.Copied;
        if (exists)
            ++FTotals.Updated;
        FTotals.BytesCopied = AddBytes(FTotals.BytesCopied, facts.Size);
    }
    if (renamed)
        FLog.LogLine(SavedAsText(facts.Name, targetName), 6);
    // Nothing is copied: a preview shows no rate and no time left.
    FMeter.FileFinished(false);
}

bool TBackupRun::ShouldWrite(bool exists, TDateTime existingTime, TDateTime deviceTime) const
{
    switch (FConfig.Overwrite) {
    case owAll:
        return true;
    case owNone:
        return !exists;
    default:
        return !exists || Milliseconds(existingTime) < Milliseconds(deviceTime);
    }
}

bool TBackupRun::CopyFile(TPortableDeviceObject &file, const TFileFacts &facts, const QString &target,
                          const TDestinationFolder &folder, bool noEntry, QString &error, TFileTime &stamped)
{
    stamped = 0;
    TFileData data;
    const HRESULT result = file.GetFileData(data, facts.Name, facts.Size, facts.LocalTime);
    if (Failed(result)) {
        error = DeviceReadErrorText(static_cast<std::uint32_t>(result));
        FLog.LogLine(ErrorLineText(error), 0);
        return false;
    }
    TWinCopyThread worker(data, target, FCopyOptions, true, tpNormal);
    worker.SetRunner(&FRunner);
    worker.SetPlainCrc(false);
    worker.SetNoEntrySeen(noEntry);
    worker.SetDestinationFolder(folder.Fd);
    worker.SetCloseReportsNothing(folder.PlainFileSystem);
    worker.SetNewFileMode(folder.NewFileMode);
    // The worker only counts; the run reads the count while it waits.
    std::atomic<qint64> bytesDone{0};
    worker.SetOnProgress([&bytesDone](TFileAction, std::int64_t count, bool) {
        if (count >= 0)
            bytesDone.store(count, std::memory_order_relaxed);
    });
    RunWorker(worker, bytesDone);
    // A copy stopped by Cancel leaves nothing behind; the run's end says it was cancelled.
    if (IsCancelled() && (static_cast<std::uint32_t>(worker.ErrorCode()) & 0xFFFu) == CopyErrorCancelled)
        return false;
    if (worker.ErrorCode() != 0 && worker.DataWritten()) {
        // The content is safe; the user learns that its date or attributes are not.
        FLog.LogLine(ErrorLineText(CopyWarningText(worker.SysErrorMsg(), worker.ErrorCode())), 0);
        ++FTotals.Warnings;
    } else if (worker.ErrorCode() != 0) {
        error = CopyErrorText(worker.SysErrorMsg(), worker.ErrorCode());
        FLog.LogLine(ErrorLineText(error), 0);
        return false;
    }
    if (worker.ErrorCode() == 0 && worker.CopyTimeStamp())
        stamped = data.TimeStamps.LastWriteTime;
    return true;
}

void TBackupRun::RunWorker(TWinCopyThread &worker, const std::atomic<qint64> &bytesDone)
{
    {
        const std::lock_guard<std::mutex> lock(FWorkerMutex);
        FWorker = &worker;
        if (IsCancelled())
            worker.CancelThread();
    }
    worker.Start();
    // Wakes now and then so that a large file shows its own progress.
    while (!worker.WaitFor(ProgressPollMs))
        FMeter.FileProgress(bytesDone.load(std::memory_order_relaxed));
    const std::lock_guard<std::mutex> lock(FWorkerMutex);
    FWorker = nullptr;
}
