#include "ui/dialogs/InputDialog.h"

#include "ui/Appearance.h"
#include "ui/DialogPlace.h"
#include "ui/IconList.h"
#include "ui/IconSets.h"
#include "ui/MessageDialog.h"
#include "ui/OxButton.h"
#include "ui/UiText.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace {

// Designed sizes at 96 dpi.
constexpr int DesignedClientWidth = 311;
constexpr int TextMargin = 20;
constexpr int ButtonWidth = 96;
constexpr int ButtonHeight = 32;

} // namespace

TInputStringDialog::TInputStringDialog(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      lbDesc(new QLabel(this)), edText(new QLineEdit(this)), OKBtn(new TOxButton(DlgText::tr("OK"), this)),
      CancelBtn(new TOxButton(DlgText::tr("Cancel"), this)),
      FGlyphs(std::make_unique<TIconList>(24, QStringList{QStringLiteral("ok"), QStringLiteral("cancel")})),
      defWidth(ScaleToMonitor(DesignedClientWidth, this))
{
    setObjectName(QStringLiteral("TInputStringDialog"));
    setWindowTitle(DlgText::tr("Edit text"));
    ApplyIconSet(QStringLiteral("dialogs"), {FGlyphs.get()});
    FGlyphs->SetScale(MonitorDpi(this));
    lbDesc->setTextFormat(Qt::PlainText);
    lbDesc->setBuddy(edText);
    for (TOxButton *button : {OKBtn, CancelBtn}) {
        button->SetImages(FGlyphs.get());
        button->SetLayout(blGlyphLeft);
        button->setMinimumSize(ScaleToMonitor(ButtonWidth, this), ScaleToMonitor(ButtonHeight, this));
    }
    OKBtn->SetImageName(QStringLiteral("ok"));
    CancelBtn->SetImageName(QStringLiteral("cancel"));
    OKBtn->setDefault(true);
    OKBtn->setAutoDefault(false);
    CancelBtn->setAutoDefault(false);
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lbDesc);
    layout->addWidget(edText);
    layout->addSpacing(ScaleToMonitor(4, this));
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    setTabOrder(edText, OKBtn);
    setTabOrder(OKBtn, CancelBtn);
    InstallHintKey(*this);
}

TInputStringDialog::~TInputStringDialog() = default;

void TInputStringDialog::FitWidth()
{
    // The whole initial text fits with a margin; the window never gets narrower than designed.
    const int textWidth = edText->fontMetrics().horizontalAdvance(edText->text()) + ScaleToMonitor(TextMargin, this);
    const QMargins margins = layout()->contentsMargins();
    const int fieldWidth = qMax(defWidth - margins.left() - margins.right(), textWidth);
    edText->setMinimumWidth(fieldWidth);
    lbDesc->setMaximumWidth(qMax(fieldWidth, lbDesc->sizeHint().width()));
    adjustSize();
}

bool TInputStringDialog::Execute(QPoint APos, const QString &Titel, const QString &Desc, QString &AText)
{
    if (!Titel.isEmpty())
        setWindowTitle(Titel);
    lbDesc->setText(Desc);
    lbDesc->setVisible(!Desc.isEmpty());
    edText->setToolTip(Desc);
    edText->setText(AText);
    edText->selectAll();
    edText->setFocus(Qt::OtherFocusReason);
    FitWidth();
    const int result = TInputHooks::Run(*this, [this, APos] {
        PlaceDialog(*this, APos);
        return exec();
    });
    if (result != QDialog::Accepted)
        return false;
    AText = edText->text();
    return true;
}

void TInputStringDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    edText->setFocus(Qt::OtherFocusReason);
    FitToWorkArea(*this);
}

bool InputText(QPoint APos, const QString &Titel, const QString &Desc, QString &AText)
{
    TInputStringDialog dialog(QApplication::activeWindow() ? QApplication::activeWindow() : MainWindow());
    return dialog.Execute(APos, Titel, Desc, AText);
}

void PushInputAnswer(const QString &answer)
{
    TInputHooks::Push([answer](TInputStringDialog &dialog) {
        if (answer.isNull())
            return int(QDialog::Rejected);
        dialog.edText->setText(answer);
        return int(QDialog::Accepted);
    });
}
