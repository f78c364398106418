#pragma once

#include "ui/dialogs/DialogHooks.h"

#include <QDialog>
#include <QFlags>
#include <QPoint>
#include <QString>
#include <QStringList>

#include <memory>

class QGroupBox;
class QLabel;
class QListWidget;
class QListWidgetItem;
class TIconList;
class TOxButton;

enum TSelectOption
{
    soEdit = 1,      // entries can be added, changed, removed and reset; OK hands them back
    soOrder = 2,     // entries can be moved up and down
    soMulti = 4,     // several entries can be selected
    soDelAll = 8,    // "Remove all" is offered
    soNoConfirm = 16 // removing, clearing and resetting do not ask
};
Q_DECLARE_FLAGS(TSelectOptions, TSelectOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TSelectOptions)

// Shows a list of short texts and lets the user edit, reorder and reset it.
class TSelectFromListDialog : public QDialog
{
    Q_OBJECT
public:
    explicit TSelectFromListDialog(QWidget *parent = nullptr);
    ~TSelectFromListDialog() override;

    void Prepare(const QString &Titel, const QString &Desc, TSelectOptions Options, int ACols, const QString &Default,
                 const QStringList &SList, const QString &AText);
    bool Execute(QPoint APos, QStringList &SList, QString &AText);

    QStringList Entries() const;
    // The selected entry, with soMulti all selected ones joined by "|".
    QString SelectedText() const;

    // The actions of the buttons.
    void AddItem();
    void ChangeItem(QPoint inputPos);
    void RemoveItems();
    void RemoveAll();
    void ResetToDefault();
    void MoveItem(int step);

    QLabel *lbDesc;
    QListWidget *lbItems;
    QGroupBox *gbEdit;
    QGroupBox *gbMove;
    TOxButton *btnAdd;
    TOxButton *btnRemove;
    TOxButton *btnChange;
    TOxButton *btnDefault;
    TOxButton *btnRemoveAll;
    TOxButton *btnUp;
    TOxButton *btnDown;
    TOxButton *OKBtn;
    TOxButton *CancelBtn;

protected:
    void showEvent(QShowEvent *event) override;

private:
    QPoint InputPos(const QWidget &button) const;
    bool Confirmed(const QString &question, const QWidget &button) const;
    void UpdateColumns();

    bool FEdit = false;
    bool FNoConfirm = false;
    bool FMulti = false;
    int FCols = 0;
    QString DefDelimitedText;
    QString FDesc;
    int dist;
    std::unique_ptr<TIconList> FGlyphs;
};

// Entry function. APos: dialog placement point. Titel: window caption. Desc:
// the line above the list, the list's hint and the input dialog's description.
// ACols: 0 a single column, more: that many columns side by side. Default: the
// default list as a comma text (empty hides "Default"). SList: in the entries,
// out with soEdit and OK the edited entries. AText: in the entry to select
// (case ignored), out on OK the selected entry (soMulti: all joined by "|").
// False when cancelled; SList and AText are then unchanged.
bool EditList(QPoint APos, const QString &Titel, const QString &Desc, TSelectOptions Options, int ACols,
              const QString &Default, QStringList &SList, QString &AText);

// Test hook: drives the prepared dialog, returns QDialog::Accepted or Rejected.
using TListEditorHooks = TDialogHooks<TSelectFromListDialog>;
