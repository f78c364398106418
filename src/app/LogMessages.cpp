#include "app/LogMessages.h"

#include "app/LocaleDates.h"
#include "base/ErrorText.h"
#include "base/SafeFormat.h"
#include "base/TextDomains.h"
#include "env/PluralText.h"
#include "env/SizeText.h"
#include "transfer/CopyCodes.h"

#include <QCoreApplication>
#include <QStringBuilder>

#include <cmath>

QString CounterLineText(int count)
{
    return QStringLiteral("    ") + SafeFormat(PrgText::tr("%u objects found"), count);
}

QString LoadingDeviceListText()
{
    return PrgText::tr("Loading device list");
}

QString DevicesFoundText(int count)
{
    return PluralText(PrgText::tr("No portable device found"), PrgText::tr("1 portable device found"),
                      PrgText::tr("%u portable devices found"), count);
}

QString SelectedDeviceText(const QString &deviceName)
{
    return PrgText::tr("Selected: ") + deviceName;
}

QString ReadingStructureText()
{
    return PrgText::tr("Reading the directory structure");
}

QString DirectoriesFoundText(int count)
{
    return SafeFormat(PrgText::tr("%u directories found"), count);
}

QString StructureErrorsText()
{
    return QStringLiteral("* ") + PrgText::tr("Errors occurred when reading the directory structure") +
           QStringLiteral(":");
}

QString ObjectErrorText(const QString &id, const QString &name, std::uint32_t code)
{
    return SafeFormat(PrgText::tr("Object \"%s\" (%s): %s"), id, name, ErrorCodeText(code));
}

QString DestinationDirText(const QString &dir)
{
    return PrgText::tr("Destination directory") + QStringLiteral(": ") + dir;
}

QString SubdirectoryText(const QString &devicePath)
{
    return PrgText::tr("Subdirectory") + QStringLiteral(": ") + devicePath;
}

QString CopiedText(const QString &name, bool updated)
{
    // Built in one piece: one of these goes into the log for every file.
    return QStringLiteral("+ ") % (updated ? PrgText::tr("Updated") : PrgText::tr("Copied")) % QStringLiteral(": ") %
           name;
}

QString SkippedText(const QString &name)
{
    return QStringLiteral("- ") % PrgText::tr("Skipped") % QStringLiteral(": ") % name;
}

QString ErrorLineText(const QString &error)
{
    return QStringLiteral("  *** ") + error;
}

QString FilesCopiedText(int count)
{
    return PluralText(PrgText::tr("No files copied"), PrgText::tr("1 file copied"), PrgText::tr("%u files copied"),
                      count);
}

QString NoDirectorySelectedText()
{
    return PrgText::tr("No directory selected");
}

QString RunSeparatorText()
{
    return QString(25, QLatin1Char('='));
}

QString RunStartText(TDateTime start, const QString &taskFile)
{
    return QStringLiteral("==> ") + PrgText::tr("Start: ") + LocalDateTimeText(start) + QStringLiteral(" - ") +
           PrgText::tr("Backup task") + QStringLiteral(": ") + taskFile;
}

QString RunFinishedText(TDateTime start, TDateTime end)
{
    return QStringLiteral("==> ") + PrgText::tr("Backup finished") + QStringLiteral(": ") + LocalDateTimeText(end) +
           QStringLiteral(" (") + DurationText(start, end) + QStringLiteral(")");
}

QString DeviceReadErrorText(std::uint32_t code)
{
    return SafeFormat(PrgText::tr("The device could not provide the file: %s"), ErrorCodeText(code));
}

QString CopyErrorText(const QString &sysErrorMsg, std::int32_t errorCode)
{
    if (!sysErrorMsg.isEmpty())
        return sysErrorMsg;
    return SafeFormat(PrgText::tr("Copy failed with error code 0x%.8x"), errorCode);
}

QString LeftoverRemovedText(const QString &name)
{
    return SafeFormat(PrgText::tr("Removed the unfinished copy of an earlier run: %s"), name);
}

QString CopyWarningText(const QString &sysErrorMsg, std::int32_t errorCode)
{
    const bool times = (errorCode & 0xFFF) == CopyErrorSetTimestamps;
    return SafeFormat(times ? PrgText::tr("Copied, but its time stamps could not be set (0x%.8x): %s")
                            : PrgText::tr("Copied, but its attributes could not be set (0x%.8x): %s"),
                      errorCode, sysErrorMsg);
}

QString FolderNotListedText(const QString &devicePath, std::uint32_t code)
{
    return SafeFormat(PrgText::tr("The contents of \"%s\" could not be read: %s"), devicePath, ErrorCodeText(code));
}

QString SavedFolderNotFoundText(const QString &path)
{
    return SafeFormat(PrgText::tr("Saved directory not found on the device: %s"), path);
}

QString DeviceLostText()
{
    return PrgText::tr("The device does not answer any more: it may have been disconnected or locked.");
}

QString BackupCancelledText()
{
    return PrgText::tr("Backup cancelled");
}

QString DeviceNotReadyText(const QString &deviceName)
{
    return SafeFormat(
        PrgText::tr("Portable device \"%s\" is not ready!\r\nPlease connect it to the computer and activate "
                    "the device!\r\nContinue?"),
        deviceName);
}

QString TaskNotValidText(const QString &taskFile)
{
    return SafeFormat(PrgText::tr("The task file \"%s\" is not valid"), taskFile);
}

QString TaskSelectsNoFolderText()
{
    return PrgText::tr("The task file selects no folder");
}

QString TaskFilterErrorText(const QString &filterError)
{
    return SafeFormat(PrgText::tr("The file filter of the task cannot be used: %s"), filterError);
}

QString NoStorageText()
{
    return PrgText::tr("The device shows no storage; is it unlocked?");
}

QString FilterExcludesAllText()
{
    return PrgText::tr("The file filter excludes every file; nothing would be copied");
}

QString DeviceOpenErrorText(const QString &deviceName, const QString &error)
{
    return SafeFormat(PrgText::tr("The device \"%s\" cannot be opened: %s"), deviceName, error);
}

QString SavedAsText(const QString &name, const QString &localName)
{
    return SafeFormat(PrgText::tr("Saved as \"%s\": an earlier file of this run took the name of \"%s\""), localName,
                      name);
}

QString WouldCopyText(const QString &name)
{
    return QStringLiteral("+ ") + PrgText::tr("Would copy") + QStringLiteral(": ") + name;
}

QString WouldUpdateText(const QString &name, bool replaceAll)
{
    return QStringLiteral("+ ") + PrgText::tr("Would update") + QStringLiteral(": ") + name + QStringLiteral(" (") +
           (replaceAll ? PrgText::tr("all existing files are replaced") : PrgText::tr("the existing copy is older")) +
           QStringLiteral(")");
}

QString WouldSkipText(const QString &name, TSkipReason reason)
{
    QString why;
    switch (reason) {
    case TSkipReason::NotOlder:
        why = PrgText::tr("the existing copy is not older");
        break;
    case TSkipReason::NeverOverwrite:
        why = PrgText::tr("existing files are not replaced");
        break;
    case TSkipReason::Filter:
        why = PrgText::tr("not selected by the file filter");
        break;
    case TSkipReason::TimeSlot:
        why = PrgText::tr("outside the time slot");
        break;
    }
    return QStringLiteral("- ") + PrgText::tr("Would skip") + QStringLiteral(": ") + name + QStringLiteral(" (") + why +
           QStringLiteral(")");
}

QString FilesWouldBeCopiedText(int count)
{
    return PluralText(PrgText::tr("No files would be copied"), PrgText::tr("1 file would be copied"),
                      PrgText::tr("%u files would be copied"), count);
}

QString PreviewTotalsText(int copies, qint64 bytes, int updates, int skipped, int excluded)
{
    return SafeFormat(PrgText::tr("Preview, nothing was written: %u files to copy (%s), %u of them replacing "
                                  "existing copies, %u to skip, %u left out by filter or time slot"),
                      copies, FormatSize(bytes), updates, skipped, excluded);
}

QString FailedFilesHeadingText(int count)
{
    return QStringLiteral("* ") +
           PluralText(QString(), PrgText::tr("1 file failed:"), PrgText::tr("%u files failed:"), count);
}

QString FailedFileText(const QString &devicePath, const QString &error)
{
    return devicePath + QStringLiteral(": ") + error;
}

QString LocalDateTimeText(TDateTime time)
{
    return DateText(time) + QLatin1Char(' ') + TimeText(time);
}

QString DurationText(TDateTime start, TDateTime end)
{
    const std::int64_t seconds = std::max<std::int64_t>(0, std::llround((end - start) * 86400.0));
    return SafeFormat(QStringLiteral("%.2d:%.2d:%.2d"), static_cast<qlonglong>(seconds / 3600),
                      static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
}
