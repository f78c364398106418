#include "ui/dialogs/DirectoryTree.h"

#include "ui/IconList.h"
#include "ui/dialogs/FolderActions.h"

#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QStandardPaths>

namespace {

constexpr int PathRole = Qt::UserRole;
constexpr int PopulatedRole = Qt::UserRole + 1;
constexpr int LinkRole = Qt::UserRole + 2;

bool IsBelowOrSame(const QString &path, const QString &folder)
{
    if (folder == QLatin1String("/"))
        return path.startsWith(QLatin1Char('/'));
    return path == folder || path.startsWith(folder + QLatin1Char('/'));
}

} // namespace

TDirectoryTree::TDirectoryTree(TIconList &icons, QWidget *parent) : QTreeWidget(parent), FIcons(icons)
{
    setObjectName(QStringLiteral("tvFolders"));
    setHeaderHidden(true);
    setColumnCount(1);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    header()->setStretchLastSection(false);
    connect(this, &QTreeWidget::itemExpanded, this, &TDirectoryTree::Populate);
    connect(&FIcons, &TIconList::Changed, this, [this] { setIconSize(QSize(FIcons.Size(), FIcons.Size())); });
}

QString TDirectoryTree::DesktopFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
}

QString TDirectoryTree::DocumentsFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

QTreeWidgetItem *TDirectoryTree::AddFolder(QTreeWidgetItem *parent, const QString &path, const QString &name,
                                           const QString &iconName)
{
    auto *item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(this);
    const QFileInfo info(path);
    item->setText(0, name);
    item->setToolTip(0, info.isSymLink() ? path + QStringLiteral(" → ") + info.symLinkTarget() : path);
    item->setData(0, PathRole, path);
    item->setData(0, LinkRole, info.isSymLink());
    item->setIcon(0, FIcons.Icon(iconName));
    if (info.isSymLink()) {
        QFont font = item->font(0);
        font.setItalic(true);
        item->setFont(0, font);
    }
    item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    return item;
}

void TDirectoryTree::SetRoot(TDirRoot root, const QString &directory)
{
    FRoot = root;
    clear();
    setIconSize(QSize(FIcons.Size(), FIcons.Size()));
    const auto addTop = [this](const QString &path, const QString &name, const QString &icon) {
        if (!path.isEmpty())
            AddFolder(nullptr, QDir::cleanPath(path), name, icon);
    };
    switch (root) {
    case drDesktop:
        addTop(DesktopFolder(), QFileInfo(DesktopFolder()).fileName(), QStringLiteral("desktop"));
        break;
    case drDocuments:
        addTop(DocumentsFolder(), QFileInfo(DocumentsFolder()).fileName(), QStringLiteral("documents"));
        break;
    case drComputer:
        for (const TVolume &volume : ComputerVolumes(QDir::homePath()))
            addTop(volume.Path, volume.Name,
                   volume.Path == QLatin1String("/") ? QStringLiteral("computer")
                   : volume.Path == QDir::homePath() ? QStringLiteral("folder-home")
                                                     : QStringLiteral("storage"));
        break;
    case drNetwork:
        for (const TVolume &volume : NetworkVolumes())
            addTop(volume.Path, volume.Name, QStringLiteral("net"));
        break;
    case drDirectory:
        addTop(directory, directory, QStringLiteral("folder"));
        break;
    }
    if (topLevelItemCount() == 1)
        topLevelItem(0)->setExpanded(true);
    setCurrentItem(nullptr);
}

void TDirectoryTree::Populate(QTreeWidgetItem *item)
{
    if (!item || item->data(0, PopulatedRole).toBool())
        return;
    item->setData(0, PopulatedRole, true);
    QDir::Filters filters = QDir::Dirs | QDir::NoDotAndDotDot;
    if (FShowHidden)
        filters |= QDir::Hidden | QDir::System;
    const QDir folder(PathOf(item));
    const QFileInfoList entries = folder.entryInfoList(filters, QDir::Name | QDir::IgnoreCase | QDir::LocaleAware);
    for (const QFileInfo &entry : entries)
        AddFolder(item, entry.absoluteFilePath(), entry.fileName(), QStringLiteral("folder"));
    if (entries.isEmpty())
        item->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicator);
}

void TDirectoryTree::RefreshNode(QTreeWidgetItem *item)
{
    if (!item)
        return;
    const bool expanded = item->isExpanded();
    const QString selected = SelectedPath();
    qDeleteAll(item->takeChildren());
    item->setData(0, PopulatedRole, false);
    item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    if (expanded)
        Populate(item);
    if (!selected.isEmpty() && !currentItem())
        SelectPath(selected);
}

QString TDirectoryTree::PathOf(const QTreeWidgetItem *item) const
{
    return item ? item->data(0, PathRole).toString() : QString();
}

bool TDirectoryTree::IsLink(const QTreeWidgetItem *item) const
{
    return item && item->data(0, LinkRole).toBool();
}

QString TDirectoryTree::SelectedPath() const
{
    return PathOf(currentItem());
}

bool TDirectoryTree::SelectPath(const QString &path)
{
    const QString target = QDir::cleanPath(path);
    // The deepest top-level node holding the folder.
    QTreeWidgetItem *node = nullptr;
    for (int i = 0; i < topLevelItemCount(); ++i) {
        QTreeWidgetItem *top = topLevelItem(i);
        if (IsBelowOrSame(target, PathOf(top)) && (!node || PathOf(top).size() > PathOf(node).size()))
            node = top;
    }
    if (!node)
        return false;
    while (PathOf(node) != target) {
        Populate(node);
        const QString base = PathOf(node);
        const QString rest = target.mid(base == QLatin1String("/") ? 1 : base.size() + 1);
        const QString name = rest.section(QLatin1Char('/'), 0, 0);
        QTreeWidgetItem *next = nullptr;
        for (int i = 0; i < node->childCount() && !next; ++i)
            if (node->child(i)->text(0) == name)
                next = node->child(i);
        if (!next)
            return false;
        node->setExpanded(true);
        node = next;
    }
    setCurrentItem(node);
    scrollToItem(node);
    return true;
}

void TDirectoryTree::ExpandSelected()
{
    if (QTreeWidgetItem *item = currentItem())
        item->setExpanded(true);
}
