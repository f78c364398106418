#pragma once

#include "ui/dialogs/DialogHooks.h"
#include "ui/dialogs/DirectoryTree.h"

#include <QDialog>
#include <QString>
#include <QStringList>

#include <memory>

class QCheckBox;
class QFileSystemModel;
class QLabel;
class QMenu;
class QSplitter;
class QTreeView;
class TIconList;
class TOxButton;
class TOxSpeedButton;
class THistoryComboBox;

// The program's directory chooser: a folder tree beside the root buttons,
// optionally the files of the selected folder, the directory field with the
// recently chosen folders, the free space; it creates and deletes folders.
// One instance serves the whole run, so its size, panels, "Show files", root
// and recent folders carry over from call to call.
class TShellDirDialog : public QDialog
{
    Q_OBJECT
public:
    explicit TShellDirDialog(QWidget *parent = nullptr);
    ~TShellDirDialog() override;

    bool Execute(const QString &ATitle, bool Hidden, bool FileView, const QString &HomeDir, QString &Dir);

    // Shows a folder: the default folder for an empty text, the Documents
    // folder for one that does not exist.
    void ShowDirectory(const QString &text);
    void SetRoot(TDirRoot root, const QString &directory = QString());
    void OneFolderUp();
    void GoToDefaultFolder();
    void CreateNewFolder();
    void DeleteFolder();
    void SetShowFiles(bool show);
    // OK: the field's text enters the recent folders.
    void ConfirmField();

    const QStringList &DirList() const { return FDirList; }
    QString FieldText() const;
    void SetFieldText(const QString &text);
    QString FreeSpace() const;

    TDirectoryTree *tvFolders;
    QTreeView *lvFiles;
    QFileSystemModel *FileModel;
    QSplitter *Splitter;
    TOxSpeedButton *btnDesktop;
    TOxSpeedButton *btnDocuments;
    TOxSpeedButton *btnComputer;
    TOxSpeedButton *btnNetwork;
    QLabel *lbDir;
    QCheckBox *cbShowFiles;
    TOxButton *btnHome;
    TOxButton *btnNewFolder;
    TOxButton *btnUp;
    THistoryComboBox *cbDir;
    QLabel *lbFree;
    TOxButton *OKBtn;
    TOxButton *CancelBtn;
    QMenu *TreeMenu;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    bool HandleKey(int key, Qt::KeyboardModifiers modifiers);
    void PressRoot(TDirRoot root);
    void SelectionChanged();
    void FieldEdited(const QString &text);
    void UpdateFreeSpace();
    void UpdateOkButton();
    void UpdateFileList();
    void FitFileColumns();
    void ShowTreeMenu(const QPoint &pos);

    std::unique_ptr<TIconList> FLargeIcons;
    std::unique_ptr<TIconList> FIcons;
    QString FDefaultDir;
    QStringList FDirList;
    bool FFileView = true;
    bool FFieldFromUser = false;
    bool FPlaced = false;
};

// Creates the run's one chooser (at program start); ChooseDirectory uses it.
std::unique_ptr<TShellDirDialog> CreateShellDirDialog();

// Entry function. ATitle: window caption. Hidden: hidden folders and files are
// shown too. FileView: "Show files" is offered. HomeDir: the default folder
// ("Go to default folder" only when not empty). Dir: in the folder to show
// first, out after OK the directory field's text with a trailing "/" (unchanged
// when the field is empty). True after OK or Enter, false after Cancel, Esc or
// closing the window.
bool ChooseDirectory(const QString &ATitle, bool Hidden, bool FileView, const QString &HomeDir, QString &Dir);

// Test hooks: drive the prepared chooser and return Accepted or Rejected;
// PushDirectoryAnswer types a folder into the field and presses OK (a null
// folder cancels).
using TDirectoryHooks = TDialogHooks<TShellDirDialog>;
void PushDirectoryAnswer(const QString &folder);
