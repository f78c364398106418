#pragma once

#include <QString>
#include <QTreeWidget>

class TIconList;

enum TDirRoot
{
    drDesktop,
    drDocuments,
    drComputer,
    drNetwork,
    drDirectory
};

// The folder tree of the directory chooser: the root's folders at the top
// level, subfolders read when a node is expanded. Only folders are listed
// (archives stay files); links to folders are shown and marked.
class TDirectoryTree : public QTreeWidget
{
    Q_OBJECT
public:
    TDirectoryTree(TIconList &icons, QWidget *parent = nullptr);

    void SetShowHidden(bool show) { FShowHidden = show; }
    void SetRoot(TDirRoot root, const QString &directory = QString());
    TDirRoot Root() const { return FRoot; }

    // Selects the folder, expanding the nodes above it; false when it lies
    // under none of the root's nodes.
    bool SelectPath(const QString &path);
    QString SelectedPath() const;
    QString PathOf(const QTreeWidgetItem *item) const;
    bool IsLink(const QTreeWidgetItem *item) const;
    // Reads a node's subfolders anew.
    void RefreshNode(QTreeWidgetItem *item);
    void ExpandSelected();

    static QString DesktopFolder();
    static QString DocumentsFolder();

private:
    QTreeWidgetItem *AddFolder(QTreeWidgetItem *parent, const QString &path, const QString &name,
                               const QString &iconName);
    void Populate(QTreeWidgetItem *item);

    TIconList &FIcons;
    TDirRoot FRoot = drDesktop;
    bool FShowHidden = false;
};
