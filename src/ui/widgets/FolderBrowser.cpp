#include "ui/widgets/FolderBrowser.h"

#include "ui/Appearance.h"
#include "ui/UiText.h"
#include "ui/widgets/BoldLabel.h"
#include "ui/widgets/WindowIcons.h"

#include "app/LocaleDates.h"
#include "app/MainJob.h"
#include "device/PortableDevice.h"
#include "device/PortableDeviceContent.h"
#include "env/LocaleText.h"
#include "env/SizeText.h"

#include <QApplication>
#include <QCollator>
#include <QGridLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QTreeWidget>

#include <algorithm>
#include <vector>

namespace {

constexpr int IndexRole = Qt::UserRole + 1;
constexpr int SortDescending = 16;

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

int IndexOf(const QTreeWidgetItem *item)
{
    return item ? item->data(0, IndexRole).toInt() : -1;
}

} // namespace

TFolderBrowser::TFolderBrowser(TMainJob &job, TWindowIcons &icons, QWidget *parent)
    : QWidget(parent), FJob(job), FIcons(icons)
{
    const auto scale = [this](int pixels) { return ScaleToMonitor(pixels, this); };
    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(scale(6));
    grid->setVerticalSpacing(scale(6));
    auto *treeHeader = new QHBoxLayout;
    treeHeader->addWidget(BoldLabel(PrgText::tr("Directories"), this));
    treeHeader->addStretch(1);
    FSelectedCount = new QLabel(this);
    FSelectedCount->setObjectName(QStringLiteral("lbSelectedCount"));
    treeHeader->addWidget(FSelectedCount);
    grid->addLayout(treeHeader, 0, 0);
    grid->addWidget(BoldLabel(PrgText::tr("Files"), this), 0, 1);

    FTree = new QTreeWidget(this);
    FTree->setObjectName(QStringLiteral("tvObjects"));
    FTree->setToolTip(PrgText::tr("Select the directories to be backed up"));
    FTree->setHeaderHidden(true);
    FTree->setSelectionMode(QAbstractItemView::ExtendedSelection);
    FTree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    FTree->setMinimumWidth(scale(200));
    FTree->setMinimumHeight(scale(200));
    FTree->installEventFilter(this);
    grid->addWidget(FTree, 1, 0);

    FFiles = new QTreeWidget(this);
    FFiles->setObjectName(QStringLiteral("lvFiles"));
    FFiles->setRootIsDecorated(false);
    FFiles->setUniformRowHeights(true);
    FFiles->setColumnCount(3);
    FFiles->setHeaderLabels({PrgText::tr("Filename"), PrgText::tr("Date"), PrgText::tr("Size")});
    FFiles->headerItem()->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
    FFiles->header()->setSectionsClickable(true);
    FFiles->header()->setSortIndicatorShown(false);
    FFiles->header()->setStretchLastSection(false);
    FFiles->setSelectionMode(QAbstractItemView::ExtendedSelection);
    FFiles->setMinimumWidth(scale(280));
    FFiles->viewport()->installEventFilter(this);
    grid->addWidget(FFiles, 1, 1);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 2);

    connect(FTree, &QTreeWidget::itemExpanded, this, &TFolderBrowser::ExpandNode);
    connect(FTree, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem *item) { ShowFolderFiles(IndexOf(item)); });
    // Moving through the tree with the keys lists each folder's files.
    connect(FTree, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem *item) {
        if (!FSyncingSelection && item)
            ShowFolderFiles(IndexOf(item));
    });
    connect(FTree, &QTreeWidget::itemSelectionChanged, this, &TFolderBrowser::TakeSelection);
    connect(FFiles->header(), &QHeaderView::sectionClicked, this, &TFolderBrowser::SortByColumn);
    ShowSelectedCount();
}

void TFolderBrowser::Clear()
{
    FSyncingSelection = true;
    FTree->clear();
    FFiles->clear();
    FSelectionOrder.clear();
    FSyncingSelection = false;
    ShowSelectedCount();
}

void TFolderBrowser::LoadFolderTree()
{
    if (FJob.DeviceInUse())
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    FTree->setUpdatesEnabled(false);
    Clear();
    FSyncingSelection = true;
    TPortableDevice *device = FJob.Device();
    TPortableDeviceObject *root = device ? device->Content().DeviceObject() : nullptr;
    if (root) {
        auto *node = new QTreeWidgetItem(FTree, {root->DisplayName()});
        node->setData(0, IndexRole, root->Index());
        node->setIcon(0, FIcons.Tree.Icon(QStringLiteral("device")));
        node->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
        node->setExpanded(true);
        ExpandNode(node);
        for (int index : std::as_const(FJob.Selection))
            SelectNodeByIndex(index);
    }
    FSyncingSelection = false;
    FSelectionOrder = FJob.Selection;
    ShowSelectedCount();
    FTree->setUpdatesEnabled(true);
    QApplication::restoreOverrideCursor();
}

void TFolderBrowser::AddSubfolders(QTreeWidgetItem *node, int objectIndex)
{
    TPortableDevice *device = FJob.Device();
    if (!device || FJob.DeviceInUse())
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
        item->setIcon(0, FIcons.Tree.Icon(child.Root ? QStringLiteral("storage") : QStringLiteral("folder")));
        // A placeholder child, so that every folder can be expanded before its subfolders are known.
        auto *placeholder = new QTreeWidgetItem(item);
        placeholder->setData(0, IndexRole, -1);
        placeholder->setFlags(Qt::NoItemFlags);
    }
}

void TFolderBrowser::ExpandNode(QTreeWidgetItem *node)
{
    if (!node || FJob.DeviceInUse())
        return;
    // A node is filled once, at its first expansion: later ones keep the
    // subtree and its selection.
    if (node->childCount() > 0 && IndexOf(node->child(0)) >= 0)
        return;
    const bool syncing = FSyncingSelection;
    FSyncingSelection = true;
    FTree->setUpdatesEnabled(false);
    qDeleteAll(node->takeChildren());
    AddSubfolders(node, IndexOf(node));
    FTree->setUpdatesEnabled(true);
    FSyncingSelection = syncing;
}

void TFolderBrowser::ExpandTopFolders()
{
    if (QTreeWidgetItem *root = FTree->topLevelItem(0)) {
        for (int i = 0; i < root->childCount(); ++i) {
            root->child(i)->setExpanded(true);
            ExpandNode(root->child(i));
        }
    }
}

void TFolderBrowser::TakeSelection()
{
    if (FSyncingSelection)
        return;
    QList<int> selected;
    for (QTreeWidgetItem *item : FTree->selectedItems())
        if (const int index = IndexOf(item); index >= 0)
            selected << index;
    // Keep the order in which the nodes were selected.
    QList<int> order;
    for (int index : std::as_const(FSelectionOrder))
        if (selected.contains(index))
            order << index;
    for (int index : std::as_const(selected))
        if (!order.contains(index))
            order << index;
    FSelectionOrder = order;
    ShowSelectedCount();
    Q_EMIT SelectionChanged(order);
}

void TFolderBrowser::ShowSelectedCount()
{
    const int count = int(FSelectionOrder.size());
    FSelectedCount->setText(count > 0 ? PrgText::tr("%1 selected").arg(count) : QString());
}

void TFolderBrowser::SelectNodeByIndex(int objectIndex)
{
    TPortableDevice *device = FJob.Device();
    if (!device || FJob.DeviceInUse())
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
    QTreeWidgetItem *node = FTree->topLevelItem(0);
    if (!node || chain.isEmpty() || IndexOf(node) != chain.first())
        return;
    for (int i = 1; i < chain.size() && node; ++i) {
        if (!node->isExpanded()) {
            node->setExpanded(true);
            ExpandNode(node);
        }
        QTreeWidgetItem *next = nullptr;
        for (int c = 0; c < node->childCount() && !next; ++c)
            if (IndexOf(node->child(c)) == chain[i])
                next = node->child(c);
        node = next;
    }
    if (node)
        node->setSelected(true);
}

void TFolderBrowser::SelectOnlyCurrent()
{
    QTreeWidgetItem *current = FTree->currentItem();
    FSyncingSelection = true;
    FTree->clearSelection();
    if (current)
        current->setSelected(true);
    FSyncingSelection = false;
    TakeSelection();
    if (current)
        ShowFolderFiles(IndexOf(current));
}

void TFolderBrowser::ShowFolderFiles(int objectIndex)
{
    TPortableDevice *device = FJob.Device();
    if (!device || objectIndex < 0 || FJob.DeviceInUse())
        return;
    TPortableDeviceObject *object = device->Content().GetObject(objectIndex);
    if (!object)
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    FFiles->setUpdatesEnabled(false);
    FFiles->clear();
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
        item->setIcon(0, FIcons.FileTypes.Icon(FileTypeIcon(child->ContentType())));
        item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
        item->setData(0, IndexRole, child->Index());
        items << item;
    }
    FFiles->addTopLevelItems(items);
    SortFiles();
    FFiles->setUpdatesEnabled(true);
    QApplication::restoreOverrideCursor();
}

void TFolderBrowser::SortFiles()
{
    const int column = FSortTag & 15;
    const bool descending = FSortTag & SortDescending;
    QList<QTreeWidgetItem *> items;
    while (FFiles->topLevelItemCount() > 0)
        items << FFiles->takeTopLevelItem(0);
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
    FFiles->addTopLevelItems(items);
}

void TFolderBrowser::SortByColumn(int column)
{
    for (int c = 0; c < 3; ++c)
        FFiles->headerItem()->setIcon(c, QIcon());
    if ((FSortTag & 15) == column)
        FSortTag ^= SortDescending;
    else
        FSortTag = column == 0 ? column : column | SortDescending;
    FSortArrowShown = true;
    RefreshIcons();
    SortFiles();
}

void TFolderBrowser::RefreshIcons()
{
    FFiles->setIconSize(QSize(FIcons.FileTypes.Size(), FIcons.FileTypes.Size()));
    FTree->setIconSize(QSize(FIcons.Tree.Size(), FIcons.Tree.Size()));
    const bool descending = FSortTag & SortDescending;
    if (FSortArrowShown)
        FFiles->headerItem()->setIcon(
            FSortTag & 15, FIcons.Header.Icon(descending ? QStringLiteral("b-up") : QStringLiteral("b-down")));
}

void TFolderBrowser::ResizeFileColumns()
{
    const auto scale = [this](int pixels) { return ScaleToMonitor(pixels, this); };
    // The designed widths (120 and 70), widened when the locale's texts need more room.
    const QFontMetrics metrics = FFiles->fontMetrics();
    const QString sampleDate = DateTimeText(QDateTime(QDate(2026, 12, 28), QTime(23, 58, 58)));
    const int dateWidth = qMax(scale(120), metrics.horizontalAdvance(sampleDate) + scale(16));
    const int sizeWidth = qMax(scale(70), metrics.horizontalAdvance(QStringLiteral("1023.00 KiB")) + scale(14));
    FFiles->setColumnWidth(1, dateWidth);
    FFiles->setColumnWidth(2, sizeWidth);
    FFiles->setColumnWidth(0, qMax(scale(100), FFiles->viewport()->width() - dateWidth - sizeWidth));
}

bool TFolderBrowser::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == FFiles->viewport() && event->type() == QEvent::Resize)
        ResizeFileColumns();
    if (watched == FTree && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Space && key->modifiers() == Qt::NoModifier) {
            ShowFolderFiles(IndexOf(FTree->currentItem()));
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
