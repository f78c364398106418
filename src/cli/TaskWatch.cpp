#include "cli/TaskWatch.h"

#include "app/Locations.h"
#include "app/ProgressLog.h"
#include "settings/IniFile.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QProcess>
#include <QSet>
#include <QStandardPaths>

#include <csignal>
#include <cstdio>

namespace {

// One lock file per device name, where every process of this user finds it.
QString DeviceLockFile(const QString &deviceName)
{
    // Without a runtime folder (no login session) the temporary folder serves.
    const QString folder = qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")
                               ? QDir::tempPath()
                               : QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    const QByteArray hash = QCryptographicHash::hash(deviceName.toLower().toUtf8(), QCryptographicHash::Sha1).toHex();
    return QDir(folder).filePath(QStringLiteral("tessaril-device-%1.lock").arg(QString::fromLatin1(hash.left(16))));
}

} // namespace

void NotifyRunEnd(const QString &taskFile, const TTaskRunOutcome &outcome, const QString &logFile,
                  TDesktopNotice *notice)
{
    TDesktopNotice own;
    const QString title = QFileInfo(taskFile).completeBaseName();
    const bool failed = outcome.Status != exOk;
    const QString summary = failed ? QStringLiteral("Backup \"%1\" failed").arg(title)
                                   : QStringLiteral("Backup \"%1\" finished").arg(title);
    QString body = outcome.Summary;
    if (!logFile.isEmpty())
        body += QStringLiteral("\nLog: %1").arg(logFile);
    (notice != nullptr ? *notice : own).Show(summary, body, failed);
}

TTaskWatch::TTaskWatch(const QStringList &taskFiles, int rescanSeconds, const QString &backends)
    : FRescanSeconds(rescanSeconds), FBackends(backends)
{
    for (const QString &file : taskFiles)
        FTaskFiles.append(QFileInfo(file).absoluteFilePath());
    const TLocations locations = DetermineLocations(TSystemEnvironment::FromSystem(), TStartOptions());
    FTaskFolder = locations.JobDir;
    FLogFolder = locations.ConfigDir;
}

void TTaskWatch::Stop()
{
    FStopped = true;
    FWatcher.Stop();
    // The run cancels its current file cleanly on SIGTERM, as on Ctrl-C.
    const pid_t child = FChild;
    if (child > 0)
        ::kill(child, SIGTERM);
}

QList<TTaskWatch::TTask> TTaskWatch::Tasks() const
{
    QStringList files = FTaskFiles;
    if (files.isEmpty()) {
        const QDir folder(FTaskFolder);
        for (const QString &name : folder.entryList({QStringLiteral("*.tsj")}, QDir::Files, QDir::Name))
            files.append(folder.filePath(name));
    }
    QList<TTask> tasks;
    for (const QString &file : files) {
        const QString device = ReadStringFromIni(file, QStringLiteral("Config"), QStringLiteral("DeviceName"));
        if (!device.isEmpty())
            tasks.append({file, device});
    }
    return tasks;
}

int TTaskWatch::RunChild(const QStringList &arguments, QString *summary)
{
    QStringList all = arguments;
    if (!FBackends.isEmpty())
        all << QStringLiteral("--backends") << FBackends;
    QProcess child;
    child.setProcessChannelMode(summary != nullptr ? QProcess::ForwardedOutputChannel : QProcess::SeparateChannels);
    child.start(QCoreApplication::applicationFilePath(), all);
    if (!child.waitForStarted(30000)) {
        if (summary != nullptr)
            *summary = child.errorString();
        return -1;
    }
    child.closeWriteChannel();
    FChild = pid_t(child.processId());
    if (FStopped)
        Stop();
    QByteArray errors;
    QByteArray output;
    // Read as it comes, so that a talkative child never blocks on a full pipe.
    while (!child.waitForFinished(200)) {
        errors += child.readAllStandardError();
        if (summary == nullptr)
            output += child.readAllStandardOutput();
    }
    FChild = 0;
    errors += child.readAllStandardError();
    if (summary == nullptr) {
        output += child.readAllStandardOutput();
        FOutput = QString::fromUtf8(output);
    } else {
        std::fputs(errors.constData(), stderr);
        for (const QString &line : QString::fromUtf8(errors).split(QLatin1Char('\n'))) {
            if (line.startsWith(QStringLiteral("tessaril-cli: ")) &&
                !line.startsWith(QStringLiteral("tessaril-cli: no desktop notification")))
                *summary = line.mid(14);
        }
    }
    FErrors = QString::fromUtf8(errors);
    return child.exitStatus() == QProcess::NormalExit ? child.exitCode() : -1;
}

bool TTaskWatch::Connections(QList<TConnection> &connections, QString &error)
{
    connections.clear();
    const int status = RunChild({QStringLiteral("devices"), QStringLiteral("--ids")}, nullptr);
    if (status != 0) {
        error = FErrors.trimmed().section(QLatin1Char('\n'), -1);
        if (error.isEmpty())
            error = QStringLiteral("the device list ended with status %1").arg(status);
        return false;
    }
    // The device library may print lines of its own; only ours count.
    for (const QString &line : FOutput.split(QLatin1Char('\n'))) {
        const QStringList fields = line.split(QLatin1Char('\t'));
        if (fields.size() == 3 && fields.at(0) == QStringLiteral("device"))
            connections.append({fields.at(1), fields.at(2)});
    }
    return true;
}

void TTaskWatch::RunTask(const TTask &task)
{
    QLockFile lock(DeviceLockFile(task.DeviceName));
    lock.setStaleLockTime(0); // a crashed process's lock is taken over
    bool told = false;
    while (!lock.tryLock(1000)) {
        if (FStopped)
            return;
        if (!told)
            Print(QStringLiteral("Waiting for another backup of \"%1\" to end").arg(task.DeviceName));
        told = true;
        std::fflush(stdout);
    }
    const QString logFile = QDir(FLogFolder).filePath(TaskLogFileName(task.File));
    std::fflush(stdout);
    TTaskRunOutcome outcome;
    outcome.Status = RunChild({QStringLiteral("run"), task.File, QStringLiteral("--log"), logFile}, &outcome.Summary);
    if (outcome.Status < 0) {
        outcome.Summary = QStringLiteral("the run ended abnormally%1")
                              .arg(outcome.Summary.isEmpty() ? QString() : QStringLiteral(": ") + outcome.Summary);
        Fail(outcome.Summary);
    }
    NotifyRunEnd(task.File, outcome, logFile, &FNotice);
    std::fflush(stdout);
}

int TTaskWatch::Run()
{
    if (!FTaskFiles.isEmpty()) {
        for (const QString &file : FTaskFiles) {
            if (!QFileInfo(file).isReadable())
                return Fail(QStringLiteral("cannot read the task file %1").arg(file));
        }
    }
    QList<TTask> tasks = Tasks();
    if (tasks.isEmpty())
        return Fail(FTaskFiles.isEmpty() ? QStringLiteral("no task in %1 names a device").arg(FTaskFolder)
                                         : QStringLiteral("no given task names a device"));
    for (const TTask &task : tasks)
        Print(QStringLiteral("Watching for \"%1\" (%2)").arg(task.DeviceName, QFileInfo(task.File).fileName()));
    if (!FWatcher.NoEventsReason().isEmpty())
        Print(QStringLiteral("No device events (%1): looking for devices every %2 seconds")
                  .arg(FWatcher.NoEventsReason())
                  .arg(FRescanSeconds));
    std::fflush(stdout);

    QSet<QString> handled; // connections already backed up, while they stay
    QString lastError;
    while (!FStopped) {
        QList<TConnection> connections;
        QString error;
        if (!Connections(connections, error)) {
            // Told once per kind of failure; the next look may succeed.
            if (error != lastError && !FStopped)
                Fail(QStringLiteral("cannot list the devices: %1").arg(error));
            lastError = error;
        } else {
            lastError.clear();
            QSet<QString> present;
            for (const TConnection &connection : connections)
                present.insert(connection.DeviceID);
            handled.intersect(present);
            for (const TConnection &connection : connections) {
                // A device whose name cannot be read yet is looked at again.
                if (FStopped || handled.contains(connection.DeviceID) || connection.Name.isEmpty())
                    continue;
                handled.insert(connection.DeviceID);
                tasks = Tasks();
                for (const TTask &task : tasks) {
                    if (!FStopped && task.DeviceName.compare(connection.Name, Qt::CaseInsensitive) == 0)
                        RunTask(task);
                }
            }
        }
        if (FStopped || FWatcher.Wait(std::chrono::seconds(FRescanSeconds)) == TDeviceWatcher::TWake::Stopped)
            break;
    }
    Print(QStringLiteral("Stopped watching"));
    return exOk;
}
