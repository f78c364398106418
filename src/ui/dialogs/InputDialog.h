#pragma once

#include "ui/dialogs/DialogHooks.h"

#include <QDialog>
#include <QPoint>
#include <QString>

#include <memory>

class QLabel;
class QLineEdit;
class TIconList;
class TOxButton;

// Asks for one line of text.
class TInputStringDialog : public QDialog
{
    Q_OBJECT
public:
    explicit TInputStringDialog(QWidget *parent = nullptr);
    ~TInputStringDialog() override;

    // Sets caption (an empty one keeps "Edit text"), description and text and
    // widens the window for a long text; true after OK or Enter.
    bool Execute(QPoint APos, const QString &Titel, const QString &Desc, QString &AText);

    QLabel *lbDesc;
    QLineEdit *edText;
    TOxButton *OKBtn;
    TOxButton *CancelBtn;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void FitWidth();

    std::unique_ptr<TIconList> FGlyphs;
    int defWidth;
};

// Entry function. APos follows the dialog placement rules (DefaultPos centres
// on the main window). AText: in the initial text, out the edited text after
// OK (unchanged otherwise). True after OK or Enter, false after Cancel, Esc or
// closing the window.
bool InputText(QPoint APos, const QString &Titel, const QString &Desc, QString &AText);

// Test hooks: the hook drives the prepared dialog and returns QDialog::Accepted
// or Rejected; PushInputAnswer types a text and confirms, or cancels when the
// answer is null.
using TInputHooks = TDialogHooks<TInputStringDialog>;
void PushInputAnswer(const QString &answer);
