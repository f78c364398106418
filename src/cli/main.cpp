// tessaril-cli: the main job on the command line, on the same core as the window.

#include "app/LogMessages.h"
#include "app/MainJob.h"
#include "base/TextDomains.h"
#include "cli/CliOptions.h"
#include "cli/ConsoleLog.h"
#include "cli/ScheduleCommand.h"
#include "cli/TaskRun.h"
#include "cli/TaskWatch.h"
#include "device/BackendChoice.h"
#include "device/DeviceError.h"
#include "device/DeviceServices.h"
#include "device/PortableDevice.h"
#include "device/PortableDeviceContent.h"
#include "env/ProgramVersion.h"

#include "app/Placeholders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <csignal>
#include <cstdio>
#include <functional>
#include <thread>
#include <unistd.h>

namespace {

// Ctrl-C or SIGTERM stops the run: the file under way is abandoned (an
// earlier copy of it stays; it is not counted as failed) and no further file
// is begun. A second one ends at once. The job works on this thread without
// an event loop, so a thread of its own waits for the signal handler's byte
// and cancels the run.
int CancelPipe[2] = {-1, -1};

void OnInterrupt(int signalNumber)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(CancelPipe[1], &byte, 1);
    std::signal(signalNumber, SIG_DFL);
}

class TCancelOnInterrupt
{
public:
    explicit TCancelOnInterrupt(std::function<void()> cancel)
    {
        if (::pipe(CancelPipe) != 0)
            return;
        FWatcher = std::thread([cancel = std::move(cancel)] {
            char byte = 0;
            // A byte is a signal; the end of the pipe is the end of the job.
            if (::read(CancelPipe[0], &byte, 1) == 1 && byte == 1)
                cancel();
        });
        std::signal(SIGINT, OnInterrupt);
        std::signal(SIGTERM, OnInterrupt);
    }
    ~TCancelOnInterrupt()
    {
        if (!FWatcher.joinable())
            return;
        std::signal(SIGINT, SIG_DFL);
        std::signal(SIGTERM, SIG_DFL);
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

int ListDevices(TMainJob &job, bool idsOnly)
{
    TPortableDeviceManager &manager = job.DevManager();
    manager.Refresh();
    if (idsOnly) {
        // Tabs and line breaks in a device's name must not split its line.
        const auto field = [](QString text) {
            text.replace(QLatin1Char('\t'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
            return text.replace(QLatin1Char('\r'), QLatin1Char(' '));
        };
        for (const TDeviceListEntry &entry : manager.DeviceList())
            std::fprintf(stdout, "device\t%s\t%s\n", field(entry.DeviceID).toUtf8().constData(),
                         field(entry.Data.FriendlyName).toUtf8().constData());
        return exOk;
    }
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
        detail(QStringLiteral("Backend:"), DeviceBackendName(device->DeviceID()));
    }
    return status;
}

void PrintTree(TPortableDeviceContent &content, TPortableDeviceObject &object, int depth, bool showFiles)
{
    for (int i = 0; i < object.ChildCount(); ++i) {
        TPortableDeviceObject *child = object.GetChild(i);
        if (child == nullptr)
            continue;
        const QString indent(qsizetype(depth) * 2, QLatin1Char(' '));
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

TRunView RunViewOf(const TCliArguments &args)
{
    TRunView view;
    view.Mode = args.DryRun ? TRunMode::Preview : TRunMode::Backup;
    view.Quiet = args.Quiet;
    view.ShowProgress = args.Progress.value_or(!args.Quiet);
    return view;
}

int RunTask(TMainJob &job, const TCliArguments &args)
{
    const TTaskRunOutcome outcome = RunTaskFile(job, args.TaskFile, args.LogFile, RunViewOf(args));
    if (args.Notify)
        NotifyRunEnd(args.TaskFile, outcome, args.LogFile);
    return outcome.Status;
}

int RunBackup(TMainJob &job, const TCliArguments &args)
{
    QString error;
    if (!ApplyBackupOptions(args.Backup, job.Config, error))
        return Fail(error);
    // As command-line tools do, a relative destination means one below the working folder.
    if (!job.Config.Destination.isEmpty() && !QDir::isAbsolutePath(job.Config.Destination))
        job.Config.Destination = QDir::current().absoluteFilePath(job.Config.Destination);
    const TRunView view = RunViewOf(args);
    TRunConsole console(job, view);
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
    const TRunTotals totals = job.BackupSelected(view.Mode);
    console.Flush();
    const bool logSaved = SaveLog(job, args.LogFile);
    if (!totals.Refused.isEmpty())
        return Fail(totals.Refused);
    PrintSummary(totals);
    if (!view.Quiet && !totals.Preview)
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
    case TCliCommand::Schedule:
        return ScheduleTask(args);
    case TCliCommand::Watch: {
        TTaskWatch watch(args.TaskFiles, args.RescanSeconds, args.Backends);
        const TCancelOnInterrupt cancelOnInterrupt([&watch] { watch.Stop(); });
        return watch.Run();
    }
    default:
        break;
    }
    TMainJob job;
    const TCancelOnInterrupt cancelOnInterrupt([&job] { job.CancelRun(); });
    switch (args.Command) {
    case TCliCommand::Devices:
        return ListDevices(job, args.DeviceIds);
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
