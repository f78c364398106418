// tessaril-cli: the main job on the command line, on the same core as the window.

#include "app/LogMessages.h"
#include "app/MainJob.h"
#include "base/TextDomains.h"
#include "cli/CliOptions.h"
#include "cli/ConsoleLog.h"
#include "device/BackendChoice.h"
#include "device/DeviceError.h"
#include "device/PortableDevice.h"
#include "device/PortableDeviceContent.h"
#include "env/ProgramVersion.h"

#include "app/Placeholders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <csignal>
#include <cstdio>
#include <thread>
#include <unistd.h>

namespace {

enum TExitStatus
{
    exOk = 0,
    exFilesFailed = 1,
    exCannotStart = 2
};

int Fail(const QString &reason)
{
    std::fprintf(stderr, "tessaril-cli: %s\n", ConsoleText(reason).toUtf8().constData());
    return exCannotStart;
}

void Print(const QString &text)
{
    std::fputs((ConsoleText(text) + QLatin1Char('\n')).toUtf8().constData(), stdout);
}

// Ctrl-C stops the run: the file under way is abandoned (an earlier copy of it
// stays; it is not counted as failed) and no further file is begun. A second
// one ends at once. The job works on this thread without an event loop, so a
// thread of its own waits for the signal handler's byte and cancels the run.
int CancelPipe[2] = {-1, -1};

void OnInterrupt(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(CancelPipe[1], &byte, 1);
    std::signal(SIGINT, SIG_DFL);
}

class TCancelOnInterrupt
{
public:
    explicit TCancelOnInterrupt(TMainJob &job)
    {
        if (::pipe(CancelPipe) != 0)
            return;
        FWatcher = std::thread([&job] {
            char byte = 0;
            // A byte is Ctrl-C; the end of the pipe is the end of the job.
            if (::read(CancelPipe[0], &byte, 1) == 1 && byte == 1)
                job.CancelRun();
        });
        std::signal(SIGINT, OnInterrupt);
    }
    ~TCancelOnInterrupt()
    {
        if (!FWatcher.joinable())
            return;
        std::signal(SIGINT, SIG_DFL);
        const char end = 0;
        [[maybe_unused]] const ssize_t written = ::write(CancelPipe[1], &end, 1);
        FWatcher.join();
        ::close(CancelPipe[0]);
        ::close(CancelPipe[1]);
    }
    TCancelOnInterrupt(const TCancelOnInterrupt &) = delete;
    TCancelOnInterrupt &operator=(const TCancelOnInterrupt &) = delete;

private:
    std::thread FWatcher;
};

int ExitStatusOf(const TRunTotals &totals)
{
    // A copy without its time stamps is kept, but scripts must notice it.
    return (totals.Failed > 0 || totals.FolderErrors > 0 || totals.Warnings > 0 || totals.Cancelled ||
            !totals.Refused.isEmpty())
               ? exFilesFailed
               : exOk;
}

void PrintSummary(const TRunTotals &totals)
{
    if (!totals.Refused.isEmpty())
        std::fprintf(stderr, "tessaril-cli: the run did not start: %s\n", qPrintable(ConsoleText(totals.Refused)));
    std::fprintf(
        stderr, "tessaril-cli: %d copied, %d skipped, %d failed%s%s%s\n", totals.Copied, totals.Skipped, totals.Failed,
        totals.Warnings > 0 ? qPrintable(QStringLiteral(", %1 with warnings").arg(totals.Warnings)) : "",
        totals.FolderErrors > 0 ? qPrintable(QStringLiteral(", %1 folders unreadable").arg(totals.FolderErrors)) : "",
        totals.Cancelled ? ", cancelled" : "");
}

bool SaveLog(TMainJob &job, const QString &logFile)
{
    if (logFile.isEmpty())
        return true;
    const QString error = job.Log().SaveToFile(logFile);
    if (error.isEmpty())
        return true;
    std::fprintf(stderr, "tessaril-cli: cannot save the log to %s: %s\n", qPrintable(logFile), qPrintable(error));
    return false;
}

int NoStorage()
{
    std::fprintf(stderr, "tessaril-cli: %s\n", ConsoleText(NoStorageText()).toUtf8().constData());
    return exFilesFailed;
}

// "Battery (80%)"; nothing for a device that reports no power data, no level
// for one that reports an impossible one.
QString PowerText(const TPortableDevice &device)
{
    if (!device.ReportsPowerData())
        return {};
    const std::uint32_t level = device.PowerLevel();
    if (level > 100)
        return device.PowerSourceAsString();
    return QStringLiteral("%1 (%2%)").arg(device.PowerSourceAsString()).arg(level).trimmed();
}

int ListDevices(TMainJob &job)
{
    TPortableDeviceManager &manager = job.DevManager();
    manager.Refresh();
    Print(DevicesFoundText(int(manager.DeviceCount())));
    int status = exOk;
    for (int i = 0; i < int(manager.DeviceCount()); ++i) {
        TPortableDevice *device = nullptr;
        // A device that cannot be opened is listed with its error; the others follow.
        try {
            device = manager.GetDevice(i);
        } catch (const EDeviceCallError &e) {
            Print(QString());
            Print(manager.DeviceFriendlyName(i));
            Print(QStringLiteral("  ") + e.Message());
            status = exFilesFailed;
            continue;
        }
        if (device == nullptr)
            continue;
        Print(QString());
        Print(device->DeviceName());
        const auto detail = [](const QString &label, const QString &value) {
            if (!value.isEmpty())
                Print(QStringLiteral("  %1 %2").arg(label, -14).arg(value));
        };
        detail(PrgText::tr("Manufacturer:"), device->Manufacturer());
        detail(PrgText::tr("Description:"), device->Description());
        detail(PrgText::tr("Type:"), device->DeviceTypeAsString());
        detail(PrgText::tr("Power source:"), PowerText(*device));
        detail(PrgText::tr("Firmware:"), device->Firmware());
        detail(QStringLiteral("Model:"), device->Model());
        detail(QStringLiteral("Serial number:"), device->SerialNumber());
    }
    return status;
}

void PrintTree(TPortableDeviceContent &content, TPortableDeviceObject &object, int depth, bool showFiles)
{
    for (int i = 0; i < object.ChildCount(); ++i) {
        TPortableDeviceObject *child = object.GetChild(i);
        if (child == nullptr)
            continue;
        const QString indent(depth * 2, QLatin1Char(' '));
        const TObjectType type = child->ObjectType();
        if (type == otRoot || type == otFolder) {
            Print(indent + child->DisplayName() + QLatin1Char('/'));
            PrintTree(content, *child, depth + 1, showFiles);
        } else if (showFiles && type == otFile) {
            // One pass, so that a "%1" in a device's file name stays text.
            Print(QStringLiteral("%1%2  (%3 bytes, %4)")
                      .arg(indent, child->DisplayName(), QString::number(child->Size()),
                           LocalDateTimeText(child->LastWriteTime())));
        }
    }
}

int ShowTree(TMainJob &job, const TCliArguments &args)
{
    job.DevManager().Refresh();
    if (!job.SelectDeviceByName(args.Device, false))
        return Fail(QStringLiteral("no device named \"%1\" is connected").arg(args.Device));
    TPortableDeviceContent &content = job.Device()->Content();
    TPortableDeviceObject *root = content.DeviceObject();
    if (root == nullptr)
        return Fail(QStringLiteral("the device \"%1\" reports no contents").arg(args.Device));
    Print(root->DisplayName());
    PrintTree(content, *root, 1, args.ShowFiles);
    // The job's log holds the objects whose children could not be listed.
    const TErrorList &errors = content.ErrorObjects();
    if (errors.Count() == 0)
        return exOk;
    for (const QString &line : job.Log().Lines().mid(job.Log().Lines().indexOf(StructureErrorsText())))
        std::fprintf(stderr, "%s\n", qPrintable(ConsoleText(line)));
    return exFilesFailed;
}

int RunTask(TMainJob &job, const TCliArguments &args)
{
    const QFileInfo task(args.TaskFile);
    if (!task.isFile() || !task.isReadable())
        return Fail(QStringLiteral("cannot read the task file %1").arg(args.TaskFile));
    TConsoleLog console(job.Log(), stdout, ::isatty(STDOUT_FILENO) != 0);
    job.RefreshDeviceList(StartHeaderText());
    job.TaskName = task.absoluteFilePath();
    job.ForceTask = true;

    QString notReady;
    TRunTotals totals;
    // The command line never waits for a device: the question's text is the reason.
    const bool ran = job.RunCommandLineTask(
        [&notReady](const QString &question) {
            notReady =
                question.section(QStringLiteral("\r\n"), 0, 1).replace(QStringLiteral("\r\n"), QStringLiteral(" "));
            return false;
        },
        QString(), &totals);
    console.Flush();
    if (!ran) {
        if (!job.Refusal().isEmpty())
            return Fail(job.Refusal());
        if (job.Device() != nullptr && job.Device()->Content().RootCount() == 0)
            return NoStorage();
        if (!notReady.isEmpty())
            return Fail(notReady);
        const QString last = job.Log().Lines().isEmpty() ? QString() : job.Log().Lines().last().trimmed();
        return Fail(QStringLiteral("the task %1 could not be loaded%2")
                        .arg(args.TaskFile,
                             last.startsWith(QStringLiteral("***")) ? QStringLiteral(": ") + last.mid(4) : QString()));
    }
    const bool logSaved = SaveLog(job, args.LogFile);
    PrintSummary(totals);
    // A task that no longer finds one of its folders has not backed up what it names.
    if (job.MissingFolders() > 0) {
        std::fprintf(stderr, "tessaril-cli: %d saved folders not found on the device\n", job.MissingFolders());
        return exFilesFailed;
    }
    return logSaved ? ExitStatusOf(totals) : exFilesFailed;
}

int RunBackup(TMainJob &job, const TCliArguments &args)
{
    QString error;
    if (!ApplyBackupOptions(args.Backup, job.Config, error))
        return Fail(error);
    // As command-line tools do, a relative destination means one below the working folder.
    if (!job.Config.Destination.isEmpty() && !QDir::isAbsolutePath(job.Config.Destination))
        job.Config.Destination = QDir::current().absoluteFilePath(job.Config.Destination);
    TConsoleLog console(job.Log(), stdout, ::isatty(STDOUT_FILENO) != 0);
    job.RefreshDeviceList();
    if (!job.SelectDeviceByName(args.Device, args.Backup.Dirs.isEmpty())) {
        console.Flush();
        return Fail(QStringLiteral("no device named \"%1\" is connected").arg(args.Device));
    }
    TPortableDeviceContent &content = job.Device()->Content();
    if (content.RootCount() == 0) {
        console.Flush();
        return NoStorage();
    }
    for (const QString &dir : args.Backup.Dirs) {
        const int index = content.GetObjectIndexByPath(DevicePathFromArgument(dir));
        if (index < 0) {
            console.Flush();
            return Fail(QStringLiteral("no folder %1 on the device \"%2\"").arg(dir, args.Device));
        }
        job.Selection.append(index);
    }
    if (!args.Backup.SaveTask.isEmpty()) {
        const QString saveError = job.SaveTask(args.Backup.SaveTask, job.Device()->DeviceName());
        if (!saveError.isEmpty()) {
            console.Flush();
            return Fail(QStringLiteral("cannot save the task: %1").arg(saveError));
        }
    }
    // A run the job refuses (configuration, filter) ends with the reason.
    const TRunTotals totals = job.BackupSelected();
    console.Flush();
    const bool logSaved = SaveLog(job, args.LogFile);
    if (!totals.Refused.isEmpty())
        return Fail(totals.Refused);
    PrintSummary(totals);
    std::fprintf(stderr, "tessaril-cli: written to %s\n",
                 qPrintable(ConsoleText(ExpandDestPlaceholders(job.Config.Destination, job.Device()->DeviceName(),
                                                               QDate::currentDate()))));
    return logSaved ? ExitStatusOf(totals) : exFilesFailed;
}

int Execute(const TCliArguments &args)
{
    switch (args.Command) {
    case TCliCommand::Help:
        std::fputs(CliHelpText().toUtf8().constData(), stdout);
        return exOk;
    case TCliCommand::Version:
        Print(QStringLiteral("tessaril-cli ") + VersionLine(ProgramVersion(), 4));
        return exOk;
    default:
        break;
    }
    TMainJob job;
    const TCancelOnInterrupt cancelOnInterrupt(job);
    switch (args.Command) {
    case TCliCommand::Devices:
        return ListDevices(job);
    case TCliCommand::Tree:
        return ShowTree(job, args);
    case TCliCommand::Run:
        return RunTask(job, args);
    default:
        return RunBackup(job, args);
    }
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tessaril-cli"));

    TCliArguments args;
    QString error;
    if (!ParseCliArguments(QCoreApplication::arguments().mid(1), args, error))
        return Fail(error);
    if (!args.Backends.isEmpty())
        SetDeviceBackends(args.Backends);
    try {
        return Execute(args);
    } catch (const EDeviceCallError &e) {
        return Fail(e.Message());
    } catch (const std::exception &e) {
        return Fail(QString::fromUtf8(e.what()));
    }
}
