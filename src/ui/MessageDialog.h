#pragma once

#include <QDialog>
#include <QPoint>
#include <QString>

#include <functional>
#include <memory>

class QLabel;
class QScreen;
class QTimer;
class TIconList;
class TOxButton;

enum TMsgDialogType
{
    mdtInformation,
    mdtWarning,
    mdtError,
    mdtConfirm,
    mdtConfirmError,
    mdtConfirmRetry,
    mdtConfirmCancel,
    mdtConfirmYesNo,
    mdtCustom
};

// The default button, as a kind of the usual message-box button set.
enum TMsgDlgBtn
{
    mbYes = 0,
    mbNo = 1,
    mbOK = 2,
    mbCancel = 3,
    mbAbort = 4,
    mbRetry = 5
};

enum TModalResult
{
    mrNone = 0,
    mrOk = 1,
    mrCancel = 2,
    mrAbort = 3,
    mrRetry = 4,
    mrIgnore = 5,
    mrYes = 6,
    mrNo = 7
};

// The program's own message window: an icon, a text of one or more lines and
// up to three buttons chosen by the message type; it can close itself.
class TShowMsgDialog : public QDialog
{
    Q_OBJECT
public:
    explicit TShowMsgDialog(QWidget *parent = nullptr);
    ~TShowMsgDialog() override;

    int Execute(QPoint APos, const QString &AHint, int Delay, TMsgDialogType DlgType, TMsgDlgBtn DefaultButton,
                QScreen *AMonitor);

    // What a prepared dialog shows (for the test hook).
    QString Title() const { return windowTitle(); }
    QString Message() const { return FCaption; }
    TMsgDialogType DlgType() const { return FDialogType; }
    bool RunTimer() const { return FRunTimer; }
    int CloseDelayMs() const { return FCloseDelayMs; }
    QString IconName() const { return FIconName; }
    TOxButton *LeftButton() const { return FLeft; }
    TOxButton *MiddleButton() const { return FMiddle; }
    TOxButton *RightButton() const { return FRight; }
    TOxButton *DefaultButtonWidget() const;
    QLabel *MessageLabel() const { return FText; }
    // Text lines × line height, never lower than the icon.
    int TextHeight() const { return FTextHeight; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void reject() override;

private:
    void Prepare(const QString &hint, int delay, TMsgDialogType type, TMsgDlgBtn defaultButton);
    void SetButton(TOxButton *button, const QString &caption, const QString &glyph, int result);
    void LayoutControls();
    bool HandleKey(int key);

    QString FCaption;
    TMsgDialogType FDialogType = mdtInformation;
    bool FRunTimer = false;
    int FCloseDelayMs = 0;
    int FTextHeight = 0;
    QString FIconName;
    std::unique_ptr<TIconList> FGlyphs;
    std::unique_ptr<TIconList> FIcons;
    QLabel *FIcon;
    QLabel *FText;
    TOxButton *FLeft;
    TOxButton *FMiddle;
    TOxButton *FRight;
    QTimer *FTimer;
};

// Entry functions; each runs one dialog owned by the application.
int ShowMessageDialog(QPoint APos, const QString &AHint, int Delay, TMsgDialogType DlgType, TMsgDlgBtn DefaultButton,
                      QScreen *AMonitor);
int MessageDialog(const QString &AHint, TMsgDialogType DlgType);
int ErrorDialog(const QString &AHint, int Delay = 0);
int ErrorDialog(QPoint APos, const QString &AHint, QScreen *AMonitor = nullptr);
int InfoDialog(const QString &AHint, int Delay = 0);
int InfoDialog(QPoint APos, const QString &AHint, QScreen *AMonitor = nullptr);
bool ConfirmDialog(QPoint APos, const QString &AHint, TMsgDlgBtn DefaultButton, QScreen *AMonitor = nullptr);
int ConfirmYesNoDialog(QPoint APos, const QString &AHint, TMsgDlgBtn DefaultButton, QScreen *AMonitor = nullptr);

// Test hook: while hooks are queued, a message is prepared but not shown;
// the next hook inspects it and gives the answer.
using TMessageHook = std::function<int(TShowMsgDialog &)>;
void PushMessageHook(TMessageHook hook);
void PushMessageAnswer(int result);
void ClearMessageHooks();
int PendingMessageHooks();

// F11 in a window shows the focused control's hint in a pop-up.
void InstallHintKey(QWidget &window);
