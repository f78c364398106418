// The main window's task files: open, save, save as, the question about
// unsaved changes, the caption, and the task's desktop launcher.
#include "ui/MainForm.h"

#include "ui/ComboHistory.h"
#include "ui/DialogPlace.h"
#include "ui/MessageDialog.h"
#include "ui/OxButton.h"
#include "ui/UiText.h"
#include "ui/dialogs/ScheduleDialog.h"
#include "ui/widgets/CompressionBox.h"
#include "ui/widgets/DestinationRow.h"
#include "ui/widgets/DevicePanel.h"
#include "ui/widgets/FolderBrowser.h"

#include "app/DesktopShortcut.h"
#include "app/ProgressLog.h"
#include "app/Schedule.h"
#include "base/SafeFormat.h"
#include "device/PortableDevice.h"
#include "env/ProgramVersion.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

bool &HasNextFileName()
{
    static bool has = false;
    return has;
}

QString &NextFileName()
{
    static QString name;
    return name;
}

} // namespace

void TMainForm::ShowLoadedTask()
{
    // The job has opened the task's device and read its configuration; the
    // device list may have been read anew while it waited for the device.
    TPortableDeviceManager &manager = FJob->DevManager();
    if (FDevicePanel->DeviceNames().size() != int(manager.DeviceCount())) {
        QStringList names;
        for (int i = 0; i < int(manager.DeviceCount()); ++i)
            names << manager.DeviceFriendlyName(i);
        FDevicePanel->ShowDeviceNames(names);
    }
    const QString name = DeviceCaption();
    const QStringList names = FDevicePanel->DeviceNames();
    for (int i = 0; i < names.size(); ++i)
        if (names[i].compare(name, Qt::CaseInsensitive) == 0)
            FDevicePanel->MarkSelected(i);
    FBrowser->LoadFolderTree();
    FBrowser->ExpandTopFolders();
    ShowHistory(FDestination->Box(), HistoryOf(FDestination->Box()));
    ConfigToControls();
    FShortcut->setEnabled(true);
}

bool TMainForm::LoadTask(const QString &fileName)
{
    // The job reads the device on its worker; TaskLoaded shows the task.
    FBrowser->Clear();
    try {
        return FJob->LoadTask(fileName, [this](const QString &question) { return ConfirmNotReady(question); });
    } catch (const std::exception &error) {
        FJob->Log().LogLine(QString::fromLocal8Bit(error.what()), 0);
    }
    return false;
}

void TMainForm::SaveTask(const QString &fileName)
{
    if (FJob->IsBusy())
        return;
    ControlsToConfig();
    FJob->Selection = FBrowser->SelectedIndexes();
    const QString error = FJob->SaveTask(fileName, DeviceCaption());
    if (!error.isEmpty())
        ErrorDialog(error);
}

QString TMainForm::AskFileName(bool save)
{
    if (HasNextFileName()) {
        HasNextFileName() = false;
        return NextFileName();
    }
    // The dialogs start in the task folder, made when it is missing.
    QDir().mkpath(FLocations.JobDir);
    const QString filter =
        SafeFormat(PrgText::tr("Backup tasks|*.%s"), QStringLiteral("tsj")) + QLatin1Char('|') + PrgText::tr("all|*.*");
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2)
        filters << parts[i] + QStringLiteral(" (") + parts[i + 1] + QLatin1Char(')');
    const QString start = FJob->TaskName.isEmpty() ? FLocations.JobDir : FJob->TaskName;
    const QString joined = filters.join(QStringLiteral(";;"));
    // The desktop's own file dialogs.
    if (save)
        return QFileDialog::getSaveFileName(this, PrgText::tr("Save backup configuration for portable device"), start,
                                            joined);
    return QFileDialog::getOpenFileName(this, PrgText::tr("Load backup configuration for portable device"), start,
                                        joined);
}

int TMainForm::QuerySaveChanges()
{
    if (FJob->EditStatus() != esChanged)
        return 0;
    const QString name = QFileInfo(FJob->TaskName).fileName();
    const int answer =
        ConfirmYesNoDialog(TopLeftPos(*FOpen), SafeFormat(PrgText::tr("Save changed task to \"%s\"?"), name), mbNo);
    if (answer == mrCancel)
        return 2;
    if (answer == mrYes) {
        if (!FJob->TaskName.isEmpty())
            SaveTask(FJob->TaskName);
        else
            SaveTaskAs();
        return 0;
    }
    if (FJob->TaskName.isEmpty())
        return 1;
    FJob->SetEditStatus(esSaved);
    return 0;
}

void TMainForm::SetCaption()
{
    if (FJob->TaskName.isEmpty() || FJob->EditStatus() == esNew) {
        setWindowTitle(CaptionText(PrgText::tr("Backup files from a portable device"), FJob->TaskName));
        return;
    }
    setWindowTitle(
        CaptionText(PrgText::tr("Backup files from a portable device"), QFileInfo(FJob->TaskName).completeBaseName()));
}

void TMainForm::bbOpenClick()
{
    if (FJob->IsBusy())
        return;
    if (QuerySaveChanges() >= 2)
        return;
    const QString fileName = AskFileName(false);
    if (fileName.isEmpty() || !QFileInfo(fileName).isFile())
        return;
    FJob->Log().Clear();
    LoadTask(fileName);
}

void TMainForm::bbSaveClick()
{
    if (!FJob->TaskName.isEmpty())
        SaveTask(FJob->TaskName);
    else
        SaveTaskAs();
}

void TMainForm::bbSaveAsClick()
{
    SaveTaskAs();
}

bool TMainForm::SaveTaskAs()
{
    const QString fileName = AskFileName(true);
    if (fileName.isEmpty())
        return false;
    SaveTask(fileName);
    SetCaption();
    FShortcut->setEnabled(!FJob->TaskName.isEmpty());
    return true;
}

void TMainForm::bbShortcutClick()
{
    if (FJob->TaskName.isEmpty())
        return;
    const TDesktopShortcut shortcut = DesktopShortcutFor(FJob->TaskName, DetermineDesktopDir(FEnv));
    const QString title = PrgText::tr("Backup files from a portable device") + QLatin1Char('\n');
    const bool confirmed =
        DesktopShortcutExists(shortcut)
            ? ConfirmDialog(TopLeftPos(*FShortcut),
                            title + SafeFormat(PrgText::tr("Replace existing desktop shortcut \"%s\"?"), shortcut.Name),
                            mbYes)
            : ConfirmDialog(BottomLeftPos(*FShortcut),
                            title + SafeFormat(PrgText::tr("Create desktop shortcut for \"%s\"?"), shortcut.Base),
                            mbYes);
    if (!confirmed)
        return;
    const QString error =
        CreateDesktopShortcut(shortcut, TaskShortcutTarget(FEnv.ProgramFile, FJob->TaskName, FLocations.JobDir));
    if (!error.isEmpty())
        ErrorDialog(BottomLeftPos(*FShortcut),
                    PrgText::tr("Error creating desktop shortcut!") + QLatin1Char('\n') + error);
}

void TMainForm::SetNextFileName(const QString &fileName)
{
    NextFileName() = fileName;
    HasNextFileName() = true;
}

void TMainForm::RunAutomaticallyClick()
{
    if (FJob->TaskName.isEmpty()) {
        InfoDialog(BottomLeftPos(*FShortcut), PrgText::tr("Save the settings as a backup task first."));
        return;
    }
    // The command-line runner beside this program, else the one on PATH.
    QString cli = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("tessaril-cli"));
    if (!QFileInfo(cli).isExecutable())
        cli = QStandardPaths::findExecutable(QStringLiteral("tessaril-cli"));
    if (cli.isEmpty()) {
        ErrorDialog(BottomLeftPos(*FShortcut), PrgText::tr("The command-line runner tessaril-cli was not found."));
        return;
    }
    TUserUnits units(TUserUnits::DefaultFolder());
    EditTaskSchedule(BottomLeftPos(*FShortcut), QFileInfo(FJob->TaskName).absoluteFilePath(), cli,
                     QDir(FLocations.ConfigDir).filePath(TaskLogFileName(FJob->TaskName)), units);
}
