#pragma once

#include "base/FileData.h"

#include <QString>

#include <cstdint>

// Every text the main job writes to the progress log, translated and filled by
// safe formatting. Indents are the callers' business (see TProgressLog).

QString CounterLineText(int count);                    // "    %u objects found"
QString LoadingDeviceListText();                       // "Loading device list"
QString DevicesFoundText(int count);                   // "No portable device found" / ...
QString SelectedDeviceText(const QString &deviceName); // "Selected: <name>"
QString ReadingStructureText();                        // "Reading the directory structure"
QString DirectoriesFoundText(int count);               // "%u directories found"
QString StructureErrorsText();                         // "* Errors occurred ...:"
QString ObjectErrorText(const QString &id, const QString &name, std::uint32_t code);
QString DestinationDirText(const QString &dir);        // "Destination directory: <dir>"
QString SubdirectoryText(const QString &devicePath);   // "Subdirectory: <path>"
QString CopiedText(const QString &name, bool updated); // "+ Copied: name" / "+ Updated: name"
QString SkippedText(const QString &name);              // "- Skipped: name"
QString ErrorLineText(const QString &error);           // "  *** <error>"
QString FilesCopiedText(int count);                    // "No files copied" / ...
QString NoDirectorySelectedText();                     // "No directory selected"
QString RunSeparatorText();                            // 25 equals signs
QString RunStartText(TDateTime start, const QString &taskFile);
QString RunFinishedText(TDateTime start, TDateTime end);

// Texts of the mended faults and of the run's own checks.
QString DeviceReadErrorText(std::uint32_t code); // a file the device would not hand out
QString CopyErrorText(const QString &sysErrorMsg, std::int32_t errorCode);
// A part file of a killed run, removed when the run entered its folder.
QString LeftoverRemovedText(const QString &name);
// A copy whose data was kept although its time stamps or attributes could not be set.
QString CopyWarningText(const QString &sysErrorMsg, std::int32_t errorCode);
QString FolderNotListedText(const QString &devicePath, std::uint32_t code);
QString SavedFolderNotFoundText(const QString &path);
QString BackupCancelledText();
// Said before the technical line when the device stops answering during work.
QString DeviceLostText();
QString DeviceNotReadyText(const QString &deviceName);
QString TaskNotValidText(const QString &taskFile);
QString TaskSelectsNoFolderText();
QString TaskFilterErrorText(const QString &filterError);
QString NoStorageText();
QString FilterExcludesAllText();
QString DeviceOpenErrorText(const QString &deviceName, const QString &error);
// A file saved under another name because an earlier file of the run took its own.
QString SavedAsText(const QString &name, const QString &localName);

// Why a preview would pass a file over.
enum class TSkipReason
{
    NotOlder,       // the overwrite rule "existing files when older"
    NeverOverwrite, // the overwrite rule "no existing files"
    Filter,
    TimeSlot
};

// Lines of a preview, which says per file what a run would do.
QString WouldCopyText(const QString &name);                     // "+ Would copy: name"
QString WouldUpdateText(const QString &name, bool replaceAll);  // "+ Would update: name (why)"
QString WouldSkipText(const QString &name, TSkipReason reason); // "- Would skip: name (why)"
QString FilesWouldBeCopiedText(int count);
QString PreviewTotalsText(int copies, qint64 bytes, int updates, int skipped, int excluded);
// The run's end lists the failed files again under this heading ("* 3 files failed:").
QString FailedFilesHeadingText(int count);
QString FailedFileText(const QString &devicePath, const QString &error);

// Locale date and time of a local TDateTime, as the log shows them.
QString LocalDateTimeText(TDateTime time);
// "hh:nn:ss" of a duration in days, hours with at least two digits.
QString DurationText(TDateTime start, TDateTime end);
