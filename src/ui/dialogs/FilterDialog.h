#pragma once

#include "ui/dialogs/DialogHooks.h"

#include <QDialog>
#include <QPoint>
#include <QString>

class QCheckBox;
class QGroupBox;
class QLabel;
class QRadioButton;
class TIconList;
class TOxButton;
class THistoryComboBox;
class TTextFilter;

// Edits a file-name filter in place: off, include or exclude, the filter text
// with its history, regular expression or masks combined by OR or AND.
class TFilterDialog : public QDialog
{
    Q_OBJECT
public:
    explicit TFilterDialog(QWidget *parent = nullptr);
    // Writes the history back when a settings file and section were given.
    ~TFilterDialog() override;

    // Remembers file and section; with both set, loads the history from there.
    void LoadFromIni(const QString &IniName, const QString &IniSection);
    // Shows the dialog for AFilter; true when closed with OK.
    bool Execute(QPoint APos, const QString &Titel, const QString &Desc, bool ShowRegular, bool ShowListBtn,
                 TTextFilter &AFilter);

    // The handlers of the controls.
    void MaskButtonClicked();
    void RegExpClicked();
    void EvalClicked();
    void HistoryPicked(int index);
    void EditMaskClicked();

    QGroupBox *gbFilter;
    QRadioButton *NoMaskBtn;
    QRadioButton *IncMaskBtn;
    QRadioButton *ExcMaskBtn;
    QLabel *lbMask;
    THistoryComboBox *cbFilter;
    QGroupBox *rgEval;
    QRadioButton *OrBtn;
    QRadioButton *AndBtn;
    TOxButton *btnEditMask;
    QCheckBox *RegExpCB;
    TOxButton *OKBtn;
    TOxButton *CancelBtn;

protected:
    void showEvent(QShowEvent *event) override;
    void accept() override;

private:
    void PrepareShow();
    void FollowAndPrefix(const QString &text);

    TTextFilter *FFilter = nullptr;
    QString FKeptText; // the text behind "All files"
    bool FKeptRegular = false;
    QString FIniName;
    QString FSection;
    TIconList *FGlyphs;
};

// Where the dialog keeps its history of filter texts: the settings file and
// section (the main window passes its settings file and "FileFilter").
void SetFilterHistory(const QString &IniName, const QString &Section);

// Entry functions: run a new dialog for AFilter with the history of
// SetFilterHistory; the variant without APos centres on the main window.
// Titel: window caption; Desc: group caption; ShowRegular/ShowListBtn show
// "Use regular expressions" and "Edit expressions". True after OK, when
// AFilter holds the new mode, kind and text; Cancel leaves it untouched.
bool ShowFilterDialog(QPoint APos, const QString &Titel, const QString &Desc, bool ShowRegular, bool ShowListBtn,
                      TTextFilter &AFilter);
bool ShowFilterDialog(const QString &Titel, const QString &Desc, bool ShowRegular, bool ShowListBtn,
                      TTextFilter &AFilter);

// Test hook: drives the prepared dialog (for example clicks OKBtn) and returns
// its result (QDialog::Accepted or Rejected).
using TFilterHooks = TDialogHooks<TFilterDialog>;
