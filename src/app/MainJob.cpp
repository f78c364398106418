#include "app/MainJob.h"

#include "app/LocaleDates.h"
#include "app/LogMessages.h"
#include "app/RunCheck.h"
#include "app/TaskFolderPaths.h"
#include "device/DeviceError.h"
#include "device/PortableDevice.h"
#include "device/PortableDeviceContent.h"
#include "env/ProgramVersion.h"
#include "settings/IniFile.h"

#include <QDir>
#include <QFileInfo>
#include <QThread>

namespace {

const QString SecConfig = QStringLiteral("Config");

// The text of an error raised by long work, for the log.
QString ErrorMessage(const std::exception_ptr &error)
{
    try {
        std::rethrow_exception(error);
    } catch (const EDeviceCallError &e) {
        return e.Message();
    } catch (const EStreamError &e) {
        return e.Message();
    } catch (const std::exception &e) {
        return QString::fromLocal8Bit(e.what());
    } catch (...) {
        return QStringLiteral("Unknown error");
    }
}

// A failed device call in the middle of work mostly means the device was
// unplugged or locked: that is said in plain words before the technical line.
bool IsDeviceCallError(const std::exception_ptr &error)
{
    try {
        std::rethrow_exception(error);
    } catch (const EDeviceCallError &) {
        return true;
    } catch (...) {
        return false;
    }
}

} // namespace

QString StartHeaderText()
{
    return ProgramDisplayName() + BitnessText() + QStringLiteral(" (") + VersionLine(ProgramVersion(), 4) +
           QStringLiteral(")");
}

TMainJob::TMainJob(QObject *parent) : TMainJob(TWorkMode::Synchronous, parent)
{}

TMainJob::TMainJob(TWorkMode mode, QObject *parent)
    : QObject(parent), FMode(mode), FDeviceManager(std::make_unique<TPortableDeviceManager>())
{
    // Progress crosses from the worker thread in a queued call.
    qRegisterMetaType<TRunProgress>();
}

TMainJob::~TMainJob()
{
    // A tree read cannot be stopped; it ends on its own. What it posts back is
    // dropped with this object.
    CancelRun();
    if (FWorker.joinable())
        FWorker.join();
}

void TMainJob::SetEditStatus(TEditStatus status)
{
    if (TaskName.isEmpty())
        return;
    FEditStatus = status;
    Q_EMIT EditStatusChanged(status);
}

void TMainJob::BeginWork()
{
    FBusy = true;
    Q_EMIT BusyChanged(true);
}

void TMainJob::StartWork(const TStep &start)
{
    BeginWork();
    try {
        start();
    } catch (...) {
        // Failed before any worker took over (a device that cannot be opened):
        // the job is free again, the error goes on to the caller.
        if (FBusy && !FWorkerActive)
            EndWork();
        throw;
    }
}

void TMainJob::EndWork()
{
    FBusy = false;
    FRunning = false;
    Q_EMIT BusyChanged(false);
}

void TMainJob::Launch(TStep work, const TStep &next)
{
    FWorkError = nullptr;
    TStep guarded = [this, work = std::move(work)] {
        try {
            work();
        } catch (...) {
            FWorkError = std::current_exception();
        }
    };
    if (FMode == TWorkMode::Synchronous) {
        guarded();
        next();
        return;
    }
    if (FWorker.joinable())
        FWorker.join();
    try {
        FWorkerActive = true;
        FWorker = std::thread([this, guarded, next] {
            guarded();
            // Queued behind every log line of the work, so the log is complete when next runs.
            QMetaObject::invokeMethod(
                this,
                [this, next] {
                    FWorker.join();
                    FWorkerActive = false;
                    try {
                        next();
                    } catch (...) {
                        // A step on this thread failed (a device that cannot be
                        // opened again): the work ends here, with its error logged.
                        FLog.LogLine(ErrorMessage(std::current_exception()), 0);
                        if (FBusy)
                            EndWork();
                    }
                },
                Qt::QueuedConnection);
        });
    } catch (const std::system_error &) {
        // No thread to be had: the work fails, the caller hears of it as of any failure.
        FWorkerActive = false;
        FWorkError = std::current_exception();
        next();
    }
}

bool TMainJob::TakeWorkError()
{
    if (!FWorkError)
        return false;
    // Threaded work has nobody to throw to: its error goes to the log.
    if (FMode == TWorkMode::Threaded) {
        if (IsDeviceCallError(FWorkError))
            FLog.LogLine(DeviceLostText(), 0);
        FLog.LogLine(ErrorMessage(FWorkError), 0);
        FWorkError = nullptr;
    }
    return true;
}

void TMainJob::RethrowWorkError()
{
    if (FMode != TWorkMode::Synchronous || !FWorkError)
        return;
    const std::exception_ptr error = FWorkError;
    FWorkError = nullptr;
    std::rethrow_exception(error);
}

QStringList TMainJob::RefreshDeviceList(const QString &header)
{
    // Nothing may close the device under work in progress.
    if (FBusy)
        return {};
    return ListDevices(header);
}

QStringList TMainJob::ListDevices(const QString &header)
{
    FLog.Clear();
    if (!header.isEmpty())
        FLog.LogLine(header, 0);
    FLog.LogLine(LoadingDeviceListText(), 2);
    // The window's device is closed now; nothing may touch it until a device is selected again.
    FDevice = nullptr;
    Selection.clear();
    FDeviceManager->Refresh();
    QStringList names;
    for (int i = 0; i < int(FDeviceManager->DeviceCount()); ++i) {
        // One device that cannot be opened must not hide the others.
        try {
            TPortableDevice *device = FDeviceManager->GetDevice(i);
            names.append(device != nullptr ? device->DeviceName() : QString());
        } catch (const EDeviceCallError &e) {
            const QString name = FDeviceManager->DeviceFriendlyName(i);
            FLog.LogLine(ErrorLineText(DeviceOpenErrorText(name, e.Message())), 0);
            names.append(name);
        }
    }
    Q_EMIT DeviceChanged();
    FLog.LogLine(DevicesFoundText(int(FDeviceManager->DeviceCount())), 4);
    return names;
}

bool TMainJob::SelectDevice(int listIndex, bool selectStorages)
{
    if (FBusy)
        return false;
    Selection.clear();
    FDevice = FDeviceManager->GetDevice(listIndex);
    return TakeSelectedDevice(selectStorages);
}

bool TMainJob::SelectDeviceByName(const QString &deviceName, bool selectStorages)
{
    if (FBusy)
        return false;
    Selection.clear();
    FDevice = FDeviceManager->GetDeviceByName(deviceName);
    return TakeSelectedDevice(selectStorages);
}

bool TMainJob::TakeSelectedDevice(bool selectStorages)
{
    Q_EMIT DeviceChanged();
    if (FDevice == nullptr)
        return false;
    FLog.LogLine(SelectedDeviceText(FDevice->DeviceName()), 2);
    StartWork([this, selectStorages] {
        ReadTree(true, [this, selectStorages] {
            if (FTreeComplete && selectStorages)
                SelectTopFolders();
            EndWork();
            Q_EMIT DeviceTreeRead(FTreeComplete);
        });
    });
    RethrowWorkError();
    return true;
}

void TMainJob::SelectTopFolders()
{
    TPortableDeviceObject *root = FDevice->Content().DeviceObject();
    for (int i = 0; root != nullptr && i < root->ChildCount(); ++i) {
        TPortableDeviceObject *child = root->GetChild(i);
        if (child != nullptr && (child->ObjectType() == otRoot || child->ObjectType() == otFolder))
            Selection.append(child->Index());
    }
}

bool TMainJob::ReadDeviceTree(bool listErrors)
{
    if (FBusy || FDevice == nullptr)
        return false;
    StartWork([this, listErrors] {
        ReadTree(listErrors, [this] {
            EndWork();
            Q_EMIT DeviceTreeRead(FTreeComplete);
        });
    });
    RethrowWorkError();
    return true;
}

void TMainJob::ReadTree(bool listErrors, const TStep &next)
{
    TPortableDeviceContent &content = FDevice->Content();
    FLog.LogLine(ReadingStructureText(), 2);
    FLog.StartCounter();
    Launch([this, &content] { content.Refresh([this](int index, const QString &) { FLog.CounterProgress(index); }); },
           [this, listErrors, next] {
               FinishTreeRead(listErrors);
               next();
           });
}

void TMainJob::FinishTreeRead(bool listErrors)
{
    FTreeComplete = !TakeWorkError();
    if (!FTreeComplete)
        return;
    TPortableDeviceContent &content = FDevice->Content();
    FLog.SetCounter(content.ObjectCount());
    FLog.LogLine(DirectoriesFoundText(content.FolderCount()), 4);
    // A locked phone shows itself and nothing else.
    if (content.RootCount() == 0)
        FLog.LogLine(NoStorageText(), 4);
    const TErrorList &errors = content.ErrorObjects();
    if (!listErrors || errors.Count() == 0)
        return;
    FLog.LogLine(StructureErrorsText(), 0);
    for (int i = 0; i < errors.Count(); ++i) {
        const QString id = errors.Strings(i);
        TPortableDeviceObject *object = content.GetObjectByID(id);
        FLog.LogLine(ObjectErrorText(id, object != nullptr ? object->DisplayName() : QString(), errors.GetErrorCode(i)),
                     4);
    }
}

bool TMainJob::DeviceIsReady() const
{
    return FDevice != nullptr && FDevice->Content().ObjectCount() > 1;
}

void TMainJob::OpenTaskDevice(const QString &deviceName, const TConfirmNotReady &confirmNotReady,
                              const std::function<void(bool ready)> &next)
{
    FDevice = FDeviceManager->GetDeviceByName(deviceName);
    Q_EMIT DeviceChanged();
    const auto afterRead = [this, deviceName, confirmNotReady, next] {
        if (FDevice != nullptr && !FTreeComplete) {
            next(false);
            return;
        }
        if (DeviceIsReady()) {
            next(true);
            return;
        }
        if (!confirmNotReady || !confirmNotReady(DeviceNotReadyText(deviceName))) {
            next(false);
            return;
        }
        ListDevices(QString());
        OpenTaskDevice(deviceName, confirmNotReady, next);
    };
    if (FDevice == nullptr) {
        afterRead();
        return;
    }
    FLog.LogLine(SelectedDeviceText(FDevice->DeviceName()), 2);
    ReadTree(false, afterRead);
}

bool TMainJob::Refuse(const QString &reason)
{
    FRefusal = reason;
    // An empty selection is the one refusal that is no error of the task.
    FLog.LogLine(reason == NoDirectorySelectedText() ? reason : ErrorLineText(reason), 0);
    Q_EMIT Refused(reason);
    return false;
}

bool TMainJob::LoadTask(const QString &fileName, const TConfirmNotReady &confirmNotReady)
{
    if (FBusy)
        return false;
    FOutcome = false;
    bool started = false;
    StartWork([&] {
        started = StartLoadTask(fileName, confirmNotReady, [this](bool loaded) {
            FOutcome = loaded;
            EndWork();
            Q_EMIT TaskLoaded(loaded);
        });
    });
    if (!started) {
        EndWork();
        return false;
    }
    RethrowWorkError();
    return FMode == TWorkMode::Synchronous ? FOutcome : true;
}

bool TMainJob::StartLoadTask(const QString &fileName, const TConfirmNotReady &confirmNotReady,
                             const std::function<void(bool loaded)> &next)
{
    TaskName = fileName;
    FMissingFolders = 0;
    FTaskNamesFolders = false;
    FRefusal.clear();
    std::shared_ptr<TUnicodeIniFile> file;
    try {
        file = TUnicodeIniFile::CreateForRead(fileName);
    } catch (const EStreamError &e) {
        FLog.LogLine(ErrorLineText(e.Message()), 0);
        return false;
    }
    const QString deviceName = file->ReadString(SecConfig, QStringLiteral("DeviceName"), QString());
    // An empty, cut or garbled file names no device: that is what the user
    // must hear, not that a device named "" is not ready.
    if (deviceName.isEmpty())
        return Refuse(TaskNotValidText(QFileInfo(fileName).fileName()));
    OpenTaskDevice(deviceName, confirmNotReady, [this, file, next](bool ready) {
        if (ready)
            TakeTaskConfig(*file);
        next(ready);
    });
    return true;
}

void TMainJob::TakeTaskConfig(const TUnicodeIniFile &ini)
{
    Config.Destination = ini.ReadString(SecConfig, QStringLiteral("Destination"), QString());
    const QString filterError = ReadConfigKeys(ini, Config);
    if (!filterError.isEmpty())
        FLog.LogLine(ErrorLineText(TaskFilterErrorText(filterError)), 0);

    // Every saved folder that exists is selected, at any depth; one that is
    // gone is reported, so that a run never quietly covers less than chosen.
    Selection.clear();
    TPortableDeviceContent &content = FDevice->Content();
    const QStringList paths = SavedFolderPaths(ini);
    FTaskNamesFolders = !paths.isEmpty();
    for (const QString &path : paths) {
        int index = StoredPathIndex(content, path);
        // The device node is saved under its own name, which a path lookup
        // (storages first) does not find.
        const TPortableDeviceObject *deviceObject = content.DeviceObject();
        if (index < 0 && deviceObject != nullptr &&
            (path.compare(deviceObject->DisplayName(), Qt::CaseInsensitive) == 0 ||
             path.compare(StoredName(deviceObject->DisplayName()), Qt::CaseInsensitive) == 0))
            index = deviceObject->Index();
        if (index < 0) {
            FLog.LogLine(SavedFolderNotFoundText(path), 4);
            ++FMissingFolders;
            continue;
        }
        if (!Selection.contains(index))
            Selection.append(index);
    }
    FEditStatus = esSaved;
    Q_EMIT EditStatusChanged(FEditStatus);
}

QString TMainJob::SaveTask(const QString &fileName, const QString &deviceName)
{
    // The tree's objects belong to the work under way.
    if (FBusy)
        return JobBusyText();
    TaskName = fileName;
    QString error;
    try {
        const std::unique_ptr<TUnicodeIniFile> file = TUnicodeIniFile::CreateForWrite(fileName, true);
        TUnicodeIniFile &ini = *file;
        ini.WriteProgramInfo(QStringLiteral("Program"), QStringLiteral("Tessaril"));
        ini.WriteProgramInfo(QStringLiteral("Version"), ProgramVersion());
        ini.WriteString(SecConfig, QStringLiteral("DeviceName"), deviceName);
        ini.WriteString(SecConfig, QStringLiteral("Destination"), Config.Destination);
        WriteConfigKeys(ini, Config);
        int count = 0;
        for (int index : std::as_const(Selection)) {
            TPortableDeviceObject *object = FDevice != nullptr ? FDevice->Content().GetObject(index) : nullptr;
            if (object != nullptr)
                ini.WriteString(DirectoriesSection(), DirKey(count++), StoredPath(FDevice->Content(), *object));
        }
        ini.WriteInteger(SecConfig, QStringLiteral("DirCount"), count);
        ini.Close();
    } catch (const EStreamError &e) {
        error = e.Message();
    }
    SetEditStatus(esSaved);
    return error;
}

QString TMainJob::RunConfigError() const
{
    QString deviceName;
    try {
        deviceName = FDevice != nullptr ? FDevice->DeviceName() : QString();
    } catch (const EDeviceCallError &) {
        // The name only fills %device%; a device that is gone fails the run itself.
    }
    return ::RunConfigError(Config, deviceName, QDate::currentDate());
}

QString TMainJob::RunRefusal() const
{
    if (FDevice == nullptr || Selection.isEmpty())
        return NoDirectorySelectedText();
    return RunConfigError();
}

TRunTotals TMainJob::BackupSelected(TRunMode mode)
{
    TRunTotals refused;
    if (FBusy) {
        refused.Refused = JobBusyText();
        return refused;
    }
    FRefusal.clear();
    refused.Refused = RunRefusal();
    if (!refused.Refused.isEmpty()) {
        Refuse(refused.Refused);
        return refused;
    }
    FLastTotals = {};
    StartWork([this, mode] {
        StartRun(mode, [this](const TRunTotals &totals) {
            EndWork();
            Q_EMIT RunFinished(totals);
        });
    });
    RethrowWorkError();
    return FMode == TWorkMode::Synchronous ? FLastTotals : TRunTotals{};
}

void TMainJob::ReportProgress(const TRunProgress &progress)
{
    if (QThread::currentThread() == thread()) {
        Q_EMIT RunProgressChanged(progress);
        return;
    }
    // Queued behind the log lines posted before it, ahead of the run's end.
    QMetaObject::invokeMethod(
        this, [this, progress] { Q_EMIT RunProgressChanged(progress); }, Qt::QueuedConnection);
}

void TMainJob::StartRun(TRunMode mode, const std::function<void(const TRunTotals &)> &next)
{
    FRunConfig.Assign(Config);
    const QList<int> selection = Selection;
    {
        const std::lock_guard<std::mutex> lock(FRunMutex);
        FCancelRequested = false;
    }
    FRunning = true;
    Q_EMIT RunStarted();
    auto totals = std::make_shared<TRunTotals>();
    Launch(
        [this, selection, totals, mode] {
            TBackupRun run(*FDevice, FRunConfig, FLog, mode);
            run.SetProgressHandler([this](const TRunProgress &progress) { ReportProgress(progress); });
            {
                const std::lock_guard<std::mutex> lock(FRunMutex);
                FRun = &run;
                if (FCancelRequested)
                    run.Cancel();
            }
            const auto detach = [this, &run, totals] {
                const std::lock_guard<std::mutex> lock(FRunMutex);
                FRun = nullptr;
                *totals = run.Totals();
            };
            try {
                run.BackupSelected(selection);
            } catch (...) {
                detach();
                throw;
            }
            detach();
        },
        [this, totals, next] {
            FRunning = false;
            FLastTotals = *totals;
            TakeWorkError();
            next(*totals);
        });
}

void TMainJob::CancelRun()
{
    const std::lock_guard<std::mutex> lock(FRunMutex);
    FCancelRequested = true;
    if (FRun != nullptr)
        FRun->Cancel();
}

bool TMainJob::RunCommandLineTask(const TConfirmNotReady &confirmNotReady, const QString &logFolder, TRunTotals *totals,
                                  TRunMode mode)
{
    if (FBusy || TaskName.isEmpty() || !QFileInfo(TaskName).isFile())
        return false;
    FOutcome = false;
    FLastTotals = {};
    const auto finish = [this](bool ran) {
        FOutcome = ran;
        EndWork();
        Q_EMIT CommandLineTaskFinished(ran);
    };
    bool started = false;
    StartWork([&] {
        started = StartLoadTask(TaskName, confirmNotReady, [this, logFolder, finish, mode](bool loaded) {
            Q_EMIT TaskLoaded(loaded);
            if (!loaded || !ForceTask) {
                finish(false);
                return;
            }
            // A task that selects nothing, or lets no file through, would run,
            // copy nothing and look fine: the task itself is refused.
            if (!FTaskNamesFolders || FilterExcludesEverything(Config.FFilter)) {
                Refuse(!FTaskNamesFolders ? TaskSelectsNoFolderText() : FilterExcludesAllText());
                finish(false);
                return;
            }
            FLog.LogLine(RunSeparatorText(), 0);
            StartTime = NowLocal();
            FLog.LogLine(RunStartText(StartTime, QFileInfo(TaskName).fileName()), 0);
            const auto afterRun = [this, logFolder, finish, mode](const TRunTotals &result) {
                FLog.LogLine(RunFinishedText(StartTime, NowLocal()), 0);
                FLogSaveError.clear();
                // A preview writes nothing, its log neither.
                if (CloseProg && !logFolder.isEmpty() && mode != TRunMode::Preview)
                    FLogSaveError = FLog.SaveToFile(QDir(logFolder).filePath(TaskLogFileName(TaskName)));
                if (!FLogSaveError.isEmpty())
                    FLog.LogLine(ErrorLineText(FLogSaveError), 0);
                FLastTotals = result;
                finish(true);
            };
            const QString refusal = RunRefusal();
            if (!refusal.isEmpty()) {
                Refuse(refusal);
                TRunTotals refused;
                refused.Refused = refusal;
                afterRun(refused);
                return;
            }
            StartRun(mode, [this, afterRun](const TRunTotals &result) {
                Q_EMIT RunFinished(result);
                afterRun(result);
            });
        });
    });
    if (!started) {
        EndWork();
        return false;
    }
    if (totals != nullptr && FMode == TWorkMode::Synchronous)
        *totals = FLastTotals;
    RethrowWorkError();
    return FMode == TWorkMode::Synchronous ? FOutcome : true;
}
