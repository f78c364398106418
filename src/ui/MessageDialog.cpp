#include "ui/MessageDialog.h"

#include "ui/Appearance.h"
#include "ui/DialogPlace.h"
#include "ui/IconList.h"
#include "ui/IconSets.h"
#include "ui/OxButton.h"
#include "ui/UiText.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QShortcut>
#include <QTimer>
#include <QWindow>

#include <deque>

namespace {

std::deque<TMessageHook> &Hooks()
{
    static std::deque<TMessageHook> hooks;
    return hooks;
}

const QStringList DialogGlyphNames{QStringLiteral("close"), QStringLiteral("ok"), QStringLiteral("error"),
                                   QStringLiteral("cancel"), QStringLiteral("arrow-rev-green")};
const QStringList DialogIconNames{QStringLiteral("info-blue"), QStringLiteral("warning"), QStringLiteral("error"),
                                  QStringLiteral("query-green")};

// Designed sizes at 96 dpi.
constexpr int TextLeft = 50;
constexpr int TextTop = 15;
constexpr int IconLeft = 5;
constexpr int IconTop = 10;
constexpr int IconBox = 36;
constexpr int ButtonRow = 36;
constexpr int ButtonHeight = 30;
constexpr int ButtonMinWidth = 88;
constexpr int ButtonGap = 6;

QString DefaultTitle(const QString &iconName)
{
    if (iconName == QLatin1String("warning"))
        return DlgText::tr("Warning");
    if (iconName == QLatin1String("error"))
        return DlgText::tr("Error");
    if (iconName == QLatin1String("info-blue"))
        return DlgText::tr("Information");
    if (iconName == QLatin1String("query-green"))
        return DlgText::tr("Confirm");
    return {};
}

bool IsModifierKey(int key)
{
    return key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Alt || key == Qt::Key_Meta ||
           key == Qt::Key_AltGr;
}

} // namespace

TShowMsgDialog::TShowMsgDialog(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      FGlyphs(std::make_unique<TIconList>(24, DialogGlyphNames)),
      FIcons(std::make_unique<TIconList>(32, DialogIconNames)), FIcon(new QLabel(this)), FText(new QLabel(this)),
      FLeft(new TOxButton(this)), FMiddle(new TOxButton(this)), FRight(new TOxButton(this)), FTimer(new QTimer(this))
{
    setObjectName(QStringLiteral("TShowMsgDialog"));
    ApplyIconSet(QStringLiteral("dialogs"), {FGlyphs.get(), FIcons.get()});
    FText->setTextFormat(Qt::PlainText);
    FText->setTextInteractionFlags(Qt::TextSelectableByMouse);
    FText->setFocusPolicy(Qt::StrongFocus);
    FText->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    FIcon->setAlignment(Qt::AlignCenter);
    for (TOxButton *button : {FLeft, FMiddle, FRight}) {
        button->SetImages(FGlyphs.get());
        button->SetLayout(blGlyphLeft);
        button->SetSpacing(6);
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, [this, button] { done(button->ModalResult); });
    }
    FTimer->setSingleShot(true);
    connect(FTimer, &QTimer::timeout, this, [this] { done(mrCancel); });
    installEventFilter(this);
    for (QWidget *child : {static_cast<QWidget *>(FText), static_cast<QWidget *>(FIcon), static_cast<QWidget *>(FLeft),
                           static_cast<QWidget *>(FMiddle), static_cast<QWidget *>(FRight)})
        child->installEventFilter(this);
}

TShowMsgDialog::~TShowMsgDialog() = default;

TOxButton *TShowMsgDialog::DefaultButtonWidget() const
{
    for (TOxButton *button : {FLeft, FMiddle, FRight})
        if (button->isDefault())
            return button;
    return nullptr;
}

void TShowMsgDialog::SetButton(TOxButton *button, const QString &caption, const QString &glyph, int result)
{
    button->setText(caption);
    button->SetImageName(glyph);
    button->ModalResult = result;
    button->setVisible(true);
}

void TShowMsgDialog::Prepare(const QString &hint, int delay, TMsgDialogType type, TMsgDlgBtn defaultButton)
{
    FDialogType = type;
    FLeft->hide();
    FMiddle->hide();
    FRight->show();
    FRight->ModalResult = mrCancel;
    for (TOxButton *button : {FLeft, FMiddle, FRight})
        button->setDefault(false);

    const QString close = DlgText::tr("&Close");
    const QString yes = DlgText::tr("&Yes");
    const QString no = DlgText::tr("&No");
    const QString cancel = DlgText::tr("Cancel");
    TOxButton *defaultWidget = nullptr;
    switch (type) {
    case mdtInformation:
    case mdtWarning:
    case mdtError:
        FIconName = type == mdtInformation ? QStringLiteral("info-blue")
                    : type == mdtWarning   ? QStringLiteral("warning")
                                           : QStringLiteral("error");
        SetButton(FRight, close, QStringLiteral("close"), mrCancel);
        defaultWidget = FRight;
        break;
    case mdtConfirm:
        FIconName = QStringLiteral("query-green");
        SetButton(FMiddle, yes, QStringLiteral("ok"), mrYes);
        SetButton(FRight, no, QStringLiteral("error"), mrNo);
        defaultWidget = defaultButton == mbYes ? FMiddle : defaultButton == mbNo ? FRight : nullptr;
        break;
    case mdtConfirmError:
        FIconName = QStringLiteral("error");
        SetButton(FMiddle, yes, QStringLiteral("ok"), mrOk);
        SetButton(FRight, cancel, QStringLiteral("cancel"), mrCancel);
        defaultWidget = defaultButton == mbYes ? FMiddle : nullptr;
        break;
    case mdtConfirmRetry:
        FIconName = QStringLiteral("error");
        SetButton(FMiddle, DlgText::tr("&Retry"), QStringLiteral("arrow-rev-green"), mrRetry);
        SetButton(FRight, cancel, QStringLiteral("cancel"), mrCancel);
        defaultWidget = defaultButton == mbRetry ? FMiddle : nullptr;
        break;
    case mdtConfirmCancel:
        FIconName = QStringLiteral("query-green");
        SetButton(FMiddle, yes, QStringLiteral("ok"), mrYes);
        SetButton(FRight, cancel, QStringLiteral("cancel"), mrCancel);
        defaultWidget = defaultButton == mbYes ? FMiddle : nullptr;
        break;
    case mdtConfirmYesNo:
        FIconName = QStringLiteral("query-green");
        SetButton(FLeft, yes, QStringLiteral("ok"), mrYes);
        SetButton(FMiddle, no, QStringLiteral("error"), mrNo);
        SetButton(FRight, cancel, QStringLiteral("cancel"), mrCancel);
        defaultWidget = defaultButton == mbYes ? FLeft : defaultButton == mbNo ? FMiddle : nullptr;
        break;
    case mdtCustom:
        FIconName.clear();
        FRight->hide();
        break;
    }
    if (defaultWidget)
        defaultWidget->setDefault(true);
    FIcon->setVisible(!FIconName.isEmpty());

    QString title;
    QString message = hint;
    const qsizetype bar = hint.indexOf(QLatin1Char('|'));
    if (bar >= 0) {
        title = hint.left(bar);
        message = hint.mid(bar + 1);
    }
    message.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    FCaption = message;
    FText->setText(message);
    setWindowTitle(title.isEmpty() ? DefaultTitle(FIconName) : title);

    FRunTimer = type == mdtCustom || delay > 0;
    FCloseDelayMs = 0;
    if (FRunTimer)
        FCloseDelayMs = delay > 0 ? delay * 1000 : 120 * static_cast<int>(message.size()) + 2000;
    LayoutControls();
}

void TShowMsgDialog::LayoutControls()
{
    const auto scale = [this](int pixels) { return ScaleToMonitor(pixels, this); };
    FIcons->SetScale(MonitorDpi(this));
    FGlyphs->SetScale(MonitorDpi(this));

    const int iconIndex = FIcons->IndexOf(FIconName);
    if (iconIndex >= 0)
        FIcon->setPixmap(FIcons->Pixmap(iconIndex, devicePixelRatioF()));
    FIcon->setGeometry(scale(IconLeft), scale(IconTop), scale(IconBox), scale(IconBox));

    const QFontMetrics metrics = FText->fontMetrics();
    const QStringList lines = FCaption.split(QLatin1Char('\n'));
    int textWidth = 0;
    for (const QString &line : lines)
        textWidth = qMax(textWidth, metrics.horizontalAdvance(line));
    textWidth += 2; // room for the last glyph's overhang
    int textHeight = static_cast<int>(lines.size()) * metrics.height();
    textHeight = qMax(textHeight, FDialogType == mdtCustom ? scale(TextTop) : scale(IconBox));
    FTextHeight = textHeight;

    int buttonWidth = 0;
    for (TOxButton *button : {FLeft, FMiddle, FRight}) {
        if (button->isHidden())
            continue;
        button->resize(qMax(scale(ButtonMinWidth), button->sizeHint().width()), scale(ButtonHeight));
        buttonWidth += button->width() + scale(ButtonGap);
    }

    const int left = FDialogType == mdtCustom ? scale(TextTop) : scale(TextLeft);
    // A hint pop-up has no icon: its text gets the same margin on both sides.
    const int clientWidth = FDialogType == mdtCustom ? 2 * scale(TextTop) + textWidth
                                                     : 2 * scale(TextTop) + left + qMax(textWidth, buttonWidth);
    const int clientHeight = textHeight + 2 * scale(TextTop) + (buttonWidth > 0 ? scale(ButtonRow) : 0);
    FText->setGeometry(left, scale(TextTop), textWidth, textHeight);

    int x = clientWidth - scale(TextTop);
    const int y = scale(TextTop) + textHeight + scale(TextTop) - (scale(ButtonRow) - scale(ButtonHeight)) / 2;
    for (TOxButton *button : {FRight, FMiddle, FLeft}) {
        if (button->isHidden())
            continue;
        x -= button->width();
        button->move(x, y);
        x -= scale(ButtonGap);
    }
    setFixedSize(clientWidth, clientHeight);
}

int TShowMsgDialog::Execute(QPoint APos, const QString &AHint, int Delay, TMsgDialogType DlgType,
                            TMsgDlgBtn DefaultButton, QScreen *AMonitor)
{
    if (AHint.isEmpty())
        return mrCancel;
    Prepare(AHint, Delay, DlgType, DefaultButton);
    if (!Hooks().empty()) {
        TMessageHook hook = std::move(Hooks().front());
        Hooks().pop_front();
        return hook(*this);
    }
    PlaceDialog(*this, APos, AMonitor);
    const int result = exec();
    FTimer->stop();
    return result;
}

void TShowMsgDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // Glyphs, icon and sizes follow the resolution of the monitor the dialog moves to.
    if (QWindow *window = windowHandle())
        connect(window, &QWindow::screenChanged, this, &TShowMsgDialog::LayoutControls, Qt::UniqueConnection);
    FText->setFocus(Qt::OtherFocusReason);
    if (FRunTimer)
        FTimer->start(FCloseDelayMs);
    FitToWorkArea(*this);
}

void TShowMsgDialog::reject()
{
    // Closing by the frame; Esc is answered by the right button instead.
    done(mrCancel);
}

bool TShowMsgDialog::HandleKey(int key)
{
    if (IsModifierKey(key))
        return false;
    if (key == Qt::Key_F11 || FRunTimer) {
        done(mrCancel);
        return true;
    }
    if (key == Qt::Key_Escape && FRight->isVisible()) {
        done(FRight->ModalResult);
        return true;
    }
    return false;
}

bool TShowMsgDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress)
        if (HandleKey(static_cast<QKeyEvent *>(event)->key()))
            return true;
    return QDialog::eventFilter(watched, event);
}

int ShowMessageDialog(QPoint APos, const QString &AHint, int Delay, TMsgDialogType DlgType, TMsgDlgBtn DefaultButton,
                      QScreen *AMonitor)
{
    TShowMsgDialog dialog(QApplication::activeWindow() ? QApplication::activeWindow() : MainWindow());
    return dialog.Execute(APos, AHint, Delay, DlgType, DefaultButton, AMonitor);
}

int MessageDialog(const QString &AHint, TMsgDialogType DlgType)
{
    return ShowMessageDialog(DefaultPos, AHint, 0, DlgType, mbYes, ActiveMonitor());
}

int ErrorDialog(const QString &AHint, int Delay)
{
    return ShowMessageDialog(DefaultPos, AHint, Delay, mdtError, mbYes, ActiveMonitor());
}

int ErrorDialog(QPoint APos, const QString &AHint, QScreen *AMonitor)
{
    return ShowMessageDialog(APos, AHint, 0, mdtError, mbCancel, AMonitor ? AMonitor : ActiveMonitor());
}

int InfoDialog(const QString &AHint, int Delay)
{
    return ShowMessageDialog(DefaultPos, AHint, Delay, mdtInformation, mbYes, ActiveMonitor());
}

int InfoDialog(QPoint APos, const QString &AHint, QScreen *AMonitor)
{
    return ShowMessageDialog(APos, AHint, 0, mdtInformation, mbCancel, AMonitor ? AMonitor : ActiveMonitor());
}

bool ConfirmDialog(QPoint APos, const QString &AHint, TMsgDlgBtn DefaultButton, QScreen *AMonitor)
{
    return ShowMessageDialog(APos, AHint, 0, mdtConfirm, DefaultButton, AMonitor ? AMonitor : ActiveMonitor()) == mrYes;
}

int ConfirmYesNoDialog(QPoint APos, const QString &AHint, TMsgDlgBtn DefaultButton, QScreen *AMonitor)
{
    return ShowMessageDialog(APos, AHint, 0, mdtConfirmYesNo, DefaultButton, AMonitor ? AMonitor : ActiveMonitor());
}

void PushMessageHook(TMessageHook hook)
{
    Hooks().push_back(std::move(hook));
}

void PushMessageAnswer(int result)
{
    PushMessageHook([result](TShowMsgDialog &) { return result; });
}

void ClearMessageHooks()
{
    Hooks().clear();
}

int PendingMessageHooks()
{
    return static_cast<int>(Hooks().size());
}

void InstallHintKey(QWidget &window)
{
    auto *shortcut = new QShortcut(QKeySequence(Qt::Key_F11), &window);
    shortcut->setContext(Qt::WindowShortcut);
    QObject::connect(shortcut, &QShortcut::activated, &window, [&window] {
        QWidget *focus = window.focusWidget();
        if (focus && !focus->toolTip().isEmpty())
            MessageDialog(focus->toolTip(), mdtCustom);
    });
}
