#pragma once

#include "cli/DesktopNotice.h"
#include "cli/TaskRun.h"
#include "device/DeviceWatcher.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <atomic>
#include <sys/types.h>

// "watch": runs each task once per connection of its device. A device that
// stays connected is not backed up again; one that is pulled and plugged in
// again is. Runs take turns, and a lock per device name keeps two watching
// processes from backing up one device at the same time.
//
// Every look at the devices and every run is a child process of this
// program ("devices --ids", "run"): the USB library keeps its own device list
// for the life of a process and, where no udev daemon tells it of new
// devices, never sees them; a fresh process does. A run that crashes also
// leaves the watch running.
class TTaskWatch
{
public:
    // No task files: every task of the task folder, read anew on each look.
    // backends is passed on to the children ("" for their own choice).
    TTaskWatch(const QStringList &taskFiles, int rescanSeconds, const QString &backends);

    // Until Stop; the exit status.
    int Run();
    // Cancels a run under way after its current file and ends Run. Any
    // thread; async-signal-safe calls only.
    void Stop();

private:
    struct TTask
    {
        QString File;
        QString DeviceName;
    };
    struct TConnection
    {
        QString DeviceID;
        QString Name;
    };

    QList<TTask> Tasks() const;
    // The connected devices; false with the reason when the look failed.
    bool Connections(QList<TConnection> &connections, QString &error);
    void RunTask(const TTask &task);
    // Runs this program with the arguments; output goes on to ours, and the
    // last "tessaril-cli: " line of its errors is the summary.
    int RunChild(const QStringList &arguments, QString *summary);

    QStringList FTaskFiles;
    int FRescanSeconds;
    QString FBackends;
    QString FTaskFolder;
    QString FLogFolder;
    TDeviceWatcher FWatcher;
    TDesktopNotice FNotice;
    std::atomic<bool> FStopped = false;
    std::atomic<pid_t> FChild = 0; // the child under way, for Stop
    QString FOutput;               // of the last child without forwarded output
    QString FErrors;               // of the last child
};

// The desktop notification after a run of a task.
void NotifyRunEnd(const QString &taskFile, const TTaskRunOutcome &outcome, const QString &logFile,
                  TDesktopNotice *notice = nullptr);
