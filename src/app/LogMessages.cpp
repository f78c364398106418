#include "app/LogMessages.h"

#include "app/LocaleDates.h"
#include "env/ErrorText.h"
#include "env/PluralText.h"
#include "env/SafeFormat.h"

#include <QCoreApplication>

#include <cmath>

QString Tx(const char *text)
{
    return QCoreApplication::translate("PrgText", text);
}

QString CounterLineText(int count)
{
    return QStringLiteral("    ") + SafeFormat(Tx("%u objects found"), count);
}

QString LoadingDeviceListText()
{
    return Tx("Loading device list");
}

QString DevicesFoundText(int count)
{
    return PluralText(Tx("No portable device found"), Tx("1 portable device found"), Tx("%u portable devices found"),
                      count);
}

QString SelectedDeviceText(const QString &deviceName)
{
    return Tx("Selected: ") + deviceName;
}

QString ReadingStructureText()
{
    return Tx("Reading the directory structure");
}

QString DirectoriesFoundText(int count)
{
    return SafeFormat(Tx("%u directories found"), count);
}

QString StructureErrorsText()
{
    return QStringLiteral("* ") + Tx("Errors occurred when reading the directory structure") + QStringLiteral(":");
}

QString ObjectErrorText(const QString &id, const QString &name, std::uint32_t code)
{
    return SafeFormat(Tx("Object \"%s\" (%s): %s"), id, name, ErrorCodeText(code));
}

QString DestinationDirText(const QString &dir)
{
    return Tx("Destination directory") + QStringLiteral(": ") + dir;
}

QString SubdirectoryText(const QString &devicePath)
{
    return Tx("Subdirectory") + QStringLiteral(": ") + devicePath;
}

QString CopiedText(const QString &name, bool updated)
{
    return QStringLiteral("+ ") + (updated ? Tx("Updated") : Tx("Copied")) + QStringLiteral(": ") + name;
}

QString SkippedText(const QString &name)
{
    return QStringLiteral("- ") + Tx("Skipped") + QStringLiteral(": ") + name;
}

QString ErrorLineText(const QString &error)
{
    return QStringLiteral("  *** ") + error;
}

QString FilesCopiedText(int count)
{
    return PluralText(Tx("No files copied"), Tx("1 file copied"), Tx("%u files copied"), count);
}

QString NoDirectorySelectedText()
{
    return Tx("No directory selected");
}

QString RunSeparatorText()
{
    return QString(25, QLatin1Char('='));
}

QString RunStartText(TDateTime start, const QString &taskFile)
{
    return QStringLiteral("==> ") + Tx("Start: ") + LocalDateTimeText(start) + QStringLiteral(" - ") +
           Tx("Backup task") + QStringLiteral(": ") + taskFile;
}

QString RunFinishedText(TDateTime start, TDateTime end)
{
    return QStringLiteral("==> ") + Tx("Backup finished") + QStringLiteral(": ") + LocalDateTimeText(end) +
           QStringLiteral(" (") + DurationText(start, end) + QStringLiteral(")");
}

QString DeviceReadErrorText(std::uint32_t code)
{
    return SafeFormat(Tx("The device could not provide the file: %s"), ErrorCodeText(code));
}

QString CopyErrorText(const QString &sysErrorMsg, std::int32_t errorCode)
{
    if (!sysErrorMsg.isEmpty())
        return sysErrorMsg;
    return SafeFormat(Tx("Copy failed with error code 0x%.8x"), errorCode);
}

QString FolderNotListedText(const QString &devicePath, std::uint32_t code)
{
    return SafeFormat(Tx("The contents of \"%s\" could not be read: %s"), devicePath, ErrorCodeText(code));
}

QString SavedFolderNotFoundText(const QString &path)
{
    return SafeFormat(Tx("Saved directory not found on the device: %s"), path);
}

QString BackupCancelledText()
{
    return Tx("Backup cancelled");
}

QString DeviceNotReadyText(const QString &deviceName)
{
    return SafeFormat(Tx("Portable device \"%s\" is not ready!\r\nPlease connect it to the computer and activate "
                         "the device!\r\nContinue?"),
                      deviceName);
}

QString LocalDateTimeText(TDateTime time)
{
    const QDateTime qt = DateTimeToQt(time);
    return DateText(qt.date()) + QLatin1Char(' ') + TimeText(qt.time());
}

QString DurationText(TDateTime start, TDateTime end)
{
    const std::int64_t seconds = std::max<std::int64_t>(0, std::llround((end - start) * 86400.0));
    return SafeFormat(QStringLiteral("%.2d:%.2d:%.2d"), static_cast<qlonglong>(seconds / 3600),
                      static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
}
