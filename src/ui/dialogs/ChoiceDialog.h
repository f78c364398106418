#pragma once

#include "ui/dialogs/DialogHooks.h"

#include <QDialog>
#include <QFlags>
#include <QFontMetrics>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class QCheckBox;
class QLabel;
class TIconList;
class TOxButton;

// The message kind: icon and default title of the choice dialog.
enum TMsgDlgType
{
    mtWarning,
    mtError,
    mtInformation,
    mtConfirmation,
    mtCustom
};

enum TFontStyle
{
    fsBold = 1,
    fsItalic = 2,
    fsUnderline = 4,
    fsStrikeOut = 8
};
Q_DECLARE_FLAGS(TFontStyles, TFontStyle)
Q_DECLARE_OPERATORS_FOR_FLAGS(TFontStyles)

// Added to a pre-selection or a result: the check box is checked.
inline constexpr int ChoiceOptionChecked = 256;

// A question with any number of answer buttons, an optional check box and a
// cancel button.
class TSelectDialog : public QDialog
{
    Q_OBJECT
public:
    explicit TSelectDialog(QWidget *parent = nullptr);
    ~TSelectDialog() override;

    void Prepare(const QString &ATitle, const QString &ACaption, TMsgDlgType DlgType, TFontStyles ACaptionFormat,
                 const QStringList &AButtons, const QString &AOption, int ButtonWidth, int PreSelection,
                 const QString &DefaultButton);
    int Execute();

    // The answer: button index, plus ChoiceOptionChecked for a checked box; -1 for cancel.
    int Result() const;
    // Presses an answer button (-1: the cancel button) as a click does.
    void Press(int index);

    QLabel *Question() const { return FText; }
    QCheckBox *Option() const { return FOption; }
    // Answer buttons first, the cancel button last.
    const std::vector<TOxButton *> &Buttons() const { return FButtonList; }
    QString IconName() const { return FIconName; }

    // The width of a question's widest line; a bold question counts 5/4 of it.
    static int QuestionWidth(const QStringList &lines, const QFontMetrics &metrics, bool bold);

protected:
    void showEvent(QShowEvent *event) override;
    void reject() override;

private:
    void LayoutControls();

    QString FCaption;
    QString FOption_;
    QString FDefault;
    QStringList FButtons;
    int FPreSel = -1;
    int Selection = -1;
    bool ActiveScreenReader = false;
    int FButtonWidth = 105;
    TFontStyles FCaptionFormat;
    QString FIconName;
    std::unique_ptr<TIconList> FIcons;
    QLabel *FIcon;
    QLabel *FText;
    QCheckBox *FOption;
    std::vector<TOxButton *> FButtonList;
};

// Entry function: centred on the main window, stays on top. ATitle empty: the
// kind's title ("Warning", "Error", "Information", "Confirm"). ACaption: lines
// separated by CR LF. ButtonWidth in pixels at 96 dpi, 0 for 105. PreSelection:
// low byte the focused answer (negative: the cancel button), +256 the check box
// starts checked. DefaultButton: the cancel button's caption, empty for
// "Cancel". Result: the pressed answer's index, +256 when the box was checked;
// -1 for cancel, Esc or closing; 0 for the cancel button when AButtons is empty.
int ChoiceDialog(const QString &ATitle, const QString &ACaption, TMsgDlgType DlgType, TFontStyles ACaptionFormat,
                 const QStringList &AButtons, const QString &AOption = QString(), int ButtonWidth = 0,
                 int PreSelection = -1, const QString &DefaultButton = QString());

// Test hooks: the hook drives the prepared dialog and returns its result;
// PushChoiceAnswer answers with a fixed result.
using TChoiceHooks = TDialogHooks<TSelectDialog>;
void PushChoiceAnswer(int result);
