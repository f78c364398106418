#include "ui/dialogs/DirectoryChooser.h"

#include "ui/Appearance.h"
#include "ui/ComboHistory.h"
#include "ui/DialogPlace.h"
#include "ui/IconList.h"
#include "ui/IconSets.h"
#include "ui/MessageDialog.h"
#include "ui/OxButton.h"
#include "ui/UiText.h"
#include "ui/dialogs/ChoiceDialog.h"
#include "ui/dialogs/FolderActions.h"
#include "ui/dialogs/InputDialog.h"

#include "env/History.h"

#include <QApplication>
#include <QCheckBox>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QPointer>
#include <QSplitter>
#include <QStorageInfo>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

// Designed sizes at 96 dpi.
constexpr int RootButtonWidth = 84;
constexpr int RootButtonHeight = 74;
constexpr int SmallButton = 32;
constexpr int ButtonWidth = 96;
constexpr int ButtonHeight = 32;
constexpr int TreeWidth = 300;
constexpr int TreeHeight = 340;
constexpr int FileListWidth = 600;

QPointer<TShellDirDialog> &Instance()
{
    static QPointer<TShellDirDialog> instance;
    return instance;
}

QString WithDelimiter(const QString &path)
{
    return path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
}

bool IsDirectory(const QString &path)
{
    return !path.isEmpty() && QFileInfo(path).isDir();
}

// The top folder of a mounted volume, such as a drive's root elsewhere.
bool IsVolumeRoot(const QString &path)
{
    const QStorageInfo storage(path);
    return storage.isValid() && storage.rootPath() == path;
}

} // namespace

TShellDirDialog::TShellDirDialog(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::WindowMaximizeButtonHint),
      FLargeIcons(std::make_unique<TIconList>(48, QStringList{QStringLiteral("desktop"), QStringLiteral("documents"),
                                                              QStringLiteral("computer"), QStringLiteral("net")})),
      FIcons(std::make_unique<TIconList>(
          24, QStringList{QStringLiteral("ok"), QStringLiteral("cancel"), QStringLiteral("folder-new"),
                          QStringLiteral("folder-up"), QStringLiteral("folder-home"), QStringLiteral("folder"),
                          QStringLiteral("computer"), QStringLiteral("desktop"), QStringLiteral("documents"),
                          QStringLiteral("net"), QStringLiteral("storage")}))
{
    setObjectName(QStringLiteral("TShellDirDialog"));
    ApplyIconSet(QStringLiteral("dialogs"), {FLargeIcons.get(), FIcons.get()});
    FLargeIcons->SetScale(MonitorDpi(this));
    FIcons->SetScale(MonitorDpi(this));
    const auto scale = [this](int pixels) { return ScaleToMonitor(pixels, this); };

    tvFolders = new TDirectoryTree(*FIcons, this);
    tvFolders->setContextMenuPolicy(Qt::CustomContextMenu);
    tvFolders->setMinimumSize(scale(TreeWidth), scale(TreeHeight));
    FileModel = new QFileSystemModel(this);
    FileModel->setFilter(QDir::Files | QDir::NoDotAndDotDot);
    lvFiles = new QTreeView(this);
    lvFiles->setObjectName(QStringLiteral("lvFiles"));
    lvFiles->setModel(FileModel);
    lvFiles->setRootIsDecorated(false);
    lvFiles->setItemsExpandable(false);
    lvFiles->setSortingEnabled(true);
    lvFiles->sortByColumn(0, Qt::AscendingOrder);
    lvFiles->setMinimumWidth(scale(160));
    Splitter = new QSplitter(Qt::Horizontal, this);
    Splitter->addWidget(tvFolders);
    Splitter->addWidget(lvFiles);
    Splitter->setChildrenCollapsible(false);
    connect(Splitter, &QSplitter::splitterMoved, this, &TShellDirDialog::FitFileColumns);

    auto *roots = new QVBoxLayout;
    const std::pair<TOxSpeedButton **, const char *> rootButtons[] = {
        {&btnDesktop, QT_TRANSLATE_NOOP("DlgText", "Desktop")},
        {&btnDocuments, QT_TRANSLATE_NOOP("DlgText", "Documents")},
        {&btnComputer, QT_TRANSLATE_NOOP("DlgText", "Computer")},
        {&btnNetwork, QT_TRANSLATE_NOOP("DlgText", "Network")}};
    const char *const rootIcons[] = {"desktop", "documents", "computer", "net"};
    const char *const rootKeys[] = {"Ctrl+T", "Ctrl+D", "Ctrl+C", "Ctrl+W"};
    for (int i = 0; i < 4; ++i) {
        auto *button = new TOxSpeedButton(this);
        *rootButtons[i].first = button;
        button->setText(DlgText::tr(rootButtons[i].second));
        button->setToolTip(DlgText::tr(rootButtons[i].second) + QStringLiteral(" (") +
                           QKeySequence(QString::fromLatin1(rootKeys[i])).toString(QKeySequence::NativeText) +
                           QLatin1Char(')'));
        button->SetImages(FLargeIcons.get());
        button->SetImageIndex(FLargeIcons->IndexOf(QString::fromLatin1(rootIcons[i])));
        button->SetLayout(blGlyphTop);
        button->SetGroupIndex(1);
        button->setFocusPolicy(Qt::TabFocus);
        button->setFixedSize(qMax(scale(RootButtonWidth), button->sizeHint().width()), scale(RootButtonHeight));
        roots->addWidget(button);
        const auto root = static_cast<TDirRoot>(i);
        connect(button, &QAbstractButton::clicked, this, [this, root] { SetRoot(root); });
    }
    roots->addStretch(1);

    lbDir = new QLabel(DlgText::tr("D&irectory:"), this);
    cbShowFiles = new QCheckBox(DlgText::tr("&Show files"), this);
    btnHome = new TOxButton(this);
    btnNewFolder = new TOxButton(this);
    btnUp = new TOxButton(this);
    btnNewFolder->setToolTip(DlgText::tr("Create new folder") + QStringLiteral(" (Ctrl+N)"));
    btnUp->setToolTip(DlgText::tr("One folder up") + QStringLiteral(" (Ctrl+U)"));
    const std::pair<TOxButton *, const char *> smallButtons[] = {
        {btnHome, "folder-home"}, {btnNewFolder, "folder-new"}, {btnUp, "folder-up"}};
    for (const auto &[button, glyph] : smallButtons) {
        button->SetImages(FIcons.get());
        button->SetImageName(QString::fromLatin1(glyph));
        button->setAutoDefault(false);
        button->setFixedSize(scale(SmallButton), scale(SmallButton));
    }
    connect(btnHome, &QPushButton::clicked, this, &TShellDirDialog::GoToDefaultFolder);
    connect(btnNewFolder, &QPushButton::clicked, this, &TShellDirDialog::CreateNewFolder);
    connect(btnUp, &QPushButton::clicked, this, &TShellDirDialog::OneFolderUp);
    connect(cbShowFiles, &QCheckBox::clicked, this, &TShellDirDialog::SetShowFiles);

    cbDir = new THistoryComboBox(this);
    cbDir->setEditable(true);
    cbDir->setInsertPolicy(QComboBox::NoInsert);
    cbDir->setMaxVisibleItems(DefaultHistoryCount);
    cbDir->setToolTip(DlgText::tr("Directory"));
    cbDir->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cbDir->setMinimumContentsLength(20);
    lbDir->setBuddy(cbDir);
    connect(cbDir->lineEdit(), &QLineEdit::textEdited, this, &TShellDirDialog::FieldEdited);
    connect(cbDir, qOverload<int>(&QComboBox::activated), this, [this](int index) {
        if (index >= 0)
            ShowDirectory(cbDir->itemText(index));
    });
    lbFree = new QLabel(this);
    lbFree->setObjectName(QStringLiteral("lbFree"));

    OKBtn = new TOxButton(DlgText::tr("OK"), this);
    CancelBtn = new TOxButton(DlgText::tr("Cancel"), this);
    for (const auto &[button, glyph] : {std::pair{OKBtn, "ok"}, std::pair{CancelBtn, "cancel"}}) {
        button->SetImages(FIcons.get());
        button->SetImageName(QString::fromLatin1(glyph));
        button->SetLayout(blGlyphLeft);
        button->setAutoDefault(false);
        button->setMinimumSize(scale(ButtonWidth), scale(ButtonHeight));
    }
    OKBtn->setDefault(true);
    connect(OKBtn, &QPushButton::clicked, this, &TShellDirDialog::ConfirmField);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);

    TreeMenu = new QMenu(this);
    TreeMenu->addAction(DlgText::tr("Create folder"), this, &TShellDirDialog::CreateNewFolder);
    TreeMenu->addAction(DlgText::tr("Delete folder"), this, &TShellDirDialog::DeleteFolder);
    TreeMenu->addSeparator();
    TreeMenu->addAction(DlgText::tr("Update"), this, [this] { tvFolders->RefreshNode(tvFolders->currentItem()); });
    TreeMenu->addAction(DlgText::tr("Cancel"), TreeMenu, &QMenu::close);
    connect(tvFolders, &QWidget::customContextMenuRequested, this, &TShellDirDialog::ShowTreeMenu);
    connect(tvFolders, &QTreeWidget::currentItemChanged, this, &TShellDirDialog::SelectionChanged);

    auto *tools = new QHBoxLayout;
    tools->addWidget(lbDir);
    tools->addStretch(1);
    tools->addWidget(cbShowFiles);
    tools->addSpacing(scale(8));
    tools->addWidget(btnHome);
    tools->addWidget(btnNewFolder);
    tools->addWidget(btnUp);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(lbFree, 1);
    bottom->addWidget(OKBtn);
    bottom->addWidget(CancelBtn);
    auto *right = new QVBoxLayout;
    right->addWidget(Splitter, 1);
    right->addLayout(tools);
    right->addWidget(cbDir);
    right->addLayout(bottom);
    auto *layout = new QHBoxLayout(this);
    layout->addLayout(roots);
    layout->addLayout(right, 1);

    setTabOrder(btnDesktop, btnDocuments);
    setTabOrder(btnDocuments, btnComputer);
    setTabOrder(btnComputer, btnNetwork);
    setTabOrder(btnNetwork, tvFolders);
    setTabOrder(tvFolders, lvFiles);
    setTabOrder(lvFiles, cbShowFiles);
    setTabOrder(cbShowFiles, btnHome);
    setTabOrder(btnHome, btnNewFolder);
    setTabOrder(btnNewFolder, btnUp);
    setTabOrder(btnUp, cbDir);
    setTabOrder(cbDir, OKBtn);
    setTabOrder(OKBtn, CancelBtn);

    // The window sees keys before its controls.
    for (QWidget *child : findChildren<QWidget *>())
        child->installEventFilter(this);
    installEventFilter(this);
    InstallHintKey(*this);
    lvFiles->hide();
    PressRoot(drDesktop);
    tvFolders->SetRoot(drDesktop);
}

TShellDirDialog::~TShellDirDialog() = default;

QString TShellDirDialog::FieldText() const
{
    return cbDir->currentText();
}

void TShellDirDialog::SetFieldText(const QString &text)
{
    cbDir->setEditText(text);
}

QString TShellDirDialog::FreeSpace() const
{
    return lbFree->text();
}

void TShellDirDialog::PressRoot(TDirRoot root)
{
    const TOxSpeedButton *buttons[] = {btnDesktop, btnDocuments, btnComputer, btnNetwork};
    for (int i = 0; i < 4; ++i)
        const_cast<TOxSpeedButton *>(buttons[i])->SetDown(i == root);
}

void TShellDirDialog::SetRoot(TDirRoot root, const QString &directory)
{
    PressRoot(root);
    tvFolders->SetRoot(root, directory);
}

void TShellDirDialog::ShowDirectory(const QString &text)
{
    QString dir = text.isEmpty() ? FDefaultDir : text;
    if (dir.isEmpty()) {
        SetRoot(drDesktop);
        return;
    }
    TDirRoot root = drComputer;
    if (!IsDirectory(dir)) {
        dir = TDirectoryTree::DocumentsFolder();
        if (!IsDirectory(dir))
            dir = QDir::currentPath();
    } else if (IsOnNetworkVolume(dir)) {
        root = drNetwork;
    }
    SetRoot(root);
    // Failures of selecting and expanding leave the tree as it is.
    if (tvFolders->SelectPath(dir))
        tvFolders->ExpandSelected();
}

bool TShellDirDialog::Execute(const QString &ATitle, bool Hidden, bool FileView, const QString &HomeDir, QString &Dir)
{
    setWindowTitle(ATitle);
    FDefaultDir = HomeDir;
    tvFolders->SetShowHidden(Hidden);
    FileModel->setFilter(Hidden ? QDir::Files | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System
                                : QDir::Files | QDir::NoDotAndDotDot);
    ShowDirectory(Dir);
    SetFieldText(tvFolders->SelectedPath());
    UpdateFreeSpace();
    FFileView = FileView;
    cbShowFiles->setVisible(FileView);
    btnHome->setVisible(!FDefaultDir.isEmpty());
    btnHome->setToolTip(DlgText::tr("Default: ") + FDefaultDir + QStringLiteral(" (Ctrl+H)"));
    const QString field = FieldText();
    ShowHistory(*cbDir, FDirList);
    SetFieldText(field);
    UpdateFileList();
    UpdateOkButton();

    const int result = TDirectoryHooks::Run(*this, [this] {
        if (!FPlaced) {
            // The instance starts centred on the screen and keeps its place afterwards.
            PlaceDialog(*this, CenterPos);
            FPlaced = true;
        }
        return exec();
    });
    hide();
    if (result != QDialog::Accepted)
        return false;
    if (!FieldText().isEmpty())
        Dir = WithDelimiter(FieldText());
    return true;
}

void TShellDirDialog::ConfirmField()
{
    QStringList list = FDirList;
    AddToHistory(list, FieldText(), DefaultHistoryCount);
    FDirList = list;
    accept();
}

void TShellDirDialog::SelectionChanged()
{
    QTreeWidgetItem *item = tvFolders->currentItem();
    if (!FFieldFromUser && item)
        SetFieldText(tvFolders->PathOf(item));
    UpdateFreeSpace();
    UpdateOkButton();
    UpdateFileList();
}

void TShellDirDialog::FieldEdited(const QString &text)
{
    // Typing selects the typed folder when it exists, without replacing the text.
    FFieldFromUser = true;
    if (IsDirectory(text) && !tvFolders->SelectPath(text)) {
        SetRoot(IsOnNetworkVolume(text) ? drNetwork : drComputer);
        tvFolders->SelectPath(text);
    }
    FFieldFromUser = false;
    UpdateFreeSpace();
    UpdateOkButton();
}

void TShellDirDialog::UpdateFreeSpace()
{
    lbFree->setText(FreeSpaceText(FieldText()));
}

void TShellDirDialog::UpdateOkButton()
{
    OKBtn->setEnabled(IsDirectory(FieldText()));
}

void TShellDirDialog::UpdateFileList()
{
    const bool show = FFileView && cbShowFiles->isChecked();
    lvFiles->setVisible(show);
    if (!show)
        return;
    const QString path = tvFolders->SelectedPath();
    // Without a selected folder the list stays empty rather than showing the drives.
    if (path.isEmpty()) {
        lvFiles->setModel(nullptr);
        return;
    }
    if (lvFiles->model() != FileModel)
        lvFiles->setModel(FileModel);
    FileModel->setRootPath(path);
    lvFiles->setRootIndex(FileModel->index(path));
    FitFileColumns();
}

void TShellDirDialog::SetShowFiles(bool show)
{
    cbShowFiles->setChecked(show);
    const int listWidth = ScaleToMonitor(FileListWidth, this);
    const bool wasShown = lvFiles->isVisible();
    if (show && IsDirectory(FieldText()))
        tvFolders->SelectPath(FieldText());
    UpdateFileList();
    if (show && !wasShown) {
        const int treeWidth = tvFolders->width();
        resize(width() + listWidth, height());
        Splitter->setSizes({treeWidth, listWidth});
    } else if (!show && wasShown)
        resize(width() - lvFiles->width(), height());
    if (tvFolders->currentItem())
        SetFieldText(tvFolders->SelectedPath());
    UpdateFreeSpace();
    UpdateOkButton();
}

void TShellDirDialog::FitFileColumns()
{
    if (!lvFiles->isVisible())
        return;
    // Widths in units of the letter "X": name takes what the others leave; the
    // date column is widened where the user's date format needs more.
    const QFontMetrics metrics = lvFiles->fontMetrics();
    const int unit = qMax(1, metrics.horizontalAdvance(QLatin1Char('X')));
    const int units = lvFiles->viewport()->width() / unit;
    const QString sampleDate = QLocale().toString(QDateTime(QDate(2026, 12, 31), QTime(23, 59)), QLocale::ShortFormat);
    const int dateWidth = qMax(17 * unit, metrics.horizontalAdvance(sampleDate) + 2 * unit);
    const int dateUnits = (dateWidth + unit - 1) / unit;
    lvFiles->setColumnWidth(0, qMax(10, units - 27 - dateUnits - 4) * unit);
    lvFiles->setColumnWidth(1, 12 * unit);
    lvFiles->setColumnWidth(2, 15 * unit);
    lvFiles->setColumnWidth(3, dateWidth);
}

void TShellDirDialog::OneFolderUp()
{
    QTreeWidgetItem *item = tvFolders->currentItem();
    if (!item || !item->parent()) {
        const QString selected = tvFolders->SelectedPath();
        SetRoot(drComputer);
        if (!selected.isEmpty() && selected != QLatin1String("/"))
            tvFolders->SelectPath(QFileInfo(selected).path());
    } else if (tvFolders->Root() == drDocuments) {
        const QString parent = QFileInfo(tvFolders->SelectedPath()).path();
        SetRoot(drComputer);
        tvFolders->SelectPath(parent);
    } else {
        tvFolders->setCurrentItem(item->parent());
    }
    if (tvFolders->currentItem())
        tvFolders->scrollToItem(tvFolders->currentItem());
    tvFolders->setFocus(Qt::OtherFocusReason);
}

void TShellDirDialog::GoToDefaultFolder()
{
    if (FDefaultDir.isEmpty() || !QDir::setCurrent(FDefaultDir)) {
        ErrorDialog(DlgText::tr("Directory not found:\r\n%1!").arg(FDefaultDir));
        FDirList.removeIf(
            [this](const QString &entry) { return entry.compare(FDefaultDir, Qt::CaseInsensitive) == 0; });
        ShowHistory(*cbDir, FDirList);
        return;
    }
    const QString dir = QDir::cleanPath(FDefaultDir);
    if (tvFolders->Root() == drNetwork || IsVolumeRoot(dir)) {
        tvFolders->SetRoot(drDirectory, dir);
        tvFolders->setCurrentItem(tvFolders->topLevelItem(0));
    } else {
        SetRoot(drComputer);
        tvFolders->SelectPath(dir);
    }
    tvFolders->setFocus(Qt::OtherFocusReason);
}

void TShellDirDialog::CreateNewFolder()
{
    const QString parent = tvFolders->SelectedPath().isEmpty() ? FieldText() : tvFolders->SelectedPath();
    if (!IsDirectory(parent))
        return;
    QString name;
    if (!InputText(BottomLeftPos(*btnNewFolder), parent, DlgText::tr("New subdirectory:"), name))
        return;
    QString fullPath;
    QString errorText;
    if (!CreateFolder(parent, name, fullPath, errorText)) {
        ErrorDialog(DlgText::tr("Could not create directory:\r\n%1!").arg(fullPath) + QStringLiteral("\r\n") +
                    errorText);
        return;
    }
    SetRoot(drComputer);
    tvFolders->SelectPath(fullPath);
    tvFolders->setFocus(Qt::OtherFocusReason);
}

void TShellDirDialog::DeleteFolder()
{
    const QString path = tvFolders->SelectedPath();
    if (path.isEmpty())
        return;
    const int answer = ChoiceDialog(DlgText::tr("Delete directory"), DlgText::tr("Delete \"%1\"").arg(path),
                                    mtConfirmation, fsBold, {DlgText::tr("Definitely"), DlgText::tr("To recycle bin")});
    if (answer < 0)
        return;
    const auto reportFailure = [&path](const QString &reason) {
        ErrorDialog(DlgText::tr("Error deleting directory:\r\n%1!").arg(path) + QStringLiteral("\r\n") + reason);
    };
    const QString refusal = FolderDeletionRefusal(path, QDir::homePath());
    if (!refusal.isEmpty()) {
        reportFailure(refusal);
        return;
    }
    // The folder must not stay selected while it goes.
    OneFolderUp();
    if ((answer & 0xFF) == 1) {
        QString trashPath;
        QString errorText;
        if (MoveFolderToTrash(path, trashPath, errorText))
            InfoDialog(DlgText::tr("%1 moved to Recycle Bin!").arg(path));
        else
            reportFailure(errorText);
    } else {
        TDeleteCounts counts;
        DeleteDirectory(path, counts);
        if (counts.Failures == 0)
            InfoDialog(DlgText::tr("%1 directories with %2 files deleted!").arg(counts.Directories).arg(counts.Files));
        else
            reportFailure(counts.FirstError);
    }
    tvFolders->RefreshNode(tvFolders->currentItem());
}

void TShellDirDialog::ShowTreeMenu(const QPoint &pos)
{
    // A right click selects the node under the pointer; the menu starts from a fresh listing.
    if (QTreeWidgetItem *item = tvFolders->itemAt(pos))
        tvFolders->setCurrentItem(item);
    tvFolders->RefreshNode(tvFolders->currentItem());
    TreeMenu->popup(tvFolders->viewport()->mapToGlobal(pos));
}

bool TShellDirDialog::HandleKey(int key, Qt::KeyboardModifiers modifiers)
{
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && (modifiers & ~Qt::KeypadModifier) == 0) {
        // Enter takes the field as it stands, without entering the recent folders.
        done(QDialog::Accepted);
        return true;
    }
    if (key == Qt::Key_F5 && modifiers == Qt::NoModifier) {
        tvFolders->RefreshNode(tvFolders->currentItem());
        return true;
    }
    if (modifiers != Qt::ControlModifier)
        return false;
    switch (key) {
    case Qt::Key_C:
        SetRoot(drComputer);
        return true;
    case Qt::Key_D:
        SetRoot(drDocuments);
        return true;
    case Qt::Key_H:
        GoToDefaultFolder();
        return true;
    case Qt::Key_N:
        CreateNewFolder();
        return true;
    case Qt::Key_T:
        SetRoot(drDesktop);
        return true;
    case Qt::Key_U:
        OneFolderUp();
        return true;
    case Qt::Key_W:
        SetRoot(drNetwork);
        return true;
    default:
        return false;
    }
}

bool TShellDirDialog::eventFilter(QObject *watched, QEvent *event)
{
    // The name column takes what the list's own width leaves.
    if (watched == lvFiles && event->type() == QEvent::Resize)
        FitFileColumns();
    if (event->type() == QEvent::KeyPress && isVisible()) {
        const auto *key = static_cast<QKeyEvent *>(event);
        // The drop-down list of the field and the menu keep their own keys.
        if (!TreeMenu->isVisible() && !(cbDir->view() && cbDir->view()->isVisible()) &&
            HandleKey(key->key(), key->modifiers()))
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TShellDirDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    FitToWorkArea(*this);
    if (IsDirectory(FieldText()))
        tvFolders->SelectPath(FieldText());
    if (QTreeWidgetItem *item = tvFolders->currentItem())
        tvFolders->scrollToItem(item);
    tvFolders->setFocus(Qt::OtherFocusReason);
}

void TShellDirDialog::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    FitFileColumns();
}

void TShellDirDialog::changeEvent(QEvent *event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        if (QTreeWidgetItem *item = tvFolders->currentItem())
            tvFolders->scrollToItem(item);
    }
}

std::unique_ptr<TShellDirDialog> CreateShellDirDialog()
{
    auto dialog = std::make_unique<TShellDirDialog>();
    Instance() = dialog.get();
    return dialog;
}

bool ChooseDirectory(const QString &ATitle, bool Hidden, bool FileView, const QString &HomeDir, QString &Dir)
{
    if (Instance())
        return Instance()->Execute(ATitle, Hidden, FileView, HomeDir, Dir);
    // Without the run's instance (a tool or a test) a chooser serves this call only.
    const std::unique_ptr<TShellDirDialog> dialog = CreateShellDirDialog();
    return dialog->Execute(ATitle, Hidden, FileView, HomeDir, Dir);
}

void PushDirectoryAnswer(const QString &folder)
{
    TDirectoryHooks::Push([folder](TShellDirDialog &dialog) {
        if (folder.isNull())
            return int(QDialog::Rejected);
        dialog.SetFieldText(folder);
        dialog.ConfirmField();
        return int(QDialog::Accepted);
    });
}
