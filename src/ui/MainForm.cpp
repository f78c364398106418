#include "ui/MainForm.h"

#include "ui/Appearance.h"
#include "ui/ComboHistory.h"
#include "ui/DialogPlace.h"
#include "ui/Help.h"
#include "ui/IconList.h"
#include "ui/IconSets.h"
#include "ui/MessageDialog.h"
#include "ui/NumEdit.h"
#include "ui/OxButton.h"
#include "ui/UiText.h"

#include "app/DesktopShortcut.h"
#include "app/LocaleDates.h"
#include "app/LogMessages.h"
#include "app/ProgramSettings.h"
#include "app/TimeSlot.h"
#include "base/ErrorText.h"
#include "base/SafeFormat.h"
#include "device/DeviceError.h"
#include "device/PortableDevice.h"
#include "env/Family.h"
#include "env/LocaleText.h"
#include "env/ProgramVersion.h"
#include "env/SizeText.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QCollator>
#include <QDateTimeEdit>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScrollBar>
#include <QShortcut>
#include <QStylePainter>
#include <QStyledItemDelegate>
#include <QTextBlock>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>

namespace {

constexpr int IndexRole = Qt::UserRole + 1;
constexpr int SortDescending = 16;

const QStringList LargeIconNames{"app-reset",  "app-open",    "save",      "save-as",   "backup-shortcut",
                                 "backup-run", "query-green", "info-blue", "switchoff", "warning"};
const QStringList GlyphNames{"refresh", "placeholder", "folder-open", "list-edit", "filter", "copy"};
const QStringList BatteryNames{"battery-25", "battery-50", "battery-75", "battery-100"};
const QStringList HeaderNames{"b-down", "b-up"};
const QStringList FileTypeNames{"unknown", "page",    "document", "message",  "memo",       "certificate",
                                "contact", "image",   "audio",    "video",    "television", "playlist",
                                "mail",    "program", "generic",  "calendar", "mediacast"};
const QStringList TreeIconNames{"device", "storage", "folder"};

QString &NextFileName()
{
    static QString name;
    return name;
}

bool &HasNextFileName()
{
    static bool has = false;
    return has;
}

QString FileTypeIcon(TContentType type)
{
    switch (type) {
    case ctImage:
        return QStringLiteral("image");
    case ctDocument:
        return QStringLiteral("document");
    case ctContact:
        return QStringLiteral("contact");
    case ctAudio:
        return QStringLiteral("audio");
    case ctVideo:
        return QStringLiteral("video");
    case ctTelevision:
        return QStringLiteral("television");
    case ctPlayList:
        return QStringLiteral("playlist");
    case ctMemo:
        return QStringLiteral("memo");
    case ctEmail:
        return QStringLiteral("mail");
    case ctProgram:
        return QStringLiteral("program");
    case ctGenericFile:
        return QStringLiteral("generic");
    case ctCalendar:
        return QStringLiteral("calendar");
    case ctGenericMessage:
        return QStringLiteral("message");
    case ctTypeCertificate:
        return QStringLiteral("certificate");
    case ctMediaCast:
        return QStringLiteral("mediacast");
    default:
        return QStringLiteral("unknown");
    }
}

// A device date (local, days since 30 December 1899) as the file list shows it.
QDateTime LocalDateTime(TDateTime time)
{
    return time == 0 ? QDateTime() : DateTimeToQt(time);
}

// "MM/dd/yyyy", "dd.MM.yyyy" or "yyyy-MM-dd" by the locale's order of day, month and year.
QString LocaleDatePickerFormat()
{
    const QString format = QLocale::system().dateFormat(QLocale::ShortFormat);
    const qsizetype day = format.indexOf(QLatin1Char('d'));
    const qsizetype month = format.indexOf(QLatin1Char('M'));
    const qsizetype year = format.indexOf(QLatin1Char('y'));
    if (year >= 0 && year < month && year < day)
        return QStringLiteral("yyyy-MM-dd");
    if (month >= 0 && month < day)
        return QStringLiteral("MM/dd/yyyy");
    return QStringLiteral("dd.MM.yyyy");
}

QString LocaleTimePickerFormat()
{
    const QString format = QLocale::system().timeFormat(QLocale::ShortFormat);
    return format.contains(QLatin1Char('a'), Qt::CaseInsensitive) ? QStringLiteral("hh:mm AP")
                                                                  : QStringLiteral("HH:mm");
}

QLabel *BoldLabel(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

class TTimeSlotDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        const bool selected = option.state & QStyle::State_Selected;
        const QPalette &pal = option.palette;
        const QColor fill = selected ? StyleColor(seComboBoxSelected, pal.color(QPalette::Highlight))
                                     : StyleColor(seComboBoxItem, pal.color(QPalette::Base));
        const QColor text = selected ? StyleFontColor(seComboBoxSelected, pal.color(QPalette::HighlightedText))
                                     : StyleFontColor(seComboBoxItem, pal.color(QPalette::Text));
        painter->fillRect(option.rect, fill);
        painter->setPen(text);
        painter->drawText(option.rect, Qt::AlignLeft | Qt::AlignVCenter,
                          QLatin1Char(' ') + index.data(Qt::DisplayRole).toString());
    }
};

} // namespace

QString BatteryIconOf(std::uint32_t level)
{
    if (level >= 76)
        return QStringLiteral("battery-100");
    if (level > 50)
        return QStringLiteral("battery-75");
    if (level < 26)
        return QStringLiteral("battery-25");
    return QStringLiteral("battery-50");
}

TTimeSlotCombo::TTimeSlotCombo(QWidget *parent) : QComboBox(parent)
{
    setItemDelegate(new TTimeSlotDelegate(this));
}

void TTimeSlotCombo::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    option.currentText.clear();
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    const QRect field = style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
    painter.setPen(StyleFontColor(seComboBoxEdit, palette().color(QPalette::ButtonText)));
    painter.drawText(field, Qt::AlignLeft | Qt::AlignVCenter, QLatin1Char(' ') + currentText());
}

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

void TMainForm::SetNextFileName(const QString &fileName)
{
    NextFileName() = fileName;
    HasNextFileName() = true;
}

void TMainForm::FormCreate(const QStringList &arguments)
{
    FLargeIcons = std::make_unique<TIconList>(32, LargeIconNames);
    FGlyphs = std::make_unique<TIconList>(20, GlyphNames);
    FBatteryIcons = std::make_unique<TIconList>(32, BatteryNames);
    FHeaderIcons = std::make_unique<TIconList>(16, HeaderNames);
    FFileTypeIcons = std::make_unique<TIconList>(16, FileTypeNames);
    FTreeIcons = std::make_unique<TIconList>(16, TreeIconNames);
    ApplyDefaultIconSet({FLargeIcons.get(), FGlyphs.get(), FBatteryIcons.get(), FHeaderIcons.get(), FTreeIcons.get()});
    ApplyIconSet(QStringLiteral("content"), {FFileTypeIcons.get()});

    FProgramVersionDate = DateText(QFileInfo(QCoreApplication::applicationFilePath()).lastModified().date());
    FJob = std::make_unique<TMainJob>(TWorkMode::Threaded, this);
    FFamilyProgramPath = FamilyProgramPath(FEnv);
    FDateFormat = LocaleDatePickerFormat();
    FTimeFormat = LocaleTimePickerFormat();

    CreateControls();
    FFileProgressHeight = paFileProc->sizeHint().height();
    ConnectJob();

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
    ShowHistory(*edDestDir, history);
    if (place.Left != 0 || place.Top != 0)
        move(place.Left, place.Top);

    SetDarkStyleName(QStringLiteral("Fusion Dark"));
    if (FUseDarkMode)
        ApplyDarkMode(true);
    else if (ReadFamilyDarkMode(FLocations.FamilyCfg))
        FollowSystemDarkMode();
    ApplyIcons();

    SetCaption();
    imgWarning->hide();
    InstallHintKey(*this);
    auto *help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, this, &TMainForm::bbHelpClick);
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

    QWidget *left = CreateLeftColumn();
    auto *right = new QWidget(paTop);
    auto *rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->setSpacing(scale(6));
    rightLayout->addWidget(CreateBrowser(), 1);
    rightLayout->addWidget(CreateDestinationRow());
    rightLayout->addWidget(CreateOptionsRow());
    rightLayout->addWidget(CreateButtonRow());
    top->addWidget(left, 0, 0);
    top->addWidget(right, 0, 1);
    top->setColumnStretch(1, 1);
    top->addWidget(CreateStatusRow(), 1, 0, 1, 2);
    outer->addWidget(paTop);

    meProgress = new QPlainTextEdit(this);
    meProgress->setObjectName(QStringLiteral("meProgress"));
    meProgress->setReadOnly(true);
    meProgress->setLineWrapMode(QPlainTextEdit::NoWrap);
    meProgress->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    meProgress->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    meProgress->setFocusPolicy(Qt::ClickFocus);
    meProgress->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    meProgress->setMinimumHeight(scale(120));
    outer->addWidget(meProgress, 1);

    tmStart = new QTimer(this);
    tmStart->setSingleShot(true);
    tmStart->setInterval(1000);
    connect(tmStart, &QTimer::timeout, this, &TMainForm::tmStartTimer);

    resize(scale(1060), scale(780));
    setMinimumSize(scale(860), scale(640));
}

QWidget *TMainForm::CreateLeftColumn()
{
    const auto scale = [this](int pixels) { return ScaleToMonitor(pixels, this); };
    auto *column = new QWidget(this);
    column->setFixedWidth(scale(280));
    auto *layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(scale(6));

    auto *header = new QHBoxLayout;
    header->setSpacing(scale(4));
    header->addWidget(BoldLabel(PrgText::tr("Connected devices"), column));
    header->addStretch(1);
    imgWarning = new QLabel(column);
    imgWarning->setObjectName(QStringLiteral("imgWarning"));
    imgWarning->setToolTip(PrgText::tr("Errors occurred when reading the directory structure"));
    header->addWidget(imgWarning);
    bbRefresh = new TOxButton(column);
    bbRefresh->setObjectName(QStringLiteral("bbRefresh"));
    bbRefresh->setToolTip(PrgText::tr("Reload device list"));
    header->addWidget(bbRefresh);
    layout->addLayout(header);

    lbDevices = new QListWidget(column);
    lbDevices->setObjectName(QStringLiteral("lbDevices"));
    lbDevices->setSelectionMode(QAbstractItemView::SingleSelection);
    lbDevices->installEventFilter(this);
    lbDevices->setFixedHeight(scale(84));
    layout->addWidget(lbDevices);

    gbDevice = new QGroupBox(PrgText::tr("Device"), column);
    gbDevice->setObjectName(QStringLiteral("gbDevice"));
    auto *details = new QGridLayout(gbDevice);
    details->setHorizontalSpacing(scale(6));
    details->setVerticalSpacing(scale(3));
    const auto addRow = [&](int row, const QString &caption, QLabel *&value, const char *name) {
        auto *label = new QLabel(caption, gbDevice);
        details->addWidget(label, row, 0, Qt::AlignLeft | Qt::AlignTop);
        value = new QLabel(gbDevice);
        value->setObjectName(QString::fromLatin1(name));
        // Device texts are shown as they are, never read as markup.
        value->setTextFormat(Qt::PlainText);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        value->setMinimumWidth(scale(80));
        details->addWidget(value, row, 1, 1, row < 2 ? 1 : 2);
    };
    addRow(0, PrgText::tr("Manufacturer:"), laManu, "laManu");
    addRow(1, PrgText::tr("Description:"), laDesc, "laDesc");
    addRow(2, PrgText::tr("Type:"), laType, "laType");
    addRow(3, PrgText::tr("Power source:"), laPower, "laPower");
    addRow(4, PrgText::tr("Firmware:"), laFirmware, "laFirmware");
    imgBattery = new QLabel(gbDevice);
    imgBattery->setObjectName(QStringLiteral("imgBattery"));
    imgBattery->setFixedSize(scale(34), scale(34));
    imgBattery->setAlignment(Qt::AlignCenter);
    details->addWidget(imgBattery, 0, 2, 2, 1, Qt::AlignRight | Qt::AlignTop);
    details->setColumnStretch(1, 1);
    layout->addWidget(gbDevice);

    paFileProc = new QGroupBox(PrgText::tr("File processing"), column);
    paFileProc->setObjectName(QStringLiteral("paFileProc"));
    auto *proc = new QGridLayout(paFileProc);
    proc->setVerticalSpacing(scale(4));
    cbComp = new QCheckBox(PrgText::tr("Compress files"), paFileProc);
    cbComp->setObjectName(QStringLiteral("cbComp"));
    cbZipComp = new QCheckBox(PrgText::tr("as zip"), paFileProc);
    cbZipComp->setObjectName(QStringLiteral("cbZipComp"));
    proc->addWidget(cbComp, 0, 0);
    proc->addWidget(cbZipComp, 0, 1, Qt::AlignRight);
    lbComp = new QLabel(PrgText::tr("No compression for these types:"), paFileProc);
    proc->addWidget(lbComp, 1, 0, 1, 2);
    NoCompList = new QListWidget(paFileProc);
    NoCompList->setObjectName(QStringLiteral("NoCompList"));
    NoCompList->setToolTip(PrgText::tr("File types not to compress"));
    NoCompList->setViewMode(QListView::ListMode);
    NoCompList->setFlow(QListView::LeftToRight);
    NoCompList->setWrapping(true);
    NoCompList->setResizeMode(QListView::Adjust);
    NoCompList->setUniformItemSizes(true);
    NoCompList->setTextElideMode(Qt::ElideNone);
    NoCompList->viewport()->installEventFilter(this);
    NoCompList->setSelectionMode(QAbstractItemView::NoSelection);
    NoCompList->setFocusPolicy(Qt::NoFocus);
    QFont listFont = NoCompList->font();
    listFont.setPointSizeF(listFont.pointSizeF() * 0.9);
    NoCompList->setFont(listFont);
    // Whole rows only: four of them.
    NoCompList->setFixedHeight(4 * (NoCompList->fontMetrics().height() + scale(3)) + 2 * NoCompList->frameWidth() + 1);
    proc->addWidget(NoCompList, 2, 0, 1, 2);
    bbNoComp = new TOxButton(paFileProc);
    bbNoComp->setObjectName(QStringLiteral("bbNoComp"));
    bbNoComp->setToolTip(PrgText::tr("Select file types not to be compressed"));
    // The list editor comes with a later version.
    bbNoComp->setEnabled(false);
    proc->addWidget(bbNoComp, 3, 1, Qt::AlignRight);
    proc->setRowStretch(4, 1);
    layout->addWidget(paFileProc);
    layout->addStretch(1);
    return column;
}

QWidget *TMainForm::CreateBrowser()
{
    const auto scale = [this](int pixels) { return ScaleToMonitor(pixels, this); };
    auto *browser = new QWidget(this);
    auto *grid = new QGridLayout(browser);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(scale(6));
    grid->setVerticalSpacing(scale(6));
    grid->addWidget(BoldLabel(PrgText::tr("Directories"), browser), 0, 0);
    grid->addWidget(BoldLabel(PrgText::tr("Files"), browser), 0, 1);

    tvObjects = new QTreeWidget(browser);
    tvObjects->setObjectName(QStringLiteral("tvObjects"));
    tvObjects->setToolTip(PrgText::tr("Select the directories to be backed up"));
    tvObjects->setHeaderHidden(true);
    tvObjects->setSelectionMode(QAbstractItemView::ExtendedSelection);
    tvObjects->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tvObjects->setMinimumWidth(scale(220));
    tvObjects->setMinimumHeight(scale(240));
    tvObjects->installEventFilter(this);
    grid->addWidget(tvObjects, 1, 0);

    lvFiles = new QTreeWidget(browser);
    lvFiles->setObjectName(QStringLiteral("lvFiles"));
    lvFiles->setRootIsDecorated(false);
    lvFiles->setUniformRowHeights(true);
    lvFiles->setColumnCount(3);
    lvFiles->setHeaderLabels({PrgText::tr("Filename"), PrgText::tr("Date"), PrgText::tr("Size")});
    lvFiles->headerItem()->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
    lvFiles->header()->setSectionsClickable(true);
    lvFiles->header()->setSortIndicatorShown(false);
    lvFiles->header()->setStretchLastSection(false);
    lvFiles->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lvFiles->setMinimumWidth(scale(300));
    lvFiles->viewport()->installEventFilter(this);
    grid->addWidget(lvFiles, 1, 1);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 2);
    return browser;
}

QWidget *TMainForm::CreateDestinationRow()
{
    const auto scale = [this](int pixels) { return ScaleToMonitor(pixels, this); };
    auto *row = new QWidget(this);
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(scale(6));
    layout->addWidget(BoldLabel(PrgText::tr("Destination directory:"), row));
    edDestDir = new THistoryComboBox(row);
    edDestDir->setObjectName(QStringLiteral("edDestDir"));
    edDestDir->setEditable(true);
    edDestDir->setInsertPolicy(QComboBox::NoInsert);
    edDestDir->setMaxVisibleItems(DestinationHistoryCount);
    edDestDir->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    layout->addWidget(edDestDir, 1);
    bbPhDir = new TOxButton(row);
    bbPhDir->setObjectName(QStringLiteral("bbPhDir"));
    bbPhDir->setToolTip(PrgText::tr("Insert placeholder"));
    bbDestDir = new TOxButton(row);
    bbDestDir->setObjectName(QStringLiteral("bbDestDir"));
    bbDestDir->setToolTip(PrgText::tr("Select backup directory"));
    // The placeholder picker and the directory chooser come with a later version.
    bbPhDir->setEnabled(false);
    bbDestDir->setEnabled(false);
    layout->addWidget(bbPhDir);
    layout->addWidget(bbDestDir);
    return row;
}

void TMainForm::CreateTimeSlotGroup()
{
    const auto scale = [this](int pixels) { return ScaleToMonitor(pixels, this); };
    gbTimeSlot = new QGroupBox(PrgText::tr("Time slot"), this);
    gbTimeSlot->setObjectName(QStringLiteral("gbTimeSlot"));
    gbTimeSlot->setFixedSize(scale(196), scale(122));
    cbTimeSlot = new TTimeSlotCombo(gbTimeSlot);
    cbTimeSlot->setObjectName(QStringLiteral("cbTimeSlot"));
    cbTimeSlot->addItems({PrgText::tr("All"), PrgText::tr("All since"), PrgText::tr("All before"),
                          PrgText::tr("Time period"), PrgText::tr("Today from"), PrgText::tr("Not older than"),
                          PrgText::tr("Older than")});
    cbTimeSlot->setGeometry(scale(10), scale(24), scale(176), cbTimeSlot->sizeHint().height());
    lbFrom = new QLabel(PrgText::tr("from:"), gbTimeSlot);
    lbTo = new QLabel(PrgText::tr("to:"), gbTimeSlot);
    FromDate = new QDateTimeEdit(gbTimeSlot);
    FromDate->setObjectName(QStringLiteral("FromDate"));
    FromDate->setCalendarPopup(true);
    ToDate = new QDateTimeEdit(gbTimeSlot);
    ToDate->setObjectName(QStringLiteral("ToDate"));
    ToDate->setCalendarPopup(true);
    ToDate->setDisplayFormat(FDateFormat);
    reDays = new TRangeEdit(gbTimeSlot);
    reDays->setObjectName(QStringLiteral("reDays"));
    reDays->SetMinValue(1);
    reDays->SetMaxValue(9999);
    reDays->SetValue(1);
    reDays->SetAlignment(Qt::AlignRight);
    udDays = new TNumUpDown(gbTimeSlot);
    udDays->setObjectName(QStringLiteral("udDays"));
    udDays->SetAlignButton(udLeft);
    lbDays = new QLabel(PrgText::tr("days"), gbTimeSlot);
}

QWidget *TMainForm::CreateOptionsRow()
{
    const auto scale = [this](int pixels) { return ScaleToMonitor(pixels, this); };
    auto *row = new QWidget(this);
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(scale(8));

    CreateTimeSlotGroup();
    layout->addWidget(gbTimeSlot, 0, Qt::AlignTop);

    gbFilter = new QGroupBox(PrgText::tr("Filter"), row);
    gbFilter->setObjectName(QStringLiteral("gbFilter"));
    gbFilter->setFixedHeight(gbTimeSlot->height());
    auto *filter = new QGridLayout(gbFilter);
    filter->setVerticalSpacing(scale(6));
    edFilterMask = new QLineEdit(gbFilter);
    edFilterMask->setObjectName(QStringLiteral("edFilterMask"));
    edFilterMask->setReadOnly(true);
    edFilterMask->setToolTip(PrgText::tr("Filter for filenames"));
    filter->addWidget(edFilterMask, 0, 0, 1, 2);
    lbRegular = new QLabel(PrgText::tr("As regular expression"), gbFilter);
    filter->addWidget(lbRegular, 1, 0, 1, 2);
    FilterBtn = new TOxButton(PrgText::tr("Settings"), gbFilter);
    FilterBtn->setObjectName(QStringLiteral("FilterBtn"));
    FilterBtn->setToolTip(PrgText::tr("Edit filename filter"));
    // The filter dialog comes with a later version.
    FilterBtn->setEnabled(false);
    filter->addWidget(FilterBtn, 2, 1, Qt::AlignRight | Qt::AlignBottom);
    filter->setRowStretch(2, 1);
    filter->setColumnStretch(0, 1);
    layout->addWidget(gbFilter, 1, Qt::AlignTop);

    auto *overwriteColumn = new QVBoxLayout;
    overwriteColumn->setSpacing(scale(4));
    rgOverwrite = new QGroupBox(PrgText::tr("Overwrite"), row);
    rgOverwrite->setObjectName(QStringLiteral("rgOverwrite"));
    auto *radios = new QVBoxLayout(rgOverwrite);
    radios->setSpacing(scale(2));
    const QString captions[3] = {PrgText::tr("existing files when older"), PrgText::tr("all existing files"),
                                 PrgText::tr("no existing files")};
    for (int i = 0; i < 3; ++i) {
        rbOverwrite[i] = new QRadioButton(captions[i], rgOverwrite);
        rbOverwrite[i]->setObjectName(QStringLiteral("rbOverwrite%1").arg(i));
        radios->addWidget(rbOverwrite[i]);
    }
    overwriteColumn->addWidget(rgOverwrite);
    cbArchive = new QCheckBox(PrgText::tr("Set archive bit"), row);
    cbArchive->setObjectName(QStringLiteral("cbArchive"));
    overwriteColumn->addWidget(cbArchive);
    overwriteColumn->addStretch(1);
    layout->addLayout(overwriteColumn);
    return row;
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
    make(bbReset, "bbReset", PrgText::tr("Reset to default configuration"));
    layout->addSpacing(scale(6));
    make(bbOpen, "bbOpen", PrgText::tr("Open backup task"));
    make(bbSave, "bbSave", PrgText::tr("Save configuration as task"));
    make(bbSaveAs, "bbSaveAs", PrgText::tr("Save as new task"));
    make(bbShortcut, "bbShortcut", PrgText::tr("Create Desktop shortcut"));
    layout->addStretch(1);
    bbStart = new TOxButton(PrgText::tr("Start backup"), row);
    bbStart->setObjectName(QStringLiteral("bbStart"));
    bbStart->setToolTip(PrgText::tr("Copy the selected directories"));
    bbStart->SetLayout(blGlyphLeft);
    bbStart->SetSpacing(8);
    bbStart->setFixedHeight(scale(44));
    bbStart->setMinimumWidth(scale(150));
    QFont bold = bbStart->font();
    bold.setBold(true);
    bbStart->setFont(bold);
    layout->addWidget(bbStart);
    layout->addStretch(1);
    make(bbHelp, "bbHelp", PrgText::tr("Program help"));
    make(bbInfo, "bbInfo", PrgText::tr("Version info"));
    make(bbQuit, "bbQuit", PrgText::tr("Quit program and save settings"));
    // Enabled once a task has been loaded or saved under a new name.
    bbShortcut->setEnabled(false);
    return row;
}

QWidget *TMainForm::CreateStatusRow()
{
    const auto scale = [this](int pixels) { return ScaleToMonitor(pixels, this); };
    auto *row = new QWidget(this);
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(scale(6));
    layout->addWidget(BoldLabel(PrgText::tr("Backup status:"), row));
    edLastDir = new QLineEdit(row);
    edLastDir->setObjectName(QStringLiteral("edLastDir"));
    edLastDir->setReadOnly(true);
    edLastDir->setFocusPolicy(Qt::NoFocus);
    layout->addWidget(edLastDir, 1);
    bbCopy = new TOxButton(row);
    bbCopy->setObjectName(QStringLiteral("bbCopy"));
    bbCopy->setToolTip(PrgText::tr("Copy to clipboard"));
    layout->addWidget(bbCopy);
    return row;
}

void TMainForm::ApplyIcons()
{
    const int dpi = MonitorDpi(this);
    for (TIconList *list : {FLargeIcons.get(), FGlyphs.get(), FBatteryIcons.get(), FHeaderIcons.get(),
                            FFileTypeIcons.get(), FTreeIcons.get()})
        list->SetScale(dpi);
    const auto large = [&](TOxButton *button, const QString &name) {
        button->SetImages(FLargeIcons.get());
        button->SetImageName(name);
        button->SetLayout(button == bbStart ? blGlyphLeft : blGlyphTop);
    };
    large(bbReset, QStringLiteral("app-reset"));
    large(bbOpen, QStringLiteral("app-open"));
    large(bbSave, QStringLiteral("save"));
    large(bbSaveAs, QStringLiteral("save-as"));
    large(bbShortcut, QStringLiteral("backup-shortcut"));
    large(bbStart, QStringLiteral("backup-run"));
    large(bbHelp, QStringLiteral("query-green"));
    large(bbInfo, QStringLiteral("info-blue"));
    large(bbQuit, QStringLiteral("switchoff"));
    const auto glyph = [&](TOxButton *button, const QString &name) {
        button->SetImages(FGlyphs.get());
        button->SetImageName(name);
        button->SetLayout(blGlyphLeft);
        const int side = ScaleToMonitor(28, this);
        if (button->text().isEmpty())
            button->setFixedSize(side, side);
    };
    glyph(bbRefresh, QStringLiteral("refresh"));
    glyph(bbPhDir, QStringLiteral("placeholder"));
    glyph(bbDestDir, QStringLiteral("folder-open"));
    glyph(bbNoComp, QStringLiteral("list-edit"));
    glyph(FilterBtn, QStringLiteral("filter"));
    glyph(bbCopy, QStringLiteral("copy"));
    FilterBtn->SetSpacing(6);
    imgWarning->setPixmap(
        FLargeIcons->Pixmap(FLargeIcons->IndexOf(QStringLiteral("warning")), devicePixelRatioF())
            .scaled(QSize(22, 22) * devicePixelRatioF(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
    lvFiles->setIconSize(QSize(FFileTypeIcons->Size(), FFileTypeIcons->Size()));
    tvObjects->setIconSize(QSize(FTreeIcons->Size(), FTreeIcons->Size()));
    if (!FBatteryIcon.isEmpty())
        imgBattery->setPixmap(FBatteryIcons->Pixmap(FBatteryIcons->IndexOf(FBatteryIcon), devicePixelRatioF()));
}

void TMainForm::ConnectJob()
{
    TProgressLog &log = FJob->Log();
    connect(&log, &TProgressLog::LineAdded, this, &TMainForm::AppendLogLine);
    connect(&log, &TProgressLog::LastLineReplaced, this, &TMainForm::ReplaceLastLogLine);
    connect(&log, &TProgressLog::Cleared, meProgress, &QPlainTextEdit::clear);
    connect(&log, &TProgressLog::StatusChanged, edLastDir, &QLineEdit::setText);
    connect(FJob.get(), &TMainJob::EditStatusChanged, this,
            [this](TEditStatus status) { bbSave->setEnabled(status == esChanged && !FJob->IsBusy()); });
    connect(FJob.get(), &TMainJob::DeviceChanged, this, [this] {
        if (!FJob->Device())
            ClearBrowser();
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
        SetRunning(busy);
        if (!busy && FCloseAfterRun)
            QTimer::singleShot(0, this, &QWidget::close);
    });
    connect(FJob.get(), &TMainJob::DeviceTreeRead, this, [this] {
        if (FJob->Device() && FJob->Device()->Content().ErrorObjects().Count() > 0)
            imgWarning->show();
        LoadFolderTree();
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

    connect(bbRefresh, &QPushButton::clicked, this, [this] { RefreshDeviceList(); });
    connect(lbDevices, &QListWidget::itemClicked, this, [this](QListWidgetItem *item) {
        if (item && !FJob->IsBusy())
            SelectDevice(lbDevices->row(item), true);
    });
    connect(tvObjects, &QTreeWidget::itemExpanded, this, &TMainForm::tvObjectsExpanding);
    connect(tvObjects, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem *item) {
        if (item)
            ShowFolderFiles(item->data(0, IndexRole).toInt());
    });
    connect(tvObjects, &QTreeWidget::itemSelectionChanged, this, &TMainForm::tvSelectionChanged);
    connect(lvFiles->header(), &QHeaderView::sectionClicked, this, &TMainForm::lvFilesColumnClick);
    connect(edDestDir, &QComboBox::editTextChanged, this, &TMainForm::ConfigChange);
    connect(cbComp, &QCheckBox::clicked, this, &TMainForm::cbCompClick);
    connect(cbZipComp, &QCheckBox::clicked, this, &TMainForm::cbCompClick);
    for (QRadioButton *radio : rbOverwrite)
        connect(radio, &QRadioButton::clicked, this, &TMainForm::ConfigChange);
    connect(cbTimeSlot, &QComboBox::currentIndexChanged, this, &TMainForm::cbTimeSlotCloseUp);
    connect(FromDate, &QDateTimeEdit::dateTimeChanged, this, &TMainForm::FromDateChange);
    connect(ToDate, &QDateTimeEdit::dateTimeChanged, this, &TMainForm::ToDateChange);
    connect(reDays, &TNumberEdit::ValueChanged, this, &TMainForm::ConfigChange);
    udDays->SetAssociate(reDays);
    connect(bbReset, &QPushButton::clicked, this, &TMainForm::bbResetClick);
    connect(bbOpen, &QPushButton::clicked, this, &TMainForm::bbOpenClick);
    connect(bbSave, &QPushButton::clicked, this, &TMainForm::bbSaveClick);
    connect(bbSaveAs, &QPushButton::clicked, this, &TMainForm::bbSaveAsClick);
    connect(bbShortcut, &QPushButton::clicked, this, &TMainForm::bbShortcutClick);
    connect(bbStart, &QPushButton::clicked, this, &TMainForm::bbStartClick);
    connect(bbHelp, &QPushButton::clicked, this, &TMainForm::bbHelpClick);
    connect(bbInfo, &QPushButton::clicked, this, &TMainForm::bbInfoClick);
    connect(bbQuit, &QPushButton::clicked, this, &QWidget::close);
    connect(bbCopy, &QPushButton::clicked, this, &TMainForm::bbCopyClick);

    FRunLocked = {lbDevices,   bbRefresh, tvObjects, edDestDir, paFileProc, gbTimeSlot, gbFilter,
                  rgOverwrite, cbArchive, bbReset,   bbOpen,    bbSave,     bbSaveAs,   bbStart};
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
    if (edDestDir->count() > 0)
        edDestDir->setCurrentIndex(0);
    ConfigToControls();
    bbSave->setEnabled(false);
    bbShortcut->setEnabled(false);
    imgBattery->hide();
    tmStart->start();
    QTimer::singleShot(0, this, &TMainForm::AlignFileProcessing);
}

void TMainForm::tmStartTimer()
{
    tmStart->stop();
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
    imgWarning->hide();
    lbDevices->clear();
    QStringList names;
    try {
        names = FJob->RefreshDeviceList(header);
    } catch (const EDeviceCallError &error) {
        FJob->Log().LogLine(error.Message(), 0);
    }
    for (const QString &name : std::as_const(names))
        new QListWidgetItem(FTreeIcons->Icon(QStringLiteral("device")), name, lbDevices);
    lbDevices->setCurrentRow(-1);
    lbDevices->clearSelection();
    FDeviceRow = -1;
}

void TMainForm::SelectDevice(int listIndex, bool selectStorages)
{
    if (listIndex < 0 || listIndex >= lbDevices->count() || FJob->IsBusy())
        return;
    lbDevices->setCurrentRow(listIndex);
    FDeviceRow = listIndex;
    imgWarning->hide();
    // The tree is read on the job's worker; DeviceTreeRead shows it.
    ClearBrowser();
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
    TPortableDevice *device = FJob->Device();
    if (!device) {
        imgBattery->hide();
        return;
    }
    try {
        gbDevice->setTitle(device->DeviceName());
        laManu->setText(device->Manufacturer());
        laDesc->setText(device->Description());
    } catch (const EDeviceCallError &error) {
        FJob->Log().LogLine(error.Message(), 0);
    }
    laType->setText(device->DeviceTypeAsString());
    laPower->setText(device->PowerSourceAsString() + QStringLiteral(" (") + QString::number(device->PowerLevel()) +
                     QStringLiteral("%)"));
    laFirmware->setText(device->Firmware());
    FBatteryIcon.clear();
    if (device->PowerSource() != 0) {
        imgBattery->hide();
        return;
    }
    const std::uint32_t level = device->PowerLevel();
    FBatteryIcon = BatteryIconOf(level);
    imgBattery->setPixmap(FBatteryIcons->Pixmap(FBatteryIcons->IndexOf(FBatteryIcon), devicePixelRatioF()));
    imgBattery->setToolTip(QStringLiteral("%1%").arg(level));
    imgBattery->show();
}

void TMainForm::ClearBrowser()
{
    FSyncingSelection = true;
    tvObjects->clear();
    lvFiles->clear();
    FSelectionOrder.clear();
    FSyncingSelection = false;
}

void TMainForm::LoadFolderTree()
{
    if (FJob->DeviceInUse())
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    tvObjects->setUpdatesEnabled(false);
    FSyncingSelection = true;
    tvObjects->clear();
    lvFiles->clear();
    FSelectionOrder.clear();
    TPortableDevice *device = FJob->Device();
    TPortableDeviceObject *root = device ? device->Content().DeviceObject() : nullptr;
    if (root) {
        auto *node = new QTreeWidgetItem(tvObjects, {root->DisplayName()});
        node->setData(0, IndexRole, root->Index());
        node->setIcon(0, FTreeIcons->Icon(QStringLiteral("device")));
        node->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
        node->setExpanded(true);
        tvObjectsExpanding(node);
        for (int index : std::as_const(FJob->Selection))
            SelectNodeByIndex(index);
    }
    FSyncingSelection = false;
    FSelectionOrder = FJob->Selection;
    tvObjects->setUpdatesEnabled(true);
    QApplication::restoreOverrideCursor();
}

void TMainForm::AddSubfolders(QTreeWidgetItem *node, int objectIndex)
{
    TPortableDevice *device = FJob->Device();
    if (!device || FJob->DeviceInUse())
        return;
    TPortableDeviceObject *object = device->Content().GetObject(objectIndex);
    if (!object)
        return;
    struct TChild
    {
        QString Name;
        int Index;
        bool Root;
    };
    std::vector<TChild> children;
    for (int i = 0; i < object->ChildCount(); ++i) {
        TPortableDeviceObject *child = object->GetChild(i);
        if (!child || (child->ObjectType() != otRoot && child->ObjectType() != otFolder))
            continue;
        QString name = child->DisplayName();
        if (name.isEmpty()) {
            const QString id = child->ObjectID();
            name = id.mid(qMax(id.lastIndexOf(QLatin1Char('\\')), id.lastIndexOf(QLatin1Char(':'))) + 1);
        }
        children.push_back({name, child->Index(), child->ObjectType() == otRoot});
    }
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseSensitive);
    std::stable_sort(children.begin(), children.end(),
                     [&collator](const TChild &a, const TChild &b) { return collator.compare(a.Name, b.Name) < 0; });
    for (const TChild &child : children) {
        auto *item = new QTreeWidgetItem(node, {child.Name});
        item->setData(0, IndexRole, child.Index);
        item->setIcon(0, FTreeIcons->Icon(child.Root ? QStringLiteral("storage") : QStringLiteral("folder")));
        // A placeholder child, so that every folder can be expanded before its subfolders are known.
        auto *placeholder = new QTreeWidgetItem(item);
        placeholder->setData(0, IndexRole, -1);
        placeholder->setFlags(Qt::NoItemFlags);
    }
}

void TMainForm::tvObjectsExpanding(QTreeWidgetItem *node)
{
    if (!node || FJob->DeviceInUse())
        return;
    // A node is filled once, at its first expansion: later ones keep the
    // subtree and its selection.
    if (node->childCount() > 0 && node->child(0)->data(0, IndexRole).toInt() >= 0)
        return;
    const bool syncing = FSyncingSelection;
    FSyncingSelection = true;
    tvObjects->setUpdatesEnabled(false);
    qDeleteAll(node->takeChildren());
    AddSubfolders(node, node->data(0, IndexRole).toInt());
    tvObjects->setUpdatesEnabled(true);
    FSyncingSelection = syncing;
}

QList<int> TMainForm::SelectedIndexes() const
{
    return FSelectionOrder;
}

void TMainForm::tvSelectionChanged()
{
    if (FSyncingSelection)
        return;
    QList<int> selected;
    for (QTreeWidgetItem *item : tvObjects->selectedItems()) {
        const int index = item->data(0, IndexRole).toInt();
        if (index >= 0)
            selected << index;
    }
    // Keep the order in which the nodes were selected.
    QList<int> order;
    for (int index : std::as_const(FSelectionOrder))
        if (selected.contains(index))
            order << index;
    for (int index : std::as_const(selected))
        if (!order.contains(index))
            order << index;
    FSelectionOrder = order;
    FJob->Selection = order;
}

void TMainForm::SelectNodeByIndex(int objectIndex)
{
    TPortableDevice *device = FJob->Device();
    if (!device || FJob->DeviceInUse())
        return;
    // Expand the node's ancestors first, so that a selected folder deep in
    // the tree is shown too.
    QList<int> chain;
    for (TPortableDeviceObject *object = device->Content().GetObject(objectIndex); object;) {
        chain.prepend(object->Index());
        if (object->Index() == 0 || chain.size() > 1024)
            break;
        object = device->Content().GetObject(object->ParentIndex());
    }
    QTreeWidgetItem *node = tvObjects->topLevelItem(0);
    if (!node || chain.isEmpty() || node->data(0, IndexRole).toInt() != chain.first())
        return;
    for (int i = 1; i < chain.size() && node; ++i) {
        if (!node->isExpanded()) {
            node->setExpanded(true);
            tvObjectsExpanding(node);
        }
        QTreeWidgetItem *next = nullptr;
        for (int c = 0; c < node->childCount() && !next; ++c)
            if (node->child(c)->data(0, IndexRole).toInt() == chain[i])
                next = node->child(c);
        node = next;
    }
    if (node)
        node->setSelected(true);
}

void TMainForm::ShowFolderFiles(int objectIndex)
{
    TPortableDevice *device = FJob->Device();
    if (!device || objectIndex < 0 || FJob->DeviceInUse())
        return;
    TPortableDeviceObject *object = device->Content().GetObject(objectIndex);
    if (!object)
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    lvFiles->setUpdatesEnabled(false);
    lvFiles->clear();
    for (int i = 0; i < object->ChildCount(); ++i)
        if (TPortableDeviceObject *child = object->GetChild(i); child && child->ObjectType() == otFile)
            child->DisplayName();
    QList<QTreeWidgetItem *> items;
    for (int i = 0; i < object->ChildCount(); ++i) {
        TPortableDeviceObject *child = object->GetChild(i);
        if (!child || child->ObjectType() != otFile)
            continue;
        auto *item = new QTreeWidgetItem(
            {child->DisplayName(), DateTimeText(LocalDateTime(child->LastWriteTime())), FormatSize(child->Size())});
        item->setIcon(0, FFileTypeIcons->Icon(FileTypeIcon(child->ContentType())));
        item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
        item->setData(0, IndexRole, child->Index());
        items << item;
    }
    lvFiles->addTopLevelItems(items);
    SortFiles();
    lvFiles->setUpdatesEnabled(true);
    QApplication::restoreOverrideCursor();
}

void TMainForm::SortFiles()
{
    const int column = FSortTag & 15;
    const bool descending = FSortTag & SortDescending;
    QList<QTreeWidgetItem *> items;
    while (lvFiles->topLevelItemCount() > 0)
        items << lvFiles->takeTopLevelItem(0);
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    const auto compare = [&](QTreeWidgetItem *a, QTreeWidgetItem *b) {
        int result = 0;
        if (column == 1)
            result = CompareDateTexts(a->text(1), b->text(1));
        else if (column == 2)
            result = CompareSizeTexts(a->text(2), b->text(2));
        else
            result = collator.compare(a->text(0), b->text(0));
        return descending ? result > 0 : result < 0;
    };
    std::stable_sort(items.begin(), items.end(), compare);
    lvFiles->addTopLevelItems(items);
}

void TMainForm::lvFilesColumnClick(int column)
{
    for (int c = 0; c < 3; ++c)
        lvFiles->headerItem()->setIcon(c, QIcon());
    if ((FSortTag & 15) == column)
        FSortTag ^= SortDescending;
    else
        FSortTag = column == 0 ? column : column | SortDescending;
    const bool descending = FSortTag & SortDescending;
    lvFiles->headerItem()->setIcon(column,
                                   FHeaderIcons->Icon(descending ? QStringLiteral("b-up") : QStringLiteral("b-down")));
    SortFiles();
}

void TMainForm::UpdateCompressControls()
{
    const bool compress = cbComp->isChecked();
    lbComp->setVisible(compress);
    NoCompList->setVisible(compress);
    bbNoComp->setVisible(compress);
    cbZipComp->setVisible(compress);
    if (!compress)
        cbZipComp->setChecked(false);
    NoCompList->clear();
    NoCompList->addItems(FJob->Config.AktNoComp);
    AlignFileProcessing();
}

void TMainForm::AlignFileProcessing()
{
    if (cbComp->isChecked()) {
        // The designed height: everything of the group shown.
        paFileProc->setMinimumHeight(0);
        paFileProc->setMaximumHeight(QWIDGETSIZE_MAX);
        FFileProgressHeight = paFileProc->sizeHint().height();
        paFileProc->setFixedHeight(FFileProgressHeight);
        return;
    }
    // The collapsed group ends where the time slot group ends.
    const int bottom = gbTimeSlot->mapTo(this, QPoint(0, gbTimeSlot->height())).y();
    const int top = paFileProc->mapTo(this, QPoint(0, 0)).y();
    const int height = bottom - top;
    paFileProc->setFixedHeight(
        height > paFileProc->minimumSizeHint().height() ? height : paFileProc->minimumSizeHint().height());
}

void TMainForm::cbCompClick()
{
    UpdateCompressControls();
    FJob->SetEditStatus(esChanged);
}

void TMainForm::ShowFilterText()
{
    const TTextFilter &filter = FJob->Config.FFilter;
    lbRegular->setVisible(filter.Regular());
    switch (filter.Mode()) {
    case fmInclude:
        edFilterMask->setText(SafeFormat(PrgText::tr("only %s"), filter.Filter()));
        break;
    case fmExclude:
        edFilterMask->setText(SafeFormat(PrgText::tr("all except %s"), filter.Filter()));
        break;
    default:
        edFilterMask->setText(PrgText::tr("All files"));
        break;
    }
    edFilterMask->setCursorPosition(0);
}

void TMainForm::LayoutTimeSlot()
{
    const auto scale = [this](int pixels) { return ScaleToMonitor(pixels, this); };
    for (QWidget *control :
         {static_cast<QWidget *>(lbDays), static_cast<QWidget *>(reDays), static_cast<QWidget *>(udDays),
          static_cast<QWidget *>(lbFrom), static_cast<QWidget *>(lbTo), static_cast<QWidget *>(FromDate),
          static_cast<QWidget *>(ToDate)})
        control->hide();
    const int r = cbTimeSlot->y() + cbTimeSlot->height() * 16 / 10;
    const int left = cbTimeSlot->x();
    const int pickerLeft = left + scale(36);
    const int pickerWidth = cbTimeSlot->width() - scale(36);
    const int rowHeight = FromDate->sizeHint().height();
    {
        const QSignalBlocker blocker(FromDate);
        FromDate->setDisplayFormat(FDateFormat);
    }
    switch (cbTimeSlot->currentIndex()) {
    case tmNewer:
        FromDate->setGeometry(pickerLeft, r, pickerWidth, rowHeight);
        FromDate->show();
        break;
    case tmOlder:
        ToDate->setGeometry(pickerLeft, r, pickerWidth, rowHeight);
        ToDate->show();
        break;
    case tmSpan:
        lbFrom->setGeometry(left, r, scale(34), rowHeight);
        lbTo->setGeometry(left, r + scale(25), scale(34), rowHeight);
        FromDate->setGeometry(pickerLeft, r, pickerWidth, rowHeight);
        ToDate->setGeometry(pickerLeft, r + scale(25), pickerWidth, rowHeight);
        for (QWidget *control : {static_cast<QWidget *>(lbFrom), static_cast<QWidget *>(lbTo),
                                 static_cast<QWidget *>(FromDate), static_cast<QWidget *>(ToDate)})
            control->show();
        break;
    case tmToday: {
        const QSignalBlocker blocker(FromDate);
        FromDate->setDisplayFormat(FTimeFormat);
        FromDate->setGeometry(pickerLeft, r, scale(80), rowHeight);
        FromDate->show();
        break;
    }
    case tmLastDays:
    case tmPrevDays:
        reDays->setGeometry(left + 16, r, scale(60), rowHeight);
        reDays->show();
        udDays->show();
        lbDays->adjustSize();
        lbDays->move(reDays->geometry().right() + 1 + scale(5), r + scale(3));
        lbDays->show();
        break;
    default:
        break;
    }
}

void TMainForm::TimeSlotToControls()
{
    const TTimePeriod &period = FJob->Config.TmPeriod;
    const QSignalBlocker b1(FromDate), b2(ToDate), b3(cbTimeSlot), b4(reDays);
    const QDateTime dat1 = DateTimeToQt(WholeDays(period.Dat1) + period.DayTime);
    FromDate->setDateTime(dat1);
    ToDate->setDateTime(DateTimeToQt(WholeDays(period.Dat2)));
    reDays->SetValue(period.Days);
    cbTimeSlot->setCurrentIndex(period.Mode <= tmPrevDays ? int(period.Mode) : 0);
    LayoutTimeSlot();
}

void TMainForm::ControlsToTimeSlot()
{
    TTimePeriod &period = FJob->Config.TmPeriod;
    const TDateTime from = QtToDateTime(FromDate->dateTime());
    period.Dat1 = WholeDays(from);
    period.Dat2 = WholeDays(QtToDateTime(ToDate->dateTime()));
    period.DayTime = from - WholeDays(from);
    period.Days = static_cast<std::int32_t>(reDays->Value());
}

void TMainForm::cbTimeSlotCloseUp()
{
    const int index = cbTimeSlot->currentIndex();
    const TTimeMode mode = index >= 1 && index <= 6 ? TTimeMode(index) : tmAll;
    if (mode != FJob->Config.TmPeriod.Mode) {
        FJob->Config.TmPeriod.Mode = mode;
        ControlsToTimeSlot();
        LayoutTimeSlot();
    }
    FJob->SetEditStatus(esChanged);
}

void TMainForm::FromDateChange()
{
    if (FromDate->displayFormat() == FTimeFormat) {
        const QTime time = FromDate->time();
        FJob->Config.TmPeriod.DayTime = (time.hour() * 60 + time.minute()) / 1440.0;
    } else if (FromDate->dateTime() > ToDate->dateTime()) {
        const QSignalBlocker blocker(ToDate);
        ToDate->setDateTime(FromDate->dateTime().addDays(1));
    }
    FJob->SetEditStatus(esChanged);
}

void TMainForm::ToDateChange()
{
    if (FromDate->dateTime() > ToDate->dateTime()) {
        const QSignalBlocker blocker(FromDate);
        FromDate->setDateTime(ToDate->dateTime());
    }
    FJob->SetEditStatus(esChanged);
}

void TMainForm::ConfigChange()
{
    FJob->SetEditStatus(esChanged);
}

void TMainForm::ControlsToConfig()
{
    TBackupConfig &config = FJob->Config;
    config.Destination = edDestDir->currentText();
    for (int i = 0; i < 3; ++i)
        if (rbOverwrite[i]->isChecked())
            config.Overwrite = i;
    config.ArchBit = cbArchive->isChecked();
    config.Compress = cbComp->isChecked();
    config.CompressAsZip = config.Compress && cbZipComp->isChecked();
    ControlsToTimeSlot();
}

void TMainForm::ConfigToControls()
{
    const TBackupConfig &config = FJob->Config;
    {
        const QSignalBlocker blocker(edDestDir);
        if (!config.Destination.isEmpty() || edDestDir->count() == 0)
            edDestDir->setEditText(config.Destination);
    }
    rbOverwrite[qBound(0, config.Overwrite, 2)]->setChecked(true);
    cbArchive->setChecked(config.ArchBit);
    cbComp->setChecked(config.Compress);
    cbZipComp->setChecked(config.Compress && config.CompressAsZip);
    TimeSlotToControls();
    ShowFilterText();
    UpdateCompressControls();
}

void TMainForm::bbResetClick()
{
    if (FJob->IsBusy())
        return;
    if (!ConfirmDialog(TopRightPos(*bbReset), PrgText::tr("Reset to default configuration") + QLatin1Char('?'), mbYes))
        return;
    TBackupConfig &config = FJob->Config;
    rbOverwrite[owOlder]->setChecked(true);
    cbComp->setChecked(false);
    cbZipComp->setChecked(false);
    config.FFilter.SetMode(fmOff);
    const TTimeRef ref = config.TmPeriod.TmRef;
    config.TmPeriod = DefaultTimePeriod(QDate::currentDate());
    config.TmPeriod.TmRef = ref;
    ShowFilterText();
    TimeSlotToControls();
    UpdateCompressControls();
    QTreeWidgetItem *current = tvObjects->currentItem();
    FSyncingSelection = true;
    tvObjects->clearSelection();
    if (current)
        current->setSelected(true);
    FSyncingSelection = false;
    tvSelectionChanged();
    if (current)
        ShowFolderFiles(current->data(0, IndexRole).toInt());
}

void TMainForm::bbStartClick()
{
    if (FJob->IsBusy())
        return;
    ControlsToConfig();
    // A configuration the run would refuse is answered here, before the log is cleared.
    if (FJob->Device()) {
        const QString error = FJob->RunConfigError();
        if (!error.isEmpty()) {
            ErrorDialog(BottomLeftPos(*bbStart), error);
            return;
        }
    }
    FJob->Log().Clear();
    if (!FJob->Device()) {
        FJob->Log().LogLine(NoDirectorySelectedText(), 0);
        return;
    }
    FJob->Selection = FSelectionOrder;
    try {
        FJob->BackupSelected();
    } catch (const EDeviceCallError &error) {
        FJob->Log().LogLine(error.Message(), 0);
    }
}

void TMainForm::SetRunning(bool running)
{
    for (QWidget *widget : std::as_const(FRunLocked))
        widget->setEnabled(!running);
    if (!running) {
        bbSave->setEnabled(FJob->EditStatus() == esChanged);
        // Buttons whose dialogs come later stay disabled.
        bbNoComp->setEnabled(false);
        FilterBtn->setEnabled(false);
    }
    if (running)
        QApplication::setOverrideCursor(Qt::BusyCursor);
    else
        QApplication::restoreOverrideCursor();
}

void TMainForm::AppendLogLine(const QString &line)
{
    meProgress->appendPlainText(line);
    meProgress->verticalScrollBar()->setValue(meProgress->verticalScrollBar()->maximum());
}

void TMainForm::ReplaceLastLogLine(const QString &line)
{
    QTextDocument *document = meProgress->document();
    if (document->isEmpty()) {
        meProgress->appendPlainText(line);
        return;
    }
    QTextCursor cursor(document->lastBlock());
    cursor.movePosition(QTextCursor::StartOfBlock);
    cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    cursor.insertText(line);
}

void TMainForm::bbCopyClick()
{
    QTextCursor cursor = meProgress->textCursor();
    if (!cursor.hasSelection())
        cursor.select(QTextCursor::Document);
    QApplication::clipboard()->setText(cursor.selectedText().replace(QChar::ParagraphSeparator, QLatin1Char('\n')));
    cursor.clearSelection();
    meProgress->setTextCursor(cursor);
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
    return ConfirmDialog(TopRightPos(*bbOpen), question, mbYes);
}

void TMainForm::ShowLoadedTask()
{
    // The job has opened the task's device and read its configuration; the
    // device list may have been read anew while it waited for the device.
    TPortableDeviceManager &manager = FJob->DevManager();
    if (lbDevices->count() != int(manager.DeviceCount())) {
        lbDevices->clear();
        for (int i = 0; i < int(manager.DeviceCount()); ++i)
            new QListWidgetItem(FTreeIcons->Icon(QStringLiteral("device")), manager.DeviceFriendlyName(i), lbDevices);
    }
    const QString name = DeviceCaption();
    for (int i = 0; i < lbDevices->count(); ++i)
        if (lbDevices->item(i)->text().compare(name, Qt::CaseInsensitive) == 0)
            lbDevices->setCurrentRow(i);
    LoadFolderTree();
    // The storages and top folders show their subfolders.
    if (QTreeWidgetItem *root = tvObjects->topLevelItem(0)) {
        for (int i = 0; i < root->childCount(); ++i) {
            root->child(i)->setExpanded(true);
            tvObjectsExpanding(root->child(i));
        }
    }
    ShowHistory(*edDestDir, HistoryOf(*edDestDir));
    ConfigToControls();
    bbShortcut->setEnabled(true);
}

bool TMainForm::LoadTask(const QString &fileName)
{
    // The job reads the device on its worker; TaskLoaded shows the task.
    ClearBrowser();
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
    FJob->Selection = FSelectionOrder;
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
    const QString filter =
        SafeFormat(PrgText::tr("Backup tasks|*.%s"), QStringLiteral("tsj")) + QLatin1Char('|') + PrgText::tr("all|*.*");
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2)
        filters << parts[i] + QStringLiteral(" (") + parts[i + 1] + QLatin1Char(')');
    QFileDialog dialog(this);
    dialog.setDirectory(FLocations.JobDir);
    if (!FJob->TaskName.isEmpty())
        dialog.selectFile(FJob->TaskName);
    dialog.setNameFilters(filters);
    dialog.setDefaultSuffix(QStringLiteral("tsj"));
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    if (save) {
        dialog.setWindowTitle(PrgText::tr("Save backup configuration for portable device"));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
    } else {
        dialog.setWindowTitle(PrgText::tr("Load backup configuration for portable device"));
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}

int TMainForm::QuerySaveChanges()
{
    if (FJob->EditStatus() != esChanged)
        return 0;
    const QString name = QFileInfo(FJob->TaskName).fileName();
    const int answer =
        ConfirmYesNoDialog(TopLeftPos(*bbOpen), SafeFormat(PrgText::tr("Save changed task to \"%s\"?"), name), mbNo);
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
    bbShortcut->setEnabled(!FJob->TaskName.isEmpty());
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
            ? ConfirmDialog(TopLeftPos(*bbShortcut),
                            title + SafeFormat(PrgText::tr("Replace existing desktop shortcut \"%s\"?"), shortcut.Name),
                            mbYes)
            : ConfirmDialog(BottomLeftPos(*bbShortcut),
                            title + SafeFormat(PrgText::tr("Create desktop shortcut for \"%s\"?"), shortcut.Base),
                            mbYes);
    if (!confirmed)
        return;
    const QString error =
        CreateDesktopShortcut(shortcut, TaskShortcutTarget(FEnv.ProgramFile, FJob->TaskName, FLocations.JobDir));
    if (!error.isEmpty())
        ErrorDialog(BottomLeftPos(*bbShortcut),
                    PrgText::tr("Error creating desktop shortcut!") + QLatin1Char('\n') + error);
}

void TMainForm::WriteSettings()
{
    ControlsToConfig();
    AddToHistory(*edDestDir, FJob->Config.Destination);
    TWindowPlace place;
    place.Left = pos().x();
    place.Top = pos().y();
    const QString error = WriteProgramSettings(FLocations.IniName, place, FJob->Config, HistoryOf(*edDestDir));
    if (!error.isEmpty())
        ErrorDialog(error);
}

void TMainForm::closeEvent(QCloseEvent *event)
{
    if (FJob->IsBusy()) {
        // A run stops after its current file, a tree read ends by itself; the window closes then.
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

void TMainForm::ResizeFileColumns()
{
    const auto scale = [this](int pixels) { return ScaleToMonitor(pixels, this); };
    // The designed widths (120 and 70), widened when the locale's texts need more room.
    const QFontMetrics metrics = lvFiles->fontMetrics();
    const QString sampleDate = DateTimeText(QDateTime(QDate(2026, 12, 28), QTime(23, 58, 58)));
    const int dateWidth = qMax(scale(120), metrics.horizontalAdvance(sampleDate) + scale(16));
    const int sizeWidth = qMax(scale(70), metrics.horizontalAdvance(QStringLiteral("1023.00 KiB")) + scale(14));
    lvFiles->setColumnWidth(1, dateWidth);
    lvFiles->setColumnWidth(2, sizeWidth);
    lvFiles->setColumnWidth(0, qMax(scale(100), lvFiles->viewport()->width() - dateWidth - sizeWidth));
}

void TMainForm::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        ApplyIcons();
}

bool TMainForm::eventFilter(QObject *watched, QEvent *event)
{
    if (lvFiles && watched == lvFiles->viewport() && event->type() == QEvent::Resize)
        ResizeFileColumns();
    if (NoCompList && watched == NoCompList->viewport() && event->type() == QEvent::Resize) {
        // Six columns of types.
        const int width = qMax(1, (NoCompList->viewport()->width() - 1) / 6);
        NoCompList->setGridSize(QSize(width, NoCompList->fontMetrics().height() + ScaleToMonitor(3, this)));
    }
    // Choosing a device with the keyboard selects it as a click does.
    if (lbDevices && watched == lbDevices && event->type() == QEvent::KeyRelease && !FJob->IsBusy()) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        const bool moves = key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_Home || key == Qt::Key_End ||
                           key == Qt::Key_PageUp || key == Qt::Key_PageDown;
        if (moves && lbDevices->currentRow() >= 0 && lbDevices->currentRow() != FDeviceRow)
            SelectDevice(lbDevices->currentRow(), true);
    }
    if (tvObjects && watched == tvObjects && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Space && key->modifiers() == Qt::NoModifier) {
            if (QTreeWidgetItem *item = tvObjects->currentItem())
                ShowFolderFiles(item->data(0, IndexRole).toInt());
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
