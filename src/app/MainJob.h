#pragma once

#include "app/BackupConfig.h"
#include "app/BackupRun.h"
#include "app/ProgressLog.h"
#include "base/FileData.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class TPortableDevice;
class TPortableDeviceManager;

// The main job without windows: the device manager, the selected device, the
// backup configuration, the folder selection, the task file and its edit
// status, and the operations on them that the main window and the command-line
// runner share: loading the device list, reading a device's tree, loading and
// saving tasks, running a backup and the command-line run of a task.
//
// A front end fills Config and Selection from its controls before it saves or
// starts a run, and shows them again after LoadTask.
class TMainJob : public QObject
{
    Q_OBJECT

public:
    // Answers the question whether to wait for a device that is not ready;
    // receives the question's text, returns true to look again.
    using TConfirmNotReady = std::function<bool(const QString &question)>;

    // Creates the device manager; a device service that cannot be reached
    // raises the device-call error.
    explicit TMainJob(QObject *parent = nullptr);
    ~TMainJob() override;

    TProgressLog &Log() { return FLog; }
    TPortableDeviceManager &DevManager() { return *FDevManager; }
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

    // Clears the log, writes the header (if any), lists the devices (each is
    // opened in turn to read its name) and logs their number. Afterwards no
    // device is selected and the selection is empty. Returns the names.
    QStringList RefreshDeviceList(const QString &header = QString());
    // Opens device i of the list, logs it and reads its tree; with
    // selectStorages the device's storages and top folders become the selection.
    bool SelectDevice(int listIndex, bool selectStorages);
    // Opens the device of that name (any letter case), logs it and reads its tree.
    bool SelectDeviceByName(const QString &deviceName, bool selectStorages);
    // Reads the selected device's tree with the counter line. With listErrors
    // the objects whose children could not be listed are logged.
    void ReadDeviceTree(bool listErrors);

    // Loads a task: opens its device (asking while it is not ready), reads its
    // tree, takes its configuration and selects its saved folders. False when
    // the user declines to wait for the device or the file cannot be read.
    bool LoadTask(const QString &fileName, const TConfirmNotReady &confirmNotReady);
    // Saved folders of the last loaded task that the device no longer has.
    int MissingFolders() const { return FMissingFolders; }
    // Writes the configuration and the selection as a task; returns an empty
    // text on success, else the error's text (the status is esSaved either way).
    QString SaveTask(const QString &fileName, const QString &deviceName);

    // Runs a backup over the selection. Returns the totals. A device-call
    // error (EDeviceCallError) ends the run and goes on to the caller, after
    // RunFinished.
    TRunTotals BackupSelected();
    // Stops a run under way after its current file.
    void CancelRun();
    bool IsRunning() const { return FRun != nullptr; }

    // The start timer's command-line task handling: load TaskName and, with
    // ForceTask, run it between the start and finish lines. With CloseProg the
    // log is saved to logFolder. Returns false when nothing ran.
    bool RunCommandLineTask(const TConfirmNotReady &confirmNotReady, const QString &logFolder,
                            TRunTotals *totals = nullptr);
    // Why the last RunCommandLineTask could not save its log (also logged);
    // empty when it was saved or none was to be saved.
    QString LogSaveError() const { return FLogSaveError; }

Q_SIGNALS:
    void EditStatusChanged(TEditStatus status);
    void DeviceChanged();
    void RunStarted();
    void RunFinished(const TRunTotals &totals);

private:
    bool TakeSelectedDevice(bool selectStorages);
    bool OpenTaskDevice(const QString &deviceName, const TConfirmNotReady &confirmNotReady);
    bool DeviceIsReady() const;

    TProgressLog FLog;
    std::unique_ptr<TPortableDeviceManager> FDevManager;
    TPortableDevice *FDevice = nullptr;
    TEditStatus FEditStatus = esNew;
    TBackupRun *FRun = nullptr;
    int FMissingFolders = 0;
    QString FLogSaveError;
};

// The header of a closing command-line run: display name, bitness and version.
QString StartHeaderText();
