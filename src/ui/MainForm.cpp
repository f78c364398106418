#include "ui/MainForm.h"

#include "ui/Appearance.h"
#include "ui/ComboHistory.h"
#include "ui/DialogPlace.h"
#include "ui/Help.h"
#include "ui/MessageDialog.h"
#include "ui/OxButton.h"
#include "ui/UiText.h"
#include "ui/dialogs/DirectoryChooser.h"
#include "ui/dialogs/FilterDialog.h"
#include "ui/dialogs/ListEditor.h"
#include "ui/dialogs/PlaceholderDialog.h"
#include "ui/widgets/BoldLabel.h"
#include "ui/widgets/CompressionBox.h"
#include "ui/widgets/DestinationRow.h"
#include "ui/widgets/DevicePanel.h"
#include "ui/widgets/FilterSummary.h"
#include "ui/widgets/FolderBrowser.h"
#include "ui/widgets/LogPane.h"
#include "ui/widgets/RunProgressView.h"
#include "ui/widgets/TimeSlotBox.h"
#include "ui/widgets/WindowIcons.h"

#include "app/LogMessages.h"
#include "app/Placeholders.h"
#include "app/ProgramSettings.h"
#include "app/ProgressLog.h"
#include "app/TimeSlot.h"
#include "base/SafeFormat.h"
#include "device/DeviceError.h"
#include "device/PortableDevice.h"
#include "device/PortableDeviceContent.h"
#include "env/CommaText.h"
#include "env/Family.h"
#include "env/LocaleText.h"
#include "env/ProgramVersion.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QShortcut>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

TMainForm::TMainForm(TMainFormStart start, QWidget *parent)
    : QWidget(parent), FEnv(std::move(start.Env)), FLocations(std::move(start.Locations))
{
    setObjectName(QStringLiteral("TMainForm"));
    FormCreate(start.Arguments);
}

TMainForm::~TMainForm()
{
    if (MainWindow() == this)
        SetMainWindow(nullptr);
}

void TMainForm::FormCreate(const QStringList &arguments)
{
    FIcons = std::make_unique<TWindowIcons>();
    FProgramVersionDate = DateText(QFileInfo(QCoreApplication::applicationFilePath()).lastModified().date());
    FJob = std::make_unique<TMainJob>(TWorkMode::Threaded, this);
    FFamilyProgramPath = FamilyProgramPath(FEnv);

    CreateControls();
    ConnectParts();
    ConnectJob();
    CreateShortcuts();

    const TRunOptions options = ParseRunOptions(arguments);
    FJob->ForceTask = options.ForceTask;
    FJob->CloseProg = options.CloseProg;
    FUseDarkMode = options.UseDarkMode;
    FJob->TaskName = TaskFileName(options.TaskArgument, FLocations.JobDir, FEnv);

    TWindowPlace place;
    QStringList history;
    const QString settingsError = ReadProgramSettings(FLocations.IniName, place, FJob->Config, history);
    if (!settingsError.isEmpty())
        ErrorDialog(settingsError);
    ShowHistory(FDestination->Box(), history);
    SetFilterHistory(FLocations.IniName, QStringLiteral("FileFilter"));
    if (place.Width > 0 && place.Height > 0)
        resize(place.Width, place.Height);
    if (place.Left != 0 || place.Top != 0)
        move(place.Left, place.Top);

    SetDarkStyleName(QStringLiteral("Fusion Dark"));
    if (FUseDarkMode)
        ApplyDarkMode(true);
    else if (ReadFamilyDarkMode(FLocations.FamilyCfg))
        FollowSystemDarkMode();
    ApplyIcons();

    SetCaption();
    InstallHintKey(*this);
    SetMainWindow(this);
}

void TMainForm::CreateControls()
{
    const auto scale = [this](int pixels) { return ScaleToMonitor(pixels, this); };
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(scale(8), scale(8), scale(8), scale(8));
    outer->setSpacing(scale(6));

    auto *paTop = new QWidget(this);
    paTop->setObjectName(QStringLiteral("paTop"));
    auto *top = new QGridLayout(paTop);
    top->setContentsMargins(0, 0, 0, 0);
    top->setHorizontalSpacing(scale(10));
    top->setVerticalSpacing(scale(6));

    auto *left = new QWidget(paTop);
    left->setFixedWidth(scale(300));
    auto *leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->setSpacing(scale(6));
    FDevicePanel = new TDevicePanel(*FIcons, left);
    leftLayout->addWidget(FDevicePanel);
    FCompression = new TCompressionBox(*FIcons, left);
    leftLayout->addWidget(FCompression);
    leftLayout->addStretch(1);

    auto *right = new QWidget(paTop);
    auto *rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->setSpacing(scale(6));
    FBrowser = new TFolderBrowser(*FJob, *FIcons, right);
    rightLayout->addWidget(FBrowser, 1);
    FDestination = new TDestinationRow(*FIcons, right);
    rightLayout->addWidget(FDestination);
    auto *options = new QHBoxLayout;
    options->setSpacing(scale(8));
    FTimeSlot = new TTimeSlotBox(right);
    options->addWidget(FTimeSlot, 0, Qt::AlignTop);
    FFilterSummary = new TFilterSummary(*FIcons, right);
    FFilterSummary->setFixedHeight(FTimeSlot->height());
    options->addWidget(FFilterSummary, 1, Qt::AlignTop);
    options->addWidget(CreateOverwriteColumn());
    rightLayout->addLayout(options);
    rightLayout->addWidget(CreateButtonRow());

    top->addWidget(left, 0, 0);
    top->addWidget(right, 0, 1);
    top->setColumnStretch(1, 1);
    top->addWidget(CreateStatusRow(), 1, 0, 1, 2);
    FProgress = new TRunProgressView(paTop);
    top->addWidget(FProgress, 2, 0, 1, 2);
    outer->addWidget(paTop);

    FLog = new TLogPane(this);
    outer->addWidget(FLog, 1);

    FStartTimer = new QTimer(this);
    FStartTimer->setSingleShot(true);
    FStartTimer->setInterval(1000);
    connect(FStartTimer, &QTimer::timeout, this, &TMainForm::tmStartTimer);

    // The smallest size follows the layout, so every part shows whole in
    // whatever language and with whatever controls are shown.
    outer->setSizeConstraint(QLayout::SetMinimumSize);
    const QSize least = outer->minimumSize();
    resize(qMax(scale(1060), least.width()), qMax(scale(780), least.height()));
}

QWidget *TMainForm::CreateOverwriteColumn()
{
    const auto scale = [this](int pixels) { return ScaleToMonitor(pixels, this); };
    auto *column = new QWidget(this);
    auto *layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(scale(4));
    auto *group = new QGroupBox(PrgText::tr("Overwrite"), column);
    group->setObjectName(QStringLiteral("rgOverwrite"));
    FOverwriteGroup = group;
    auto *radios = new QVBoxLayout(group);
    radios->setSpacing(scale(2));
    const QString captions[3] = {PrgText::tr("existing files when older"), PrgText::tr("all existing files"),
                                 PrgText::tr("no existing files")};
    for (int i = 0; i < 3; ++i) {
        FOverwrite[i] = new QRadioButton(captions[i], group);
        FOverwrite[i]->setObjectName(QStringLiteral("rbOverwrite%1").arg(i));
        radios->addWidget(FOverwrite[i]);
        connect(FOverwrite[i], &QRadioButton::clicked, this, &TMainForm::ConfigChange);
    }
    layout->addWidget(group);
    FArchive = new QCheckBox(PrgText::tr("Set archive bit"), column);
    FArchive->setObjectName(QStringLiteral("cbArchive"));
    connect(FArchive, &QCheckBox::clicked, this, &TMainForm::ConfigChange);
    layout->addWidget(FArchive);
    layout->addStretch(1);
    return column;
}

QWidget *TMainForm::CreateButtonRow()
{
    const auto scale = [this](int pixels) { return ScaleToMonitor(pixels, this); };
    auto *row = new QWidget(this);
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, scale(2), 0, 0);
    layout->setSpacing(scale(6));
    const auto make = [&](TOxButton *&button, const char *name, const QString &hint) {
        button = new TOxButton(row);
        button->setObjectName(QString::fromLatin1(name));
        button->setToolTip(hint);
        button->setFixedSize(scale(48), scale(44));
        layout->addWidget(button);
    };
    make(FReset, "bbReset", PrgText::tr("Reset to default configuration"));
    layout->addSpacing(scale(6));
    make(FOpen, "bbOpen", PrgText::tr("Open backup task") + QStringLiteral(" (Ctrl+O)"));
    make(FSave, "bbSave", PrgText::tr("Save configuration as task") + QStringLiteral(" (Ctrl+S)"));
    make(FSaveAs, "bbSaveAs", PrgText::tr("Save as new task") + QStringLiteral(" (Ctrl+Shift+S)"));
    make(FShortcut, "bbShortcut", PrgText::tr("Create Desktop shortcut"));
    layout->addStretch(1);
    FStart = new TOxButton(row);
    FStart->setObjectName(QStringLiteral("bbStart"));
    FStart->SetLayout(blGlyphLeft);
    FStart->SetSpacing(8);
    FStart->setFixedHeight(scale(44));
    QFont bold = FStart->font();
    bold.setBold(true);
    FStart->setFont(bold);
    ShowStartAsStop(false);
    layout->addWidget(FStart);
    FPreview = new TOxButton(PrgText::tr("&Preview"), row);
    FPreview->setObjectName(QStringLiteral("bbPreview"));
    FPreview->setToolTip(PrgText::tr("List what a backup would copy, update or skip, without writing anything"));
    FPreview->SetLayout(blGlyphLeft);
    FPreview->SetSpacing(6);
    FPreview->setFixedHeight(scale(44));
    layout->addWidget(FPreview);
    layout->addSpacing(scale(6));
    layout->addStretch(1);
    make(FHelp, "bbHelp", PrgText::tr("Program help") + QStringLiteral(" (F1)"));
    make(FInfo, "bbInfo", PrgText::tr("Version info"));
    make(FQuit, "bbQuit", PrgText::tr("Quit program and save settings") + QStringLiteral(" (Ctrl+Q)"));
    // Enabled once a task has been loaded or saved under a new name.
    FShortcut->setEnabled(false);
    return row;
}

QWidget *TMainForm::CreateStatusRow()
{
    auto *row = new QWidget(this);
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(ScaleToMonitor(6, this));
    layout->addWidget(BoldLabel(PrgText::tr("Backup status:"), row));
    FStatus = new QLineEdit(row);
    FStatus->setObjectName(QStringLiteral("edLastDir"));
    FStatus->setReadOnly(true);
    FStatus->setFocusPolicy(Qt::NoFocus);
    layout->addWidget(FStatus, 1);
    FCopy = new TOxButton(row);
    FCopy->setObjectName(QStringLiteral("bbCopy"));
    FCopy->setToolTip(PrgText::tr("Copy to clipboard"));
    layout->addWidget(FCopy);
    return row;
}

void TMainForm::CreateShortcuts()
{
    const auto add = [this](const QKeySequence &keys, auto handler) {
        auto *shortcut = new QShortcut(keys, this);
        connect(shortcut, &QShortcut::activated, this, handler);
    };
    add(QKeySequence(Qt::Key_F1), &TMainForm::bbHelpClick);
    add(QKeySequence(Qt::CTRL | Qt::Key_O), [this] {
        if (FOpen->isEnabled())
            bbOpenClick();
    });
    add(QKeySequence(Qt::CTRL | Qt::Key_S), [this] {
        if (!FJob->IsBusy())
            bbSaveClick();
    });
    add(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), [this] {
        if (FSaveAs->isEnabled())
            bbSaveAsClick();
    });
    add(QKeySequence(Qt::CTRL | Qt::Key_Q), [this] { close(); });
    add(QKeySequence(Qt::Key_F5), [this] { RefreshDeviceList(); });
}

void TMainForm::ApplyIcons()
{
    FIcons->ScaleFor(this);
    const auto large = [&](TOxButton *button, const QString &name) {
        button->SetImages(&FIcons->Large);
        button->SetImageName(name);
        button->SetLayout(button == FStart || button == FPreview ? blGlyphLeft : blGlyphTop);
    };
    large(FReset, QStringLiteral("app-reset"));
    large(FOpen, QStringLiteral("app-open"));
    large(FSave, QStringLiteral("save"));
    large(FSaveAs, QStringLiteral("save-as"));
    large(FShortcut, QStringLiteral("backup-shortcut"));
    large(FStart, FJob->IsRunning() ? QStringLiteral("cancel") : QStringLiteral("backup-run"));
    large(FPreview, QStringLiteral("backup-preview"));
    large(FHelp, QStringLiteral("query-green"));
    large(FInfo, QStringLiteral("info-blue"));
    large(FQuit, QStringLiteral("switchoff"));
    SetGlyph(*FCopy, FIcons->Glyphs, QStringLiteral("copy"));
    // Wide enough for either caption, so that it keeps its width when it turns into "Stop".
    int startWidth = ScaleToMonitor(150, this);
    for (const bool stop : {true, false}) {
        ShowStartAsStop(stop);
        startWidth = qMax(startWidth, FStart->sizeHint().width());
    }
    ShowStartAsStop(FJob->IsRunning());
    FStart->setMinimumWidth(startWidth);
    FDevicePanel->RefreshIcons();
    FBrowser->RefreshIcons();
    FDestination->RefreshIcons();
    FCompression->RefreshIcons();
    FFilterSummary->RefreshIcons();
}

void TMainForm::ConnectParts()
{
    connect(FDevicePanel, &TDevicePanel::ReloadRequested, this, [this] { RefreshDeviceList(); });
    connect(FDevicePanel, &TDevicePanel::DeviceChosen, this, &TMainForm::DeviceChosen);
    connect(FBrowser, &TFolderBrowser::SelectionChanged, this,
            [this](const QList<int> &selection) { FJob->Selection = selection; });
    connect(FDestination, &TDestinationRow::Changed, this, &TMainForm::ConfigChange);
    connect(FTimeSlot, &TTimeSlotBox::Changed, this, &TMainForm::ConfigChange);
    connect(FCompression, &TCompressionBox::Changed, this, [this] {
        AlignFileProcessing();
        ConfigChange();
    });
    connect(FCompression, &TCompressionBox::EditTypesRequested, this, &TMainForm::bbNoCompClick);
    connect(FFilterSummary, &TFilterSummary::EditRequested, this, &TMainForm::FilterBtnClick);
    connect(FDestination, &TDestinationRow::PlaceholderRequested, this, &TMainForm::bbPhDirClick);
    connect(FDestination, &TDestinationRow::FolderRequested, this, &TMainForm::bbDestDirClick);
    connect(FReset, &QPushButton::clicked, this, &TMainForm::bbResetClick);
    connect(FOpen, &QPushButton::clicked, this, &TMainForm::bbOpenClick);
    connect(FSave, &QPushButton::clicked, this, &TMainForm::bbSaveClick);
    connect(FSaveAs, &QPushButton::clicked, this, &TMainForm::bbSaveAsClick);
    connect(FShortcut, &QPushButton::clicked, this, &TMainForm::bbShortcutClick);
    // The task's other ways to start: on the shortcut button's menu.
    auto *runAutomatically = new QAction(PrgText::tr("Run automatically…"), FShortcut);
    runAutomatically->setObjectName(QStringLiteral("acRunAutomatically"));
    FShortcut->addAction(runAutomatically);
    FShortcut->setContextMenuPolicy(Qt::ActionsContextMenu);
    connect(runAutomatically, &QAction::triggered, this, &TMainForm::RunAutomaticallyClick);
    connect(FStart, &QPushButton::clicked, this, &TMainForm::bbStartClick);
    connect(FPreview, &QPushButton::clicked, this, &TMainForm::bbPreviewClick);
    connect(FHelp, &QPushButton::clicked, this, &TMainForm::bbHelpClick);
    connect(FInfo, &QPushButton::clicked, this, &TMainForm::bbInfoClick);
    connect(FQuit, &QPushButton::clicked, this, &QWidget::close);
    connect(FCopy, &QPushButton::clicked, this, &TMainForm::bbCopyClick);

    // The start button stays usable while running: it is the stop button then.
    FLockedWhileBusy = {FDevicePanel, FBrowser, FDestination, FCompression, FTimeSlot, FFilterSummary, FOverwriteGroup,
                        FArchive,     FReset,   FOpen,        FSave,        FSaveAs,   FStart,         FPreview};
}

void TMainForm::ConnectJob()
{
    TProgressLog &log = FJob->Log();
    connect(&log, &TProgressLog::LineAdded, FLog, &TLogPane::AppendLine);
    connect(&log, &TProgressLog::LastLineReplaced, FLog, &TLogPane::ReplaceLastLine);
    connect(&log, &TProgressLog::Cleared, FLog, &TLogPane::ClearLines);
    connect(&log, &TProgressLog::StatusChanged, FStatus, &QLineEdit::setText);
    connect(FJob.get(), &TMainJob::EditStatusChanged, this,
            [this](TEditStatus status) { FSave->setEnabled(status == esChanged && !FJob->IsBusy()); });
    connect(FJob.get(), &TMainJob::DeviceChanged, this, [this] {
        if (!FJob->Device())
            FBrowser->Clear();
        ShowDeviceInfo();
    });
    // A refused task or run says why; shown once the refused call has returned.
    // An empty selection is only logged, as the pane already says it.
    connect(
        FJob.get(), &TMainJob::Refused, this,
        [](const QString &reason) {
            if (reason != NoDirectorySelectedText())
                ErrorDialog(reason);
        },
        Qt::QueuedConnection);
    // While the job works, nothing that would disturb it can be used.
    connect(FJob.get(), &TMainJob::BusyChanged, this, [this](bool busy) {
        SetBusy(busy);
        if (!busy && FCloseAfterRun)
            QTimer::singleShot(0, this, &QWidget::close);
    });
    connect(FJob.get(), &TMainJob::RunStarted, this, &TMainForm::RunBegun);
    connect(FJob.get(), &TMainJob::RunProgressChanged, FProgress, &TRunProgressView::ShowProgress);
    connect(FJob.get(), &TMainJob::RunFinished, this, &TMainForm::RunEnded);
    connect(FJob.get(), &TMainJob::DeviceTreeRead, this, [this] {
        if (FJob->Device() && FJob->Device()->Content().ErrorObjects().Count() > 0)
            FDevicePanel->ShowWarning(true);
        FBrowser->LoadFolderTree();
    });
    connect(FJob.get(), &TMainJob::TaskLoaded, this, [this](bool loaded) {
        if (loaded)
            ShowLoadedTask();
        if (FJob->EditStatus() == esSaved)
            SetCaption();
    });
    connect(FJob.get(), &TMainJob::CommandLineTaskFinished, this, [this](bool ran) {
        // A log that could not be saved keeps the window open, with the error in the pane.
        if (ran && FJob->CloseProg && FJob->LogSaveError().isEmpty())
            close();
    });
}

void TMainForm::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (FShown)
        return;
    FShown = true;
    // A position saved on another monitor layout must not hide the window.
    FitToWorkArea(*this);
    // Icons are drawn anew for the resolution of the monitor the window moves to.
    if (QWindow *window = windowHandle())
        connect(window, &QWindow::screenChanged, this, [this] { ApplyIcons(); });
    FormShow();
}

void TMainForm::FormShow()
{
    if (FDestination->Box().count() > 0)
        FDestination->Box().setCurrentIndex(0);
    ConfigToControls();
    FSave->setEnabled(false);
    FShortcut->setEnabled(false);
    FStartTimer->start();
    QTimer::singleShot(0, this, &TMainForm::AlignFileProcessing);
}

void TMainForm::tmStartTimer()
{
    FStartTimer->stop();
    QString header;
    if (FJob->ForceTask && FJob->CloseProg)
        header = StartHeaderText();
    RefreshDeviceList(header);
    if (FJob->TaskName.isEmpty() || !QFileInfo(FJob->TaskName).isFile())
        return;
    ControlsToConfig();
    // The job loads the task, runs it with ForceTask and says when it is done.
    try {
        FJob->RunCommandLineTask([this](const QString &question) { return ConfirmNotReady(question); },
                                 FLocations.ConfigDir);
    } catch (const EDeviceCallError &error) {
        FJob->Log().LogLine(error.Message(), 0);
    }
}

void TMainForm::RefreshDeviceList(const QString &header)
{
    if (FJob->IsBusy())
        return;
    FDevicePanel->ShowWarning(false);
    FDevicePanel->ShowDeviceNames({});
    QStringList names;
    try {
        names = FJob->RefreshDeviceList(header);
    } catch (const EDeviceCallError &error) {
        FJob->Log().LogLine(error.Message(), 0);
    }
    FDevicePanel->ShowDeviceNames(names);
    // No device is selected now: the details and the tree show none.
    FBrowser->Clear();
    ShowDeviceInfo();
}

void TMainForm::DeviceChosen(int row)
{
    if (!FJob->IsBusy())
        SelectDevice(row, true);
}

void TMainForm::SelectDevice(int listIndex, bool selectStorages)
{
    if (listIndex < 0 || listIndex >= FDevicePanel->DeviceNames().size() || FJob->IsBusy())
        return;
    FDevicePanel->MarkSelected(listIndex);
    FDevicePanel->ShowWarning(false);
    // The tree is read on the job's worker; DeviceTreeRead shows it.
    FBrowser->Clear();
    try {
        FJob->SelectDevice(listIndex, selectStorages);
    } catch (const EDeviceCallError &error) {
        FJob->Log().LogLine(error.Message(), 0);
    }
}

QString TMainForm::DeviceCaption() const
{
    TPortableDevice *device = FJob->Device();
    if (!device)
        return {};
    try {
        return device->DeviceName();
    } catch (const EDeviceCallError &) {
        return {};
    }
}

void TMainForm::ShowDeviceInfo()
{
    const QString error = FDevicePanel->ShowDevice(FJob->Device());
    if (!error.isEmpty())
        FJob->Log().LogLine(error, 0);
}

QString TMainForm::BatteryIconName() const
{
    return FDevicePanel->BatteryIconName();
}

int TMainForm::SortTag() const
{
    return FBrowser->SortTag();
}

QList<int> TMainForm::SelectedIndexes() const
{
    return FBrowser->SelectedIndexes();
}

void TMainForm::lvFilesColumnClick(int column)
{
    FBrowser->SortByColumn(column);
}

void TMainForm::AlignFileProcessing()
{
    // Without compression the group ends where the time slot group ends.
    const int bottom = FTimeSlot->mapTo(this, QPoint(0, FTimeSlot->height())).y();
    const int top = FCompression->mapTo(this, QPoint(0, 0)).y();
    FCompression->FitHeight(bottom - top);
}

void TMainForm::ConfigChange()
{
    FJob->SetEditStatus(esChanged);
}

void TMainForm::ControlsToTimeSlot()
{
    FTimeSlot->ReadPeriod(FJob->Config.TmPeriod);
}

void TMainForm::ControlsToConfig()
{
    TBackupConfig &config = FJob->Config;
    config.Destination = FDestination->Text();
    for (int i = 0; i < 3; ++i)
        if (FOverwrite[i]->isChecked())
            config.Overwrite = i;
    config.ArchBit = FArchive->isChecked();
    config.Compress = FCompression->Compress();
    config.CompressAsZip = FCompression->AsZip();
    ControlsToTimeSlot();
}

void TMainForm::ConfigToControls()
{
    const TBackupConfig &config = FJob->Config;
    {
        const QSignalBlocker blocker(FDestination);
        if (!config.Destination.isEmpty() || FDestination->Box().count() == 0)
            FDestination->SetText(config.Destination);
    }
    FOverwrite[qBound(0, config.Overwrite, 2)]->setChecked(true);
    FArchive->setChecked(config.ArchBit);
    FCompression->ShowCompression(config.Compress, config.CompressAsZip);
    FCompression->ShowTypes(config.AktNoComp);
    FTimeSlot->ShowPeriod(config.TmPeriod);
    FFilterSummary->ShowFilter(config.FFilter);
    AlignFileProcessing();
}

void TMainForm::bbResetClick()
{
    if (FJob->IsBusy())
        return;
    if (!ConfirmDialog(TopRightPos(*FReset), PrgText::tr("Reset to default configuration") + QLatin1Char('?'), mbYes))
        return;
    ControlsToConfig();
    TBackupConfig &config = FJob->Config;
    config.Overwrite = owOlder;
    config.Compress = false;
    config.CompressAsZip = false;
    config.FFilter.SetMode(fmOff);
    const TTimeRef ref = config.TmPeriod.TmRef;
    config.TmPeriod = DefaultTimePeriod(QDate::currentDate());
    config.TmPeriod.TmRef = ref;
    ConfigToControls();
    FBrowser->SelectOnlyCurrent();
}

void TMainForm::bbNoCompClick(QWidget *button)
{
    QStringList types = FJob->Config.AktNoComp;
    QString selected;
    if (EditList(TopRightPos(*button, {20, 0}), PrgText::tr("File types not to compress"), PrgText::tr("Type"),
                 soEdit | soOrder | soMulti | soNoConfirm, 2, ToCommaText(DefaultNoCompTypes()), types, selected)) {
        // An empty entry (files without an extension) is kept under its marker.
        if (types.removeAll(QString()) > 0)
            types << NoExtensionType;
        FJob->Config.AktNoComp = NormalizedTypeList(types);
        FCompression->ShowTypes(FJob->Config.AktNoComp);
    }
    ConfigChange();
}

void TMainForm::FilterBtnClick()
{
    if (ShowFilterDialog(PrgText::tr("Filter for filenames"), PrgText::tr("Backup files"), true, true,
                         FJob->Config.FFilter)) {
        FFilterSummary->ShowFilter(FJob->Config.FFilter);
        ConfigChange();
    }
}

void TMainForm::bbPhDirClick(QWidget *button)
{
    const QString placeholder = SelectPlaceholder(BottomRightPos(*button), ptPortable, DeviceCaption());
    if (placeholder.isEmpty())
        return;
    FDestination->InsertAtCaret(placeholder);
    ConfigChange();
}

void TMainForm::bbDestDirClick()
{
    QString folder = DestStartFolder(FDestination->Text());
    if (!ChooseDirectory(PrgText::tr("Select destination directory"), true, true, QString(), folder))
        return;
    AddToHistory(FDestination->Box(), QDir::toNativeSeparators(folder));
    ConfigChange();
}

void TMainForm::bbCopyClick()
{
    FLog->CopyToClipboard();
}

void TMainForm::bbHelpClick()
{
    ShowHelp(QStringLiteral("qy-device.html"));
}

void TMainForm::bbInfoClick()
{
    InfoDialog(DefaultPos, VersionText(FFamilyProgramPath, FProgramVersionDate, 3));
}

bool TMainForm::ConfirmNotReady(const QString &question)
{
    return ConfirmDialog(TopRightPos(*FOpen), question, mbYes);
}

void TMainForm::WriteSettings()
{
    ControlsToConfig();
    AddToHistory(FDestination->Box(), FJob->Config.Destination);
    TWindowPlace place;
    place.Left = pos().x();
    place.Top = pos().y();
    place.Width = width();
    place.Height = height();
    const QString error = WriteProgramSettings(FLocations.IniName, place, FJob->Config, HistoryOf(FDestination->Box()));
    if (!error.isEmpty())
        ErrorDialog(error);
}

void TMainForm::closeEvent(QCloseEvent *event)
{
    if (FJob->IsBusy()) {
        // A run is stopped only when the user says so; a tree read ends by
        // itself. The window closes when the work has ended.
        if (FJob->IsRunning() && !FCloseAfterRun &&
            !ConfirmDialog(TopLeftPos(*FQuit), PrgText::tr("A backup is running. Stop it and quit?"), mbNo)) {
            event->ignore();
            return;
        }
        FCloseAfterRun = true;
        FJob->CancelRun();
        event->ignore();
        return;
    }
    if (QuerySaveChanges() >= 2) {
        event->ignore();
        return;
    }
    WriteSettings();
    CloseAllHelp();
    event->accept();
}

void TMainForm::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (FShown)
        QTimer::singleShot(0, this, &TMainForm::AlignFileProcessing);
}

void TMainForm::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange && FIcons)
        ApplyIcons();
}
