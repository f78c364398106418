#pragma once

#include "app/BackupConfig.h"
#include "app/BackupRun.h"
#include "app/ProgressLog.h"
#include "app/RunProgress.h"
#include "base/FileData.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

class TPortableDevice;
class TPortableDeviceManager;
class TUnicodeIniFile;

// Where the main job does its long work (reading a device's tree, a backup run).
enum class TWorkMode
{
    Synchronous, // on the calling thread; done when the call returns (command line, tests)
    Threaded     // on a worker thread of the job; the call returns at once, the end is signalled
};

// The main job without windows: the device manager, the selected device, the
// backup configuration, the folder selection, the task file and its edit
// status, and the operations on them that the main window and the command-line
// runner share: loading the device list, reading a device's tree, loading and
// saving tasks, running a backup and the command-line run of a task.
//
// A front end fills Config and Selection from its controls before it saves or
// starts a run, and shows them again after LoadTask.
//
// Long work never pumps the caller's event loop. In threaded mode one worker
// thread at a time reads a tree or runs a backup; its log lines reach the log
// on the job's thread in order, and its end arrives there as a signal. While
// work is under way (IsBusy) every entry point that would disturb it refuses:
// RefreshDeviceList, SelectDevice, SelectDeviceByName, ReadDeviceTree,
// LoadTask, SaveTask, BackupSelected and RunCommandLineTask return false (or
// a refusal) and change nothing. Only CancelRun acts on running work; the front
// end leaves Config, Selection and the device's objects alone until
// BusyChanged(false).
//
// The end signals (DeviceTreeRead, TaskLoaded, RunFinished,
// CommandLineTaskFinished) come after BusyChanged(false), so a handler may
// start the next work. In synchronous mode they come before the call returns.
class TMainJob : public QObject
{
    Q_OBJECT

public:
    // Answers the question whether to wait for a device that is not ready;
    // receives the question's text, returns true to look again. Called on the
    // job's thread.
    using TConfirmNotReady = std::function<bool(const QString &question)>;

    // Creates the device manager; a device service that cannot be reached
    // raises the device-call error.
    explicit TMainJob(QObject *parent = nullptr);
    explicit TMainJob(TWorkMode mode, QObject *parent = nullptr);
    // Cancels a run under way and waits for the worker thread.
    ~TMainJob() override;

    TWorkMode WorkMode() const { return FMode; }
    TProgressLog &Log() { return FLog; }
    TPortableDeviceManager &DevManager() { return *FDeviceManager; }
    TPortableDevice *Device() const { return FDevice; }

    TBackupConfig Config;
    // Selected objects of the device's tree (indexes), in selection order.
    QList<int> Selection;
    QString TaskName;
    bool ForceTask = false;
    bool CloseProg = false;
    TDateTime StartTime = 0;

    TEditStatus EditStatus() const { return FEditStatus; }
    // Records a change or a save; only while a task name is set.
    void SetEditStatus(TEditStatus status);

    // A tree read, a task load or a run is under way.
    bool IsBusy() const { return FBusy; }
    // A backup run is under way.
    bool IsRunning() const { return FRunning; }
    // The worker thread is reading the device's tree or copying from it: the
    // device's objects must not be touched. Between the steps of a busy job
    // (a task's run after its load) they may be read.
    bool DeviceInUse() const { return FWorkerActive; }

    // Clears the log, writes the header (if any), lists the devices (each is
    // opened in turn to read its name) and logs their number. Afterwards no
    // device is selected and the selection is empty. Returns the names; an
    // empty list and nothing done while busy.
    QStringList RefreshDeviceList(const QString &header = QString());
    // Opens device i of the list, logs it and reads its tree (then
    // DeviceTreeRead); with selectStorages the device's storages and top
    // folders become the selection. False when busy or there is no such device.
    bool SelectDevice(int listIndex, bool selectStorages);
    // Opens the device of that name (any letter case), logs it and reads its tree.
    bool SelectDeviceByName(const QString &deviceName, bool selectStorages);
    // Reads the selected device's tree with the counter line. With listErrors
    // the objects whose children could not be listed are logged.
    bool ReadDeviceTree(bool listErrors);

    // Loads a task: opens its device (asking while it is not ready), reads its
    // tree, takes its configuration and selects its saved folders (then
    // TaskLoaded). False when busy or the file cannot be read; in synchronous
    // mode also when the user declines to wait for the device.
    bool LoadTask(const QString &fileName, const TConfirmNotReady &confirmNotReady);
    // Saved folders of the last loaded task that the device no longer has.
    int MissingFolders() const { return FMissingFolders; }
    // Why the last task or run was refused before anything was copied (also
    // logged and sent as Refused); empty when nothing was refused. Not set for
    // calls refused only because the job is busy.
    QString Refusal() const { return FRefusal; }
    // Writes the configuration and the selection as a task; returns an empty
    // text on success, else the error's text (the status is esSaved either way).
    // Refused with a text while busy.
    QString SaveTask(const QString &fileName, const QString &deviceName);

    // Why a run with the current configuration cannot start (destination
    // empty or not absolute after its placeholders, days of the time slot out
    // of range, ...); empty when it can.
    QString RunConfigError() const;
    // Runs a backup over the selection with a copy of Config (then
    // RunFinished). Refused, with the reason in Refused of the result and in
    // the log, while busy, without a device or with a configuration error;
    // nothing runs then. Synchronous mode returns the run's totals; there a
    // device-call error ends the run and goes on to the caller after
    // RunFinished. Threaded mode returns at once (the totals come with
    // RunFinished) and logs such an error. A preview walks the same files
    // under the same rules, logs what it would copy, update or skip and why,
    // and writes nothing at all.
    TRunTotals BackupSelected(TRunMode mode = TRunMode::Backup);
    // Stops a run under way after its current file (whose copy is cancelled,
    // leaving no partial file). Any thread.
    void CancelRun();

    // The start timer's command-line task handling: load TaskName and, with
    // ForceTask, run it between the start and finish lines. With CloseProg the
    // log is saved to logFolder. Then CommandLineTaskFinished. Returns false
    // when nothing is to run or busy; in synchronous mode whether it ran (the
    // totals go to *totals). A preview run saves no log.
    bool RunCommandLineTask(const TConfirmNotReady &confirmNotReady, const QString &logFolder,
                            TRunTotals *totals = nullptr, TRunMode mode = TRunMode::Backup);
    // Why the last RunCommandLineTask could not save its log (also logged);
    // empty when it was saved or none was to be saved.
    QString LogSaveError() const { return FLogSaveError; }

Q_SIGNALS:
    void EditStatusChanged(TEditStatus status);
    // The selected device changed (it may be none); its tree is not read yet.
    void DeviceChanged();
    void BusyChanged(bool busy);
    // A tree read started by SelectDevice, SelectDeviceByName or
    // ReadDeviceTree ended; the selection is set. complete is false when the
    // read failed (the error is logged).
    void DeviceTreeRead(bool complete);
    // LoadTask ended: loaded, or not (file unreadable, device declined, error logged).
    void TaskLoaded(bool loaded);
    void RunStarted();
    void RunFinished(const TRunTotals &totals);
    // Where the run under way stands; on the job's thread, at most about ten
    // times a second, and once more with the final figures before RunFinished.
    void RunProgressChanged(const TRunProgress &progress);
    // RunCommandLineTask ended; ran is true when the task's run took place.
    void CommandLineTaskFinished(bool ran);
    // A task that cannot be used or a run that cannot start, with the reason
    // for the user (also in Refusal and the log; a refused run's totals carry
    // it as Refused).
    void Refused(const QString &reason);

private:
    using TStep = std::function<void()>;

    void BeginWork();
    // Begins work and runs its first step; a step that raises ends the work again.
    void StartWork(const TStep &start);
    void EndWork();
    // Runs work on the worker thread (threaded) or here, then next on the job's thread.
    void Launch(TStep work, const TStep &next);
    // After work: true when it raised an error; threaded mode logs it here.
    bool TakeWorkError();
    // Synchronous mode: raises the error of the work that just ended, if any.
    void RethrowWorkError();
    QStringList ListDevices(const QString &header);
    bool TakeSelectedDevice(bool selectStorages);
    void SelectTopFolders();
    void ReadTree(bool listErrors, const TStep &next);
    void FinishTreeRead(bool listErrors);
    void OpenTaskDevice(const QString &deviceName, const TConfirmNotReady &confirmNotReady,
                        const std::function<void(bool ready)> &next);
    bool DeviceIsReady() const;
    // Logs the reason, keeps it as Refusal and sends Refused; returns false.
    bool Refuse(const QString &reason);
    // False when the file cannot be read (then next is not called).
    bool StartLoadTask(const QString &fileName, const TConfirmNotReady &confirmNotReady,
                       const std::function<void(bool loaded)> &next);
    void TakeTaskConfig(const TUnicodeIniFile &ini);
    QString RunRefusal() const;
    void StartRun(TRunMode mode, const std::function<void(const TRunTotals &)> &next);
    // Hands a run's progress to the job's thread: directly when the run is
    // there (synchronous), else queued.
    void ReportProgress(const TRunProgress &progress);

    TWorkMode FMode = TWorkMode::Synchronous;
    TProgressLog FLog;
    std::unique_ptr<TPortableDeviceManager> FDeviceManager;
    TPortableDevice *FDevice = nullptr;
    TEditStatus FEditStatus = esNew;
    bool FBusy = false;
    bool FRunning = false;
    bool FWorkerActive = false;
    bool FTreeComplete = false;
    bool FOutcome = false; // what the last synchronous entry point returns
    TRunTotals FLastTotals;
    std::exception_ptr FWorkError; // raised on the worker, taken on the job's thread
    // The run's own copy of the configuration: the front end may edit Config meanwhile.
    TBackupConfig FRunConfig;
    std::mutex FRunMutex; // guards FRun and FCancelRequested against CancelRun from any thread
    TBackupRun *FRun = nullptr;
    bool FCancelRequested = false;
    std::thread FWorker;
    int FMissingFolders = 0;
    bool FTaskNamesFolders = false;
    QString FRefusal;
    QString FLogSaveError;
};

// The header of a closing command-line run: display name, bitness and version.
QString StartHeaderText();
