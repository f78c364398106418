#pragma once

#include "app/BackupConfig.h"
#include "app/CommandLine.h"
#include "app/Locations.h"
#include "app/MainJob.h"
#include "env/FamilySystem.h"
#include "ui/ComboHistory.h"

#include <QComboBox>
#include <QPointer>
#include <QWidget>

#include <memory>

class QCheckBox;
class QDateTimeEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QRadioButton;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;
class TIconList;
class TNumUpDown;
class TOxButton;
class TRangeEdit;

// The drop-down list of the time slot: one blank before each item's text, in
// the colours of the active style.
class TTimeSlotCombo : public QComboBox
{
    Q_OBJECT
public:
    explicit TTimeSlotCombo(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};

// The battery icon for a charge level: "battery-25", "-50", "-75" or "-100".
QString BatteryIconOf(std::uint32_t level);

// Everything the window is started with.
struct TMainFormStart
{
    TSystemEnvironment Env;
    TLocations Locations;
    QStringList Arguments; // after the program file
};

// The main window: devices, folder tree, files, the backup configuration and
// the log. It is a view of TMainJob, which does the work.
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
    QTimer *StartTimer() const { return tmStart; }
    bool IsRunning() const { return FJob->IsRunning(); }

    // The window's parts, named as the controls they are.
    QListWidget *lbDevices = nullptr;
    TOxButton *bbRefresh = nullptr;
    QLabel *imgWarning = nullptr;
    QGroupBox *gbDevice = nullptr;
    QLabel *laManu = nullptr, *laDesc = nullptr, *laType = nullptr, *laPower = nullptr, *laFirmware = nullptr;
    QLabel *imgBattery = nullptr;
    QTreeWidget *tvObjects = nullptr;
    QTreeWidget *lvFiles = nullptr;
    THistoryComboBox *edDestDir = nullptr;
    TOxButton *bbPhDir = nullptr, *bbDestDir = nullptr;
    QGroupBox *paFileProc = nullptr;
    QCheckBox *cbComp = nullptr, *cbZipComp = nullptr;
    QLabel *lbComp = nullptr;
    QListWidget *NoCompList = nullptr;
    TOxButton *bbNoComp = nullptr;
    QGroupBox *gbTimeSlot = nullptr;
    TTimeSlotCombo *cbTimeSlot = nullptr;
    QDateTimeEdit *FromDate = nullptr, *ToDate = nullptr;
    QLabel *lbFrom = nullptr, *lbTo = nullptr, *lbDays = nullptr;
    TRangeEdit *reDays = nullptr;
    TNumUpDown *udDays = nullptr;
    QGroupBox *gbFilter = nullptr;
    QLineEdit *edFilterMask = nullptr;
    QLabel *lbRegular = nullptr;
    TOxButton *FilterBtn = nullptr;
    QGroupBox *rgOverwrite = nullptr;
    QRadioButton *rbOverwrite[3]{};
    QCheckBox *cbArchive = nullptr;
    TOxButton *bbReset = nullptr, *bbOpen = nullptr, *bbSave = nullptr, *bbSaveAs = nullptr, *bbShortcut = nullptr,
              *bbStart = nullptr, *bbHelp = nullptr, *bbInfo = nullptr, *bbQuit = nullptr;
    QLineEdit *edLastDir = nullptr;
    TOxButton *bbCopy = nullptr;
    QPlainTextEdit *meProgress = nullptr;
    QTimer *tmStart = nullptr;

    // The window's operations.
    void RefreshDeviceList(const QString &header = QString());
    void SelectDevice(int listIndex, bool selectStorages);
    void ShowDeviceInfo();
    void LoadFolderTree();
    void ShowFolderFiles(int objectIndex);
    void SelectNodeByIndex(int objectIndex);
    void UpdateCompressControls();
    void ShowFilterText();
    void LayoutTimeSlot();
    void TimeSlotToControls();
    void ControlsToTimeSlot();
    void ControlsToConfig();
    void ConfigToControls();
    bool LoadTask(const QString &fileName);
    void SaveTask(const QString &fileName);
    bool SaveTaskAs();
    int QuerySaveChanges();
    void SetCaption();
    QString BatteryIconName() const { return FBatteryIcon; }
    int SortTag() const { return FSortTag; }
    // Tree selection in selection order, as object indexes.
    QList<int> SelectedIndexes() const;

    // Handlers.
    void bbStartClick();
    void bbResetClick();
    void bbOpenClick();
    void bbSaveClick();
    void bbSaveAsClick();
    // Asks, then writes the task's desktop launcher (replacing one after a second question).
    void bbShortcutClick();
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
    bool eventFilter(QObject *watched, QEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void FormCreate(const QStringList &arguments);
    void FormShow();
    void CreateControls();
    QWidget *CreateLeftColumn();
    QWidget *CreateBrowser();
    QWidget *CreateDestinationRow();
    QWidget *CreateOptionsRow();
    QWidget *CreateButtonRow();
    QWidget *CreateStatusRow();
    void CreateTimeSlotGroup();
    void ConnectJob();
    void ApplyIcons();
    void ConfigChange();
    void FromDateChange();
    void ToDateChange();
    void cbTimeSlotCloseUp();
    void cbCompClick();
    void tvObjectsExpanding(QTreeWidgetItem *node);
    void tvSelectionChanged();
    void AddSubfolders(QTreeWidgetItem *node, int objectIndex);
    void ClearBrowser();
    void SortFiles();
    void ShowLoadedTask();
    void SetRunning(bool running);
    void AlignFileProcessing();
    void ResizeFileColumns();
    void AppendLogLine(const QString &line);
    void ReplaceLastLogLine(const QString &line);
    bool ConfirmNotReady(const QString &question);
    QString AskFileName(bool save);
    QString DeviceCaption() const;
    void WriteSettings();

    std::unique_ptr<TMainJob> FJob;
    TSystemEnvironment FEnv;
    TLocations FLocations;
    QString FFamilyProgramPath;
    QString FProgramVersionDate;
    bool FUseDarkMode = false;
    int FFileProgressHeight = 0;
    int FSortTag = 0;
    QString FBatteryIcon;
    QList<int> FSelectionOrder;
    bool FSyncingSelection = false;
    bool FCloseAfterRun = false;
    bool FShown = false;
    int FDeviceRow = -1; // the device list's row of the selected device
    QString FDateFormat;
    QString FTimeFormat;
    std::unique_ptr<TIconList> FLargeIcons;
    std::unique_ptr<TIconList> FGlyphs;
    std::unique_ptr<TIconList> FBatteryIcons;
    std::unique_ptr<TIconList> FHeaderIcons;
    std::unique_ptr<TIconList> FFileTypeIcons;
    std::unique_ptr<TIconList> FTreeIcons;
    QList<QWidget *> FRunLocked;
};
