#pragma once

#include <QList>
#include <QWidget>

class QLabel;
class QTreeWidget;
class QTreeWidgetItem;
class TMainJob;
struct TWindowIcons;

// The selected device's folder tree (where the folders to back up are
// selected, in selection order) beside the file list of the folder under the
// cursor. It reads the job's device only while no worker uses it.
class TFolderBrowser : public QWidget
{
    Q_OBJECT
public:
    TFolderBrowser(TMainJob &job, TWindowIcons &icons, QWidget *parent = nullptr);

    // Empties the tree, the file list and the selection.
    void Clear();
    // Builds the tree of the job's device and selects the job's Selection.
    void LoadFolderTree();
    // Lists the files of a folder, sorted as the list is.
    void ShowFolderFiles(int objectIndex);
    // Adds the node of an object to the selection, its ancestors expanded.
    void SelectNodeByIndex(int objectIndex);
    // Shows the subfolders of the storages and top folders.
    void ExpandTopFolders();
    // Reduces the selection to the current node and lists its files again.
    void SelectOnlyCurrent();
    // The selected folders in selection order, as object indexes.
    QList<int> SelectedIndexes() const { return FSelectionOrder; }
    // Sorts by a column as a click on its header does.
    void SortByColumn(int column);
    // Sorted column (low four bits) and 16 for descending order.
    int SortTag() const { return FSortTag; }
    void RefreshIcons();

Q_SIGNALS:
    void SelectionChanged(const QList<int> &selection);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void ExpandNode(QTreeWidgetItem *node);
    void AddSubfolders(QTreeWidgetItem *node, int objectIndex);
    void TakeSelection();
    void ShowSelectedCount();
    void SortFiles();
    void ResizeFileColumns();

    TMainJob &FJob;
    TWindowIcons &FIcons;
    QTreeWidget *FTree = nullptr;
    QTreeWidget *FFiles = nullptr;
    QLabel *FSelectedCount = nullptr;
    QList<int> FSelectionOrder;
    bool FSyncingSelection = false;
    int FSortTag = 0;
    bool FSortArrowShown = false; // after the first click on a header
};
