#include "app/MainJob.h"

#include "app/LocaleDates.h"
#include "app/LogMessages.h"
#include "base/SafeFormat.h"
#include "device/PortableDevice.h"
#include "device/PortableDeviceContent.h"
#include "env/ProgramVersion.h"
#include "settings/IniFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {

const QString SecConfig = QStringLiteral("Config");
const QString SecDirectories = QStringLiteral("Directories");

QString DirKey(int number)
{
    return SafeFormat(QStringLiteral("Dir%.2d"), number);
}

} // namespace

QString StartHeaderText()
{
    return ProgramDisplayName() + BitnessText() + QStringLiteral(" (") + VersionLine(ProgramVersion(), 4) +
           QStringLiteral(")");
}

TMainJob::TMainJob(QObject *parent) : QObject(parent), FDevManager(std::make_unique<TPortableDeviceManager>())
{}

TMainJob::~TMainJob() = default;

void TMainJob::SetEditStatus(TEditStatus status)
{
    if (TaskName.isEmpty())
        return;
    FEditStatus = status;
    Q_EMIT EditStatusChanged(status);
}

QStringList TMainJob::RefreshDeviceList(const QString &header)
{
    // Nothing may close the device under a run in progress.
    if (IsRunning())
        return {};
    FLog.Clear();
    if (!header.isEmpty())
        FLog.LogLine(header, 0);
    FLog.LogLine(LoadingDeviceListText(), 2);
    FDevManager->Refresh();
    QStringList names;
    for (int i = 0; i < int(FDevManager->DeviceCount()); ++i) {
        TPortableDevice *device = FDevManager->GetDevice(i);
        names.append(device != nullptr ? device->DeviceName() : QString());
    }
    // The window's device is closed now; nothing may touch it until a device is selected again.
    FDevice = nullptr;
    Selection.clear();
    Q_EMIT DeviceChanged();
    FLog.LogLine(DevicesFoundText(int(FDevManager->DeviceCount())), 4);
    return names;
}

bool TMainJob::SelectDevice(int listIndex, bool selectStorages)
{
    if (IsRunning())
        return false;
    Selection.clear();
    FDevice = FDevManager->GetDevice(listIndex);
    return TakeSelectedDevice(selectStorages);
}

bool TMainJob::SelectDeviceByName(const QString &deviceName, bool selectStorages)
{
    if (IsRunning())
        return false;
    Selection.clear();
    FDevice = FDevManager->GetDeviceByName(deviceName);
    return TakeSelectedDevice(selectStorages);
}

bool TMainJob::TakeSelectedDevice(bool selectStorages)
{
    Q_EMIT DeviceChanged();
    if (FDevice == nullptr)
        return false;
    FLog.LogLine(SelectedDeviceText(FDevice->DeviceName()), 2);
    ReadDeviceTree(true);
    if (selectStorages) {
        TPortableDeviceObject *root = FDevice->Content().DeviceObject();
        for (int i = 0; root != nullptr && i < root->ChildCount(); ++i) {
            TPortableDeviceObject *child = root->GetChild(i);
            if (child != nullptr && (child->ObjectType() == otRoot || child->ObjectType() == otFolder))
                Selection.append(child->Index());
        }
    }
    return true;
}

void TMainJob::ReadDeviceTree(bool listErrors)
{
    if (FDevice == nullptr)
        return;
    TPortableDeviceContent &content = FDevice->Content();
    FLog.LogLine(ReadingStructureText(), 2);
    FLog.StartCounter();
    content.Refresh([this](int index, const QString &) {
        FLog.CounterProgress(index);
        // Let the window repaint the counter now and then, not for every object.
        if (index % 10 == 0)
            QCoreApplication::processEvents();
    });
    FLog.SetCounter(content.ObjectCount());
    FLog.LogLine(DirectoriesFoundText(content.FolderCount()), 4);
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

bool TMainJob::OpenTaskDevice(const QString &deviceName, const TConfirmNotReady &confirmNotReady)
{
    for (;;) {
        FDevice = FDevManager->GetDeviceByName(deviceName);
        Q_EMIT DeviceChanged();
        if (FDevice != nullptr) {
            FLog.LogLine(SelectedDeviceText(FDevice->DeviceName()), 2);
            ReadDeviceTree(false);
        }
        if (DeviceIsReady())
            return true;
        if (!confirmNotReady || !confirmNotReady(DeviceNotReadyText(deviceName)))
            return false;
        RefreshDeviceList();
    }
}

bool TMainJob::LoadTask(const QString &fileName, const TConfirmNotReady &confirmNotReady)
{
    if (IsRunning())
        return false;
    TaskName = fileName;
    FMissingFolders = 0;
    std::unique_ptr<TUnicodeIniFile> file;
    try {
        file = TUnicodeIniFile::CreateForRead(fileName);
    } catch (const EStreamError &e) {
        FLog.LogLine(ErrorLineText(e.Message()), 0);
        return false;
    }
    TUnicodeIniFile &ini = *file;
    const QString deviceName = ini.ReadString(SecConfig, QStringLiteral("DeviceName"), QString());
    if (!OpenTaskDevice(deviceName, confirmNotReady))
        return false;

    Config.Destination = ini.ReadString(SecConfig, QStringLiteral("Destination"), QString());
    ReadConfigKeys(ini, Config);

    // Every saved folder that exists is selected, at any depth; one that is
    // gone is reported, so that a run never quietly covers less than chosen.
    Selection.clear();
    TPortableDeviceContent &content = FDevice->Content();
    const int dirCount = ini.ReadInteger(SecConfig, QStringLiteral("DirCount"), 0);
    for (int i = 0; i < dirCount; ++i) {
        const QString path = ini.ReadString(SecDirectories, DirKey(i), QString());
        if (path.isEmpty())
            continue;
        int index = content.GetObjectIndexByPath(path);
        // The device node is saved under its own name, which a path lookup
        // (storages first) does not find.
        const TPortableDeviceObject *deviceObject = content.DeviceObject();
        if (index < 0 && deviceObject != nullptr && path.compare(deviceObject->DisplayName(), Qt::CaseInsensitive) == 0)
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
    return true;
}

QString TMainJob::SaveTask(const QString &fileName, const QString &deviceName)
{
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
                ini.WriteString(SecDirectories, DirKey(count++), object->Path());
        }
        ini.WriteInteger(SecConfig, QStringLiteral("DirCount"), count);
        ini.Close();
    } catch (const EStreamError &e) {
        error = e.Message();
    }
    SetEditStatus(esSaved);
    return error;
}

TRunTotals TMainJob::BackupSelected()
{
    if (FRun != nullptr || FDevice == nullptr) {
        if (FDevice == nullptr)
            FLog.LogLine(NoDirectorySelectedText(), 0);
        return {};
    }
    TBackupRun run(*FDevice, Config, FLog);
    FRun = &run;
    Q_EMIT RunStarted();
    try {
        run.BackupSelected(Selection);
    } catch (...) {
        // A device-call error ends the run early: the job is free again and
        // the views hear of the end before the error goes on to the caller.
        FRun = nullptr;
        Q_EMIT RunFinished(run.Totals());
        throw;
    }
    FRun = nullptr;
    Q_EMIT RunFinished(run.Totals());
    return run.Totals();
}

void TMainJob::CancelRun()
{
    if (FRun != nullptr)
        FRun->Cancel();
}

bool TMainJob::RunCommandLineTask(const TConfirmNotReady &confirmNotReady, const QString &logFolder, TRunTotals *totals)
{
    if (TaskName.isEmpty() || !QFileInfo(TaskName).isFile())
        return false;
    if (!LoadTask(TaskName, confirmNotReady) || !ForceTask)
        return false;
    FLog.LogLine(RunSeparatorText(), 0);
    StartTime = NowLocal();
    FLog.LogLine(RunStartText(StartTime, QFileInfo(TaskName).fileName()), 0);
    const TRunTotals result = BackupSelected();
    FLog.LogLine(RunFinishedText(StartTime, NowLocal()), 0);
    if (totals != nullptr)
        *totals = result;
    FLogSaveError.clear();
    if (CloseProg && !logFolder.isEmpty())
        FLogSaveError = FLog.SaveToFile(QDir(logFolder).filePath(TaskLogFileName(TaskName)));
    if (!FLogSaveError.isEmpty())
        FLog.LogLine(ErrorLineText(FLogSaveError), 0);
    return true;
}
