#pragma once

#include "app/BackupConfig.h"
#include "app/CommandLine.h"
#include "app/Locations.h"
#include "app/MainJob.h"
#include "env/FamilySystem.h"

#include <QWidget>

#include <memory>

class QCheckBox;
class QLineEdit;
class QRadioButton;
class QTimer;
class TCompressionBox;
class TDestinationRow;
class TDevicePanel;
class TFilterSummary;
class TFolderBrowser;
class TLogPane;
class TOxButton;
class TRunProgressView;
class TTimeSlotBox;
struct TWindowIcons;

// Everything the window is started with.
struct TMainFormStart
{
    TSystemEnvironment Env;
    TLocations Locations;
    QStringList Arguments; // after the program file
};

// The main window: it assembles its parts (devices, folder browser,
// destination, time slot, compression, filter, log) and wires them to
// TMainJob, which does the work. The parts carry the controls' names as
// object names.
class TMainForm : public QWidget
{
    Q_OBJECT
public:
    explicit TMainForm(TMainFormStart start, QWidget *parent = nullptr);
    ~TMainForm() override;

    TMainJob &Job() { return *FJob; }
    const TLocations &Locations() const { return FLocations; }
    TEditStatus EditStatus() const { return FJob->EditStatus(); }
    bool ForceTask() const { return FJob->ForceTask; }
    bool CloseProg() const { return FJob->CloseProg; }
    bool UseDarkMode() const { return FUseDarkMode; }
    QTimer *StartTimer() const { return FStartTimer; }
    bool IsRunning() const { return FJob->IsRunning(); }

    // The window's operations.
    void RefreshDeviceList(const QString &header = QString());
    void SelectDevice(int listIndex, bool selectStorages);
    void ControlsToTimeSlot();
    void ControlsToConfig();
    void ConfigToControls();
    bool LoadTask(const QString &fileName);
    void SaveTask(const QString &fileName);
    bool SaveTaskAs();
    // 0: go on, 1: unsaved and no task to save it to, 2: cancelled.
    int QuerySaveChanges();
    void SetCaption();
    QString BatteryIconName() const;
    int SortTag() const;
    // Tree selection in selection order, as object indexes.
    QList<int> SelectedIndexes() const;

    // Handlers.
    // Starts a backup, or stops the one (or the preview) under way.
    void bbStartClick();
    // Lists in the log what a backup would do, writing nothing.
    void bbPreviewClick();
    void bbResetClick();
    void bbOpenClick();
    void bbSaveClick();
    void bbSaveAsClick();
    // Asks, then writes the task's desktop launcher (replacing one after a second question).
    void bbShortcutClick();
    void RunAutomaticallyClick();
    void bbCopyClick();
    void bbHelpClick();
    void bbInfoClick();
    void lvFilesColumnClick(int column);
    void tmStartTimer();

    // Test hooks for the file dialogs: the next name to answer (empty: cancel).
    static void SetNextFileName(const QString &fileName);

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void FormCreate(const QStringList &arguments);
    void FormShow();
    void CreateControls();
    QWidget *CreateOverwriteColumn();
    QWidget *CreateButtonRow();
    QWidget *CreateStatusRow();
    void CreateShortcuts();
    void ConnectParts();
    void ConnectJob();
    void ApplyIcons();
    void ConfigChange();
    void DeviceChosen(int row);
    void bbNoCompClick(QWidget *button);
    void FilterBtnClick();
    void bbPhDirClick(QWidget *button);
    void bbDestDirClick();
    void ShowDeviceInfo();
    void ShowLoadedTask();
    void SetBusy(bool busy);
    void ShowStartAsStop(bool stop);
    void StartRun(TRunMode mode);
    void RunBegun();
    void RunEnded(const TRunTotals &totals);
    void AlignFileProcessing();
    bool ConfirmNotReady(const QString &question);
    QString AskFileName(bool save);
    QString DeviceCaption() const;
    void WriteSettings();

    std::unique_ptr<TWindowIcons> FIcons;
    std::unique_ptr<TMainJob> FJob;
    TSystemEnvironment FEnv;
    TLocations FLocations;
    QString FFamilyProgramPath;
    QString FProgramVersionDate;
    bool FUseDarkMode = false;
    bool FCloseAfterRun = false;
    bool FShown = false;

    TDevicePanel *FDevicePanel = nullptr;
    TFolderBrowser *FBrowser = nullptr;
    TDestinationRow *FDestination = nullptr;
    TTimeSlotBox *FTimeSlot = nullptr;
    TCompressionBox *FCompression = nullptr;
    TFilterSummary *FFilterSummary = nullptr;
    QWidget *FOverwriteGroup = nullptr;
    QRadioButton *FOverwrite[3]{};
    QCheckBox *FArchive = nullptr;
    TOxButton *FReset = nullptr, *FOpen = nullptr, *FSave = nullptr, *FSaveAs = nullptr, *FShortcut = nullptr,
              *FStart = nullptr, *FPreview = nullptr, *FHelp = nullptr, *FInfo = nullptr, *FQuit = nullptr,
              *FCopy = nullptr;
    QLineEdit *FStatus = nullptr;
    TRunProgressView *FProgress = nullptr;
    // What the run under way does; a run the job starts by itself is a backup.
    TRunMode FRunMode = TRunMode::Backup;
    TLogPane *FLog = nullptr;
    QTimer *FStartTimer = nullptr;
    QList<QWidget *> FLockedWhileBusy;
};
