#pragma once

#include "ui/dialogs/DialogHooks.h"

#include <QDate>
#include <QDialog>
#include <QPoint>
#include <QString>

#include <vector>

class QGroupBox;
class QLabel;
class QRadioButton;
class QWidget;
class TIconList;
class TOxButton;

// The page kinds of the placeholder picker; the program uses the page for
// portable devices only.
enum TPhType
{
    ptPortable
};

// Lets the user pick one destination placeholder from a list of descriptions,
// each shown with what it would give now.
class TPlaceHolderDialog : public QDialog
{
    Q_OBJECT
public:
    explicit TPlaceHolderDialog(QWidget *parent = nullptr);

    void Prepare(TPhType pt, const QString &deviceName, const QDate &today);
    // The placeholder text of the selected item.
    QString Selected() const;
    void Select(int index);

    QGroupBox *rgPlaceholder;
    std::vector<QRadioButton *> Items;
    std::vector<QLabel *> Previews;
    QWidget *BottomPanel;
    TOxButton *OKBtn;
    TOxButton *CancelBtn;

protected:
    void showEvent(QShowEvent *event) override;

private:
    TIconList *FGlyphs;
};

// The placeholder texts, in the order of the picker's items.
extern const char *const PlaceholderTexts[13];

// Entry function. APos: the dialog's top-left corner (the main window passes
// the bottom-right corner of "Insert placeholder"). DeviceName: the selected
// device's name for the preview (empty when none). Result: the placeholder
// text (such as "%device%") after OK, empty after Cancel, Esc or closing.
QString SelectPlaceholder(QPoint APos, TPhType pt, const QString &DeviceName = QString());

// Test hook: drives the prepared dialog, returns QDialog::Accepted or Rejected.
using TPlaceholderHooks = TDialogHooks<TPlaceHolderDialog>;
