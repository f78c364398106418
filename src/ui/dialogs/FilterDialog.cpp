#include "ui/dialogs/FilterDialog.h"

#include "ui/Appearance.h"
#include "ui/ComboHistory.h"
#include "ui/DialogPlace.h"
#include "ui/IconList.h"
#include "ui/IconSets.h"
#include "ui/MessageDialog.h"
#include "ui/OxButton.h"
#include "ui/UiText.h"
#include "ui/dialogs/ListEditor.h"

#include "env/CommaText.h"
#include "env/History.h"
#include "filter/TextFilter.h"
#include "settings/StreamErrors.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

constexpr int ButtonHeight = 32;
constexpr int ButtonWidth = 96;
constexpr int FilterFieldWidth = 300;

struct THistoryPlace
{
    QString IniName;
    QString Section;
};

THistoryPlace &HistoryPlace()
{
    static THistoryPlace place;
    return place;
}

const QString AndPrefix = QStringLiteral("+");

} // namespace

TFilterDialog::TFilterDialog(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      gbFilter(new QGroupBox(this)), NoMaskBtn(new QRadioButton(DlgText::tr("A&ll"), gbFilter)),
      IncMaskBtn(new QRadioButton(DlgText::tr("All &matching"), gbFilter)),
      ExcMaskBtn(new QRadioButton(DlgText::tr("All &not matching"), gbFilter)),
      lbMask(new QLabel(DlgText::tr("&Filter expressions:"), gbFilter)), cbFilter(new THistoryComboBox(gbFilter)),
      rgEval(new QGroupBox(DlgText::tr("Evaluate multiple expressions by"), gbFilter)),
      OrBtn(new QRadioButton(DlgText::tr("&OR operation"), rgEval)),
      AndBtn(new QRadioButton(DlgText::tr("AN&D operation"), rgEval)),
      btnEditMask(new TOxButton(DlgText::tr("&Edit expressions"), gbFilter)),
      RegExpCB(new QCheckBox(DlgText::tr("Use &regular expressions"), this)),
      OKBtn(new TOxButton(DlgText::tr("OK"), this)), CancelBtn(new TOxButton(DlgText::tr("Cancel"), this)),
      FGlyphs(new TIconList(24, {QStringLiteral("ok"), QStringLiteral("cancel"), QStringLiteral("list-edit")}, this))
{
    setObjectName(QStringLiteral("TFilterDialog"));
    setWindowTitle(DlgText::tr("Text filter dialog"));
    ApplyIconSet(QStringLiteral("dialogs"), {FGlyphs});
    FGlyphs->SetScale(MonitorDpi(this));
    NoMaskBtn->setChecked(true);
    OrBtn->setChecked(true);
    cbFilter->setEditable(true);
    cbFilter->setInsertPolicy(QComboBox::NoInsert);
    cbFilter->setMaxVisibleItems(DefaultHistoryCount);
    cbFilter->setToolTip(DlgText::tr("Filter expressions:"));
    cbFilter->setMinimumWidth(ScaleToMonitor(FilterFieldWidth, this));
    lbMask->setBuddy(cbFilter);
    for (const auto &[button, glyph] :
         {std::pair{OKBtn, "ok"}, std::pair{CancelBtn, "cancel"}, std::pair{btnEditMask, "list-edit"}}) {
        button->SetImages(FGlyphs);
        button->SetImageName(QString::fromLatin1(glyph));
        button->SetLayout(blGlyphLeft);
        button->setAutoDefault(false);
        button->setMinimumSize(ScaleToMonitor(ButtonWidth, this), ScaleToMonitor(ButtonHeight, this));
    }
    OKBtn->setDefault(true);

    auto *modes = new QHBoxLayout;
    for (QRadioButton *button : {NoMaskBtn, IncMaskBtn, ExcMaskBtn}) {
        modes->addWidget(button);
        connect(button, &QRadioButton::clicked, this, &TFilterDialog::MaskButtonClicked);
    }
    modes->addStretch(1);
    auto *evalLayout = new QHBoxLayout(rgEval);
    evalLayout->addWidget(OrBtn, 1);
    evalLayout->addWidget(AndBtn, 1);
    auto *evalRow = new QHBoxLayout;
    evalRow->addWidget(rgEval, 1);
    evalRow->addWidget(btnEditMask, 0, Qt::AlignBottom);
    auto *group = new QVBoxLayout(gbFilter);
    group->addLayout(modes);
    group->addWidget(lbMask);
    group->addWidget(cbFilter);
    group->addLayout(evalRow);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(RegExpCB);
    buttons->addStretch(1);
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(gbFilter);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(RegExpCB, &QCheckBox::clicked, this, &TFilterDialog::RegExpClicked);
    connect(OrBtn, &QRadioButton::clicked, this, &TFilterDialog::EvalClicked);
    connect(AndBtn, &QRadioButton::clicked, this, &TFilterDialog::EvalClicked);
    connect(cbFilter, qOverload<int>(&QComboBox::activated), this, &TFilterDialog::HistoryPicked);
    connect(btnEditMask, &QPushButton::clicked, this, &TFilterDialog::EditMaskClicked);
    connect(OKBtn, &QPushButton::clicked, this, &TFilterDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);

    setTabOrder(NoMaskBtn, IncMaskBtn);
    setTabOrder(IncMaskBtn, ExcMaskBtn);
    setTabOrder(ExcMaskBtn, cbFilter);
    setTabOrder(cbFilter, OrBtn);
    setTabOrder(OrBtn, AndBtn);
    setTabOrder(AndBtn, btnEditMask);
    setTabOrder(btnEditMask, RegExpCB);
    setTabOrder(RegExpCB, OKBtn);
    setTabOrder(OKBtn, CancelBtn);
    InstallHintKey(*this);
}

TFilterDialog::~TFilterDialog()
{
    if (FIniName.isEmpty() || FSection.isEmpty())
        return;
    try {
        SaveHistory(FIniName, FSection, true, *cbFilter);
    } catch (const EStreamError &error) {
        ErrorDialog(error.Message());
    }
}

void TFilterDialog::LoadFromIni(const QString &IniName, const QString &IniSection)
{
    FIniName = IniName;
    FSection = IniSection;
    if (!FIniName.isEmpty() && !FSection.isEmpty())
        LoadHistory(FIniName, FSection, *cbFilter);
}

bool TFilterDialog::Execute(QPoint APos, const QString &Titel, const QString &Desc, bool ShowRegular, bool ShowListBtn,
                            TTextFilter &AFilter)
{
    setWindowTitle(Titel);
    gbFilter->setTitle(Desc);
    RegExpCB->setVisible(ShowRegular);
    btnEditMask->setVisible(ShowListBtn);
    FFilter = &AFilter;
    const QString text = AFilter.Filter();
    (text.startsWith(AndPrefix) ? AndBtn : OrBtn)->setChecked(true);
    AddToHistory(*cbFilter, text);
    cbFilter->setEditText(text);
    RegExpCB->setChecked(AFilter.Regular());
    (AFilter.Mode() == fmInclude ? IncMaskBtn : AFilter.Mode() == fmExclude ? ExcMaskBtn : NoMaskBtn)->setChecked(true);
    PrepareShow();
    const int result = TFilterHooks::Run(*this, [this, APos] {
        PlaceDialog(*this, APos);
        return exec();
    });
    return result == QDialog::Accepted;
}

void TFilterDialog::PrepareShow()
{
    cbFilter->SetPlainEdit(cbFilter->count() <= 1);
    cbFilter->setEnabled(!NoMaskBtn->isChecked());
    MaskButtonClicked();
    rgEval->setVisible(btnEditMask->isEnabled());
}

void TFilterDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    (NoMaskBtn->isChecked() ? static_cast<QWidget *>(NoMaskBtn) : cbFilter)->setFocus(Qt::OtherFocusReason);
    FitToWorkArea(*this);
}

void TFilterDialog::MaskButtonClicked()
{
    const bool all = NoMaskBtn->isChecked();
    // "All files" shows "*" but keeps the text and its kind: switching the
    // filter on again brings them back, also for a filter that was reset.
    if (all && cbFilter->currentText() != QLatin1String("*")) {
        FKeptText = cbFilter->currentText();
        FKeptRegular = RegExpCB->isChecked();
    } else if (!all && cbFilter->currentText() == QLatin1String("*") && !FKeptText.isEmpty()) {
        cbFilter->setEditText(FKeptText);
        RegExpCB->setChecked(FKeptRegular);
    }
    RegExpCB->setEnabled(!all);
    if (all)
        RegExpCB->setChecked(false);
    btnEditMask->setEnabled(!RegExpCB->isChecked());
    rgEval->setVisible(btnEditMask->isEnabled());
    cbFilter->setEnabled(!all);
    if (all)
        cbFilter->setEditText(QStringLiteral("*"));
    lbMask->setEnabled(!all);
    if (isVisible() && !all)
        cbFilter->setFocus(Qt::OtherFocusReason);
}

void TFilterDialog::RegExpClicked()
{
    const bool regular = RegExpCB->isChecked();
    btnEditMask->setEnabled(!regular);
    // OR and AND combine masks only.
    rgEval->setVisible(btnEditMask->isEnabled());
    const QString text = cbFilter->currentText();
    if (regular && text.compare(QLatin1String("*"), Qt::CaseInsensitive) == 0)
        cbFilter->setEditText(QStringLiteral("."));
    else if (!regular && text == QLatin1String("."))
        cbFilter->setEditText(QStringLiteral("*"));
}

void TFilterDialog::EvalClicked()
{
    const QString text = cbFilter->currentText();
    if (AndBtn->isChecked() && !text.startsWith(AndPrefix))
        cbFilter->setEditText(AndPrefix + text);
    else if (OrBtn->isChecked() && text.startsWith(AndPrefix))
        cbFilter->setEditText(text.mid(1));
}

void TFilterDialog::FollowAndPrefix(const QString &text)
{
    (text.startsWith(AndPrefix) ? AndBtn : OrBtn)->setChecked(true);
}

void TFilterDialog::HistoryPicked(int index)
{
    FollowAndPrefix(cbFilter->itemText(index));
}

void TFilterDialog::EditMaskClicked()
{
    const QString text = cbFilter->currentText();
    QStringList masks = (text.startsWith(AndPrefix) ? text.mid(1) : text).split(QLatin1Char('|'));
    // "Default" brings back the masks as they were when the editor opened.
    const QString defaultMasks = ToCommaText(masks);
    QString selected;
    const QString title = QString(lbMask->text()).remove(QLatin1Char('&'));
    if (!EditList(TopRightPos(*this), title, windowTitle() + QLatin1Char(':'),
                  soEdit | soOrder | soDelAll | soNoConfirm, 0, defaultMasks, masks, selected))
        return;
    QString joined;
    for (const QString &mask : masks) {
        if (!joined.isEmpty())
            joined += QLatin1Char('|');
        joined += mask;
    }
    cbFilter->setEditText(AndBtn->isChecked() ? AndPrefix + joined : joined);
}

void TFilterDialog::accept()
{
    QString text = cbFilter->currentText();
    bool regular = false;
    if (!text.isEmpty())
        regular = RegExpCB->isVisibleTo(this) && RegExpCB->isChecked();
    else
        text = QStringLiteral("*");
    const TFilterMode mode = IncMaskBtn->isChecked() ? fmInclude : ExcMaskBtn->isChecked() ? fmExclude : fmOff;
    if (!NoMaskBtn->isChecked()) {
        // The text is tried on a scratch filter first, so that a rejected
        // text leaves the caller's filter as it was, also after Cancel.
        TTextFilter probe(FFilter->IsFileFilter(), FFilter->IgnoreCase());
        probe.SetSeparator(FFilter->Separator());
        probe.SetRegular(regular);
        try {
            probe.SetFilter(text);
        } catch (const EFilterError &) {
            ErrorDialog(DlgText::tr("Invalid filter mask!\r\nShould resemble %1 or %2")
                            .arg(regular ? QStringLiteral("\\D") : QStringLiteral("*"),
                                 regular ? QStringLiteral("A+[bc].") : QStringLiteral("[ab]*")));
            cbFilter->setFocus(Qt::OtherFocusReason);
            return;
        }
    }
    FFilter->SetRegular(regular);
    FFilter->SetMode(mode);
    if (!NoMaskBtn->isChecked()) {
        FFilter->SetFilter(text);
        AddToHistory(*cbFilter, FFilter->Filter());
    }
    QDialog::accept();
}

void SetFilterHistory(const QString &IniName, const QString &Section)
{
    HistoryPlace() = {IniName, Section};
}

bool ShowFilterDialog(QPoint APos, const QString &Titel, const QString &Desc, bool ShowRegular, bool ShowListBtn,
                      TTextFilter &AFilter)
{
    TFilterDialog dialog(QApplication::activeWindow() ? QApplication::activeWindow() : MainWindow());
    dialog.LoadFromIni(HistoryPlace().IniName, HistoryPlace().Section);
    return dialog.Execute(APos, Titel, Desc, ShowRegular, ShowListBtn, AFilter);
}

bool ShowFilterDialog(const QString &Titel, const QString &Desc, bool ShowRegular, bool ShowListBtn,
                      TTextFilter &AFilter)
{
    return ShowFilterDialog(DefaultPos, Titel, Desc, ShowRegular, ShowListBtn, AFilter);
}
