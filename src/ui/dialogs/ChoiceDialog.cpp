#include "ui/dialogs/ChoiceDialog.h"

#include "ui/Appearance.h"
#include "ui/DialogPlace.h"
#include "ui/IconList.h"
#include "ui/IconSets.h"
#include "ui/MessageDialog.h"
#include "ui/OxButton.h"
#include "ui/UiText.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QWindow>

namespace {

// Designed sizes at 96 dpi.
constexpr int DefaultButtonWidth = 105;
constexpr int Margin = 50;
constexpr int Gap = 10;
constexpr int Spacing = 5;
constexpr int IconLeft = 5;
constexpr int IconTop = 10;
constexpr int IconBox = 36;

QString IconOf(TMsgDlgType type)
{
    switch (type) {
    case mtWarning:
        return QStringLiteral("warning");
    case mtError:
        return QStringLiteral("error");
    case mtInformation:
        return QStringLiteral("info-blue");
    case mtConfirmation:
        return QStringLiteral("query-green");
    case mtCustom:
        break;
    }
    return {};
}

QString TitleOf(TMsgDlgType type)
{
    switch (type) {
    case mtWarning:
        return DlgText::tr("Warning");
    case mtError:
        return DlgText::tr("Error");
    case mtInformation:
        return DlgText::tr("Information");
    case mtConfirmation:
        return DlgText::tr("Confirm");
    case mtCustom:
        break;
    }
    return {};
}

} // namespace

TSelectDialog::TSelectDialog(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::WindowStaysOnTopHint),
      FIcons(std::make_unique<TIconList>(32, QStringList{QStringLiteral("warning"), QStringLiteral("error"),
                                                         QStringLiteral("info-blue"), QStringLiteral("query-green")})),
      FIcon(new QLabel(this)), FText(new QLabel(this)), FOption(new QCheckBox(this))
{
    setObjectName(QStringLiteral("TSelectDialog"));
    ApplyIconSet(QStringLiteral("dialogs"), {FIcons.get()});
    FText->setTextFormat(Qt::PlainText);
    FText->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    FIcon->setAlignment(Qt::AlignCenter);
    // Asked once: with a screen reader the question is read first.
    ActiveScreenReader = QAccessible::isActive();
    InstallHintKey(*this);
}

TSelectDialog::~TSelectDialog() = default;

int TSelectDialog::QuestionWidth(const QStringList &lines, const QFontMetrics &metrics, bool bold)
{
    int width = 0;
    for (const QString &line : lines)
        width = qMax(width, metrics.horizontalAdvance(line));
    return bold ? width * 5 / 4 : width;
}

void TSelectDialog::Prepare(const QString &ATitle, const QString &ACaption, TMsgDlgType DlgType,
                            TFontStyles ACaptionFormat, const QStringList &AButtons, const QString &AOption,
                            int ButtonWidth, int PreSelection, const QString &DefaultButton)
{
    FCaption = QString(ACaption).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    FOption_ = AOption;
    FDefault = DefaultButton.isEmpty() ? DlgText::tr("Cancel") : DefaultButton;
    FButtons = AButtons;
    FPreSel = PreSelection;
    FButtonWidth = ButtonWidth > 0 ? ButtonWidth : DefaultButtonWidth;
    FCaptionFormat = ACaptionFormat;
    FIconName = IconOf(DlgType);
    Selection = -1;
    setWindowTitle(ATitle.isEmpty() ? TitleOf(DlgType) : ATitle);

    QFont font = this->font();
    font.setBold(ACaptionFormat.testFlag(fsBold));
    font.setItalic(ACaptionFormat.testFlag(fsItalic));
    font.setUnderline(ACaptionFormat.testFlag(fsUnderline));
    font.setStrikeOut(ACaptionFormat.testFlag(fsStrikeOut));
    FText->setFont(font);
    FText->setText(FCaption);
    FOption->setText(AOption);
    FOption->setChecked((PreSelection >= 0 && (PreSelection & ChoiceOptionChecked) != 0));
    FOption->setVisible(!AOption.isEmpty());

    // The buttons belong to one showing.
    for (TOxButton *button : FButtonList)
        delete button;
    FButtonList.clear();
    const int answers = static_cast<int>(AButtons.size());
    for (int i = 0; i <= answers; ++i) {
        const bool cancel = i == answers;
        auto *button = new TOxButton(cancel ? FDefault : AButtons[i], this);
        button->setAutoDefault(false);
        const int index = cancel ? (answers == 0 ? 0 : -1) : i;
        connect(button, &QPushButton::clicked, this, [this, index] {
            Selection = index;
            done(index < 0 ? QDialog::Rejected : QDialog::Accepted);
        });
        FButtonList.push_back(button);
    }
    LayoutControls();
}

void TSelectDialog::LayoutControls()
{
    const auto scale = [this](int pixels) { return ScaleToMonitor(pixels, this); };
    FIcons->SetScale(MonitorDpi(this));
    const int iconIndex = FIcons->IndexOf(FIconName);
    FIcon->setVisible(iconIndex >= 0);
    if (iconIndex >= 0)
        FIcon->setPixmap(FIcons->Pixmap(iconIndex, devicePixelRatioF()));
    FIcon->setGeometry(scale(IconLeft), scale(IconTop), scale(IconBox), scale(IconBox));

    const int bw = qMax(scale(FButtonWidth), [this] {
        int widest = 0;
        for (TOxButton *button : FButtonList)
            widest = qMax(widest, button->sizeHint().width());
        return widest;
    }());
    const int margin = scale(Margin);
    const int gap = scale(Gap);
    const int spacing = scale(Spacing);
    const int fh = QFontInfo(font()).pixelSize();
    int W = scale(70) + 3 * bw;

    const QStringList lines = FCaption.split(QLatin1Char('\n'));
    const bool bold = FCaptionFormat.testFlag(fsBold);
    // The text's own font is measured too, so that no style clips a line.
    int tw = qMax(QuestionWidth(lines, fontMetrics(), bold), QuestionWidth(lines, FText->fontMetrics(), false) + 2);
    const int lineHeight = qMax(fh * 12 / 10, FText->fontMetrics().lineSpacing());
    const int textHeight = static_cast<int>(lines.size()) * lineHeight + gap;
    if (tw < W - margin - gap)
        tw = W - margin - gap;
    else
        W = margin + tw + gap;
    FText->setGeometry(margin, scale(IconTop) + scale(5), tw, textHeight);

    int y = FText->geometry().bottom() + 1 + 2 * gap;
    if (!FOption_.isEmpty()) {
        FOption->setGeometry(margin, y - gap / 2, W - margin - gap, FOption->sizeHint().height());
        y += FOption->sizeHint().height();
    }

    const int bh = qMax(fh * 24 / 10, FButtonList.front()->sizeHint().height());
    const int x0 = W - 3 * bw - 4 * spacing;
    const int answers = static_cast<int>(FButtons.size());
    const int fullRows = answers / 3;
    const auto slotLeft = [&](int slot) { return x0 + slot * (bw + spacing); };
    for (int row = 0; row < fullRows; ++row) {
        for (int i = 0; i < 3; ++i)
            FButtonList[row * 3 + i]->setGeometry(slotLeft(i), y, bw, bh);
        y += bh * 30 / 26;
    }
    // The last row: the remaining answers and the cancel button, at the right end.
    const int rest = answers - fullRows * 3;
    for (int i = 0; i <= rest; ++i)
        FButtonList[fullRows * 3 + i]->setGeometry(slotLeft(3 - (rest + 1) + i), y, bw, bh);
    setFixedSize(W, y + bh * 30 / 26 + spacing);

    // Focus and Tab order: with a screen reader the question first and the box
    // second, no button focused; otherwise the pre-selected button and the box
    // last. Children join the Tab chain in the order they get their parent.
    if (ActiveScreenReader) {
        FText->setFocusPolicy(Qt::StrongFocus);
        for (TOxButton *button : FButtonList) {
            const QRect geometry = button->geometry();
            button->setParent(nullptr);
            button->setParent(this);
            button->setGeometry(geometry);
            button->show();
        }
        FText->setFocus(Qt::OtherFocusReason);
        return;
    }
    FText->setFocusPolicy(Qt::NoFocus);
    if (!FOption_.isEmpty()) {
        const QRect geometry = FOption->geometry();
        FOption->setParent(nullptr);
        FOption->setParent(this);
        FOption->setGeometry(geometry);
        FOption->show();
    }
    const int preselected = FPreSel < 0 ? -1 : (FPreSel & 0xFF);
    TOxButton *focus = preselected >= 0 && preselected < answers ? FButtonList[preselected] : FButtonList.back();
    focus->setDefault(true);
    focus->setFocus(Qt::OtherFocusReason);
}

int TSelectDialog::Execute()
{
    return TChoiceHooks::Run(*this, [this] {
        PlaceDialog(*this, DefaultPos);
        exec();
        return Result();
    });
}

int TSelectDialog::Result() const
{
    if (Selection < 0)
        return -1;
    if (FButtons.isEmpty())
        return Selection;
    return Selection + (FOption->isVisibleTo(this) && FOption->isChecked() ? ChoiceOptionChecked : 0);
}

void TSelectDialog::Press(int index)
{
    if (index < 0 || index >= static_cast<int>(FButtons.size()))
        FButtonList.back()->click();
    else
        FButtonList[index]->click();
}

void TSelectDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (QWindow *window = windowHandle())
        connect(window, &QWindow::screenChanged, this, &TSelectDialog::LayoutControls, Qt::UniqueConnection);
    FitToWorkArea(*this);
}

void TSelectDialog::reject()
{
    // Esc and the frame's close box: the answer is "cancel", whatever the box says.
    Selection = -1;
    QDialog::reject();
}

int ChoiceDialog(const QString &ATitle, const QString &ACaption, TMsgDlgType DlgType, TFontStyles ACaptionFormat,
                 const QStringList &AButtons, const QString &AOption, int ButtonWidth, int PreSelection,
                 const QString &DefaultButton)
{
    TSelectDialog dialog(QApplication::activeWindow() ? QApplication::activeWindow() : MainWindow());
    dialog.Prepare(ATitle, ACaption, DlgType, ACaptionFormat, AButtons, AOption, ButtonWidth, PreSelection,
                   DefaultButton);
    return dialog.Execute();
}

void PushChoiceAnswer(int result)
{
    TChoiceHooks::Push([result](TSelectDialog &) { return result; });
}
