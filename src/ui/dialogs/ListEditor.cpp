#include "ui/dialogs/ListEditor.h"

#include "ui/Appearance.h"
#include "ui/DialogPlace.h"
#include "ui/IconList.h"
#include "ui/IconSets.h"
#include "ui/MessageDialog.h"
#include "ui/OxButton.h"
#include "ui/UiText.h"
#include "ui/dialogs/InputDialog.h"

#include "env/CommaText.h"

#include <QApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

namespace {

// Designed sizes at 96 dpi.
constexpr int Dist = 5;
constexpr int PanelWidth = 141;
constexpr int EditButtonWidth = 111;
constexpr int EditButtonHeight = 31;
constexpr int MoveButtonSize = 36;
constexpr int ListMinWidth = 220;

// Index order of the icon set "dialogs".
const QStringList GlyphNames{QStringLiteral("ok"),         QStringLiteral("cancel"),    QStringLiteral("b-up"),
                             QStringLiteral("b-down"),     QStringLiteral("list-edit"), QStringLiteral("list-add"),
                             QStringLiteral("list-rem"),   QStringLiteral("list-repl"), QStringLiteral("list-new"),
                             QStringLiteral("list-delete")};

} // namespace

TSelectFromListDialog::TSelectFromListDialog(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      lbDesc(new QLabel(this)), lbItems(new QListWidget(this)), gbEdit(new QGroupBox(DlgText::tr("Edit items"), this)),
      gbMove(new QGroupBox(DlgText::tr("Move item"), this)), btnAdd(new TOxButton(DlgText::tr("&Add"), gbEdit)),
      btnRemove(new TOxButton(DlgText::tr("&Remove"), gbEdit)),
      btnChange(new TOxButton(DlgText::tr("C&hange"), gbEdit)),
      btnDefault(new TOxButton(DlgText::tr("&Default"), gbEdit)),
      btnRemoveAll(new TOxButton(DlgText::tr("Remove a&ll"), gbEdit)), btnUp(new TOxButton(gbMove)),
      btnDown(new TOxButton(gbMove)), OKBtn(new TOxButton(DlgText::tr("OK"), this)),
      CancelBtn(new TOxButton(DlgText::tr("Cancel"), this)), dist(ScaleToMonitor(Dist, this)),
      FGlyphs(std::make_unique<TIconList>(24, GlyphNames))
{
    setObjectName(QStringLiteral("TSelectFromListDialog"));
    ApplyIconSet(QStringLiteral("dialogs"), {FGlyphs.get()});
    FGlyphs->SetScale(MonitorDpi(this));
    lbDesc->setTextFormat(Qt::PlainText);
    lbDesc->setBuddy(lbItems);
    lbItems->setMinimumWidth(ScaleToMonitor(ListMinWidth, this));

    btnAdd->setToolTip(DlgText::tr("Add item"));
    btnRemove->setToolTip(DlgText::tr("Remove selected items"));
    btnChange->setToolTip(DlgText::tr("Edit item"));
    btnDefault->setToolTip(DlgText::tr("Reset to default values"));
    btnRemoveAll->setToolTip(DlgText::tr("Remove all items"));
    btnUp->setToolTip(DlgText::tr("Move item up"));
    btnDown->setToolTip(DlgText::tr("Move item down"));
    btnUp->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Up));
    btnDown->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Down));

    const std::pair<TOxButton *, const char *> glyphs[] = {
        {btnAdd, "list-add"},          {btnRemove, "list-rem"}, {btnChange, "list-repl"}, {btnDefault, "list-new"},
        {btnRemoveAll, "list-delete"}, {btnUp, "b-up"},         {btnDown, "b-down"},      {OKBtn, "ok"},
        {CancelBtn, "cancel"}};
    for (const auto &[button, glyph] : glyphs) {
        button->SetImages(FGlyphs.get());
        button->SetImageName(QString::fromLatin1(glyph));
        button->SetLayout(blGlyphLeft);
        button->setAutoDefault(false);
    }
    // The edit buttons share one width: the designed one or the widest caption's.
    int editWidth = ScaleToMonitor(EditButtonWidth, this);
    for (TOxButton *button : {btnAdd, btnRemove, btnChange, btnDefault, btnRemoveAll}) {
        button->SetMargin(ScaleToMonitor(8, this));
        button->SetSpacing(-1);
        editWidth = qMax(editWidth, button->sizeHint().width());
    }
    for (TOxButton *button : {btnAdd, btnRemove, btnChange, btnDefault, btnRemoveAll})
        button->setFixedSize(editWidth, ScaleToMonitor(EditButtonHeight, this));
    for (TOxButton *button : {btnUp, btnDown})
        button->setFixedSize(ScaleToMonitor(MoveButtonSize, this), ScaleToMonitor(MoveButtonSize, this));
    for (TOxButton *button : {OKBtn, CancelBtn})
        button->setFixedHeight(ScaleToMonitor(EditButtonHeight, this));
    OKBtn->setDefault(true);

    connect(btnAdd, &QPushButton::clicked, this, &TSelectFromListDialog::AddItem);
    connect(btnChange, &QPushButton::clicked, this, [this] { ChangeItem(InputPos(*btnChange)); });
    connect(btnRemove, &QPushButton::clicked, this, &TSelectFromListDialog::RemoveItems);
    connect(btnRemoveAll, &QPushButton::clicked, this, &TSelectFromListDialog::RemoveAll);
    connect(btnDefault, &QPushButton::clicked, this, &TSelectFromListDialog::ResetToDefault);
    connect(btnUp, &QPushButton::clicked, this, [this] { MoveItem(-1); });
    connect(btnDown, &QPushButton::clicked, this, [this] { MoveItem(1); });
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(lbItems, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem *item) {
        lbItems->setCurrentItem(item);
        if (FEdit)
            ChangeItem(CursorPos(QPoint(-20, 20)));
        else
            accept();
    });

    auto *editLayout = new QVBoxLayout(gbEdit);
    editLayout->setSpacing(ScaleToMonitor(35 - EditButtonHeight, this));
    for (TOxButton *button : {btnAdd, btnRemove, btnChange, btnDefault})
        editLayout->addWidget(button, 0, Qt::AlignHCenter);
    editLayout->addSpacing(2 * dist);
    editLayout->addWidget(btnRemoveAll, 0, Qt::AlignHCenter);
    auto *moveLayout = new QHBoxLayout(gbMove);
    moveLayout->addStretch(1);
    moveLayout->addWidget(btnUp);
    moveLayout->addWidget(btnDown);
    moveLayout->addStretch(1);

    auto *panel = new QVBoxLayout;
    panel->setSpacing(dist);
    panel->addWidget(gbEdit);
    panel->addWidget(gbMove);
    panel->addStretch(1);
    panel->addSpacing(2 * dist);
    panel->addWidget(OKBtn);
    panel->addWidget(CancelBtn);
    auto *left = new QVBoxLayout;
    left->addWidget(lbDesc);
    left->addWidget(lbItems, 1);
    auto *layout = new QHBoxLayout(this);
    layout->setSpacing(2 * dist);
    layout->addLayout(left, 1);
    auto *panelBox = new QWidget(this);
    panelBox->setLayout(panel);
    panel->setContentsMargins(0, 0, 0, 0);
    panelBox->setFixedWidth(qMax(ScaleToMonitor(PanelWidth, this), panel->sizeHint().width()));
    layout->addWidget(panelBox);

    setTabOrder(lbItems, btnAdd);
    setTabOrder(btnAdd, btnRemove);
    setTabOrder(btnRemove, btnChange);
    setTabOrder(btnChange, btnDefault);
    setTabOrder(btnDefault, btnRemoveAll);
    setTabOrder(btnRemoveAll, btnUp);
    setTabOrder(btnUp, btnDown);
    setTabOrder(btnDown, OKBtn);
    setTabOrder(OKBtn, CancelBtn);
    InstallHintKey(*this);
}

TSelectFromListDialog::~TSelectFromListDialog() = default;

void TSelectFromListDialog::Prepare(const QString &Titel, const QString &Desc, TSelectOptions Options, int ACols,
                                    const QString &Default, const QStringList &SList, const QString &AText)
{
    setWindowTitle(Titel);
    FDesc = Desc;
    lbDesc->setText(Desc);
    lbItems->setToolTip(Desc);
    FEdit = Options.testFlag(soEdit);
    FNoConfirm = Options.testFlag(soNoConfirm);
    FMulti = Options.testFlag(soMulti);
    FCols = qMax(0, ACols);
    DefDelimitedText = Default;
    gbEdit->setVisible(FEdit);
    gbMove->setVisible(Options.testFlag(soOrder));
    btnDefault->setVisible(!Default.isEmpty());
    btnRemoveAll->setVisible(Options.testFlag(soDelAll));
    lbItems->setSelectionMode(FMulti ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
    if (FCols > 0) {
        // Several columns side by side, scrolled horizontally.
        lbItems->setFlow(QListView::TopToBottom);
        lbItems->setWrapping(true);
        lbItems->setResizeMode(QListView::Adjust);
        lbItems->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    }
    lbItems->clear();
    lbItems->addItems(SList);
    for (int i = 0; i < lbItems->count() && !AText.isEmpty(); ++i)
        if (lbItems->item(i)->text().compare(AText, Qt::CaseInsensitive) == 0) {
            lbItems->setCurrentRow(i);
            break;
        }
    if (lbItems->currentRow() < 0)
        lbItems->setCurrentRow(-1, QItemSelectionModel::Clear);
    adjustSize();
}

bool TSelectFromListDialog::Execute(QPoint APos, QStringList &SList, QString &AText)
{
    const int result = TListEditorHooks::Run(*this, [this, APos] {
        PlaceDialog(*this, APos);
        return exec();
    });
    if (result != QDialog::Accepted)
        return false;
    if (FEdit)
        SList = Entries();
    AText = SelectedText();
    return true;
}

QStringList TSelectFromListDialog::Entries() const
{
    QStringList entries;
    for (int i = 0; i < lbItems->count(); ++i)
        entries << lbItems->item(i)->text();
    return entries;
}

QString TSelectFromListDialog::SelectedText() const
{
    QStringList selected;
    for (int i = 0; i < lbItems->count(); ++i)
        if (lbItems->item(i)->isSelected())
            selected << lbItems->item(i)->text();
    if (FMulti)
        return selected.join(QLatin1Char('|'));
    return selected.value(0);
}

QPoint TSelectFromListDialog::InputPos(const QWidget &button) const
{
    return BottomLeftPos(button, QPoint(-100, 10));
}

bool TSelectFromListDialog::Confirmed(const QString &question, const QWidget &button) const
{
    return FNoConfirm || ConfirmDialog(InputPos(button), question, mbYes);
}

void TSelectFromListDialog::AddItem()
{
    QString text;
    if (!InputText(InputPos(*btnAdd), DlgText::tr("Add item"), FDesc, text))
        return;
    lbItems->addItem(text);
    lbItems->setCurrentRow(lbItems->count() - 1);
}

void TSelectFromListDialog::ChangeItem(QPoint inputPos)
{
    QListWidgetItem *item = lbItems->currentItem();
    if (!item)
        return;
    QString text = item->text();
    if (InputText(inputPos, DlgText::tr("Edit item"), FDesc, text))
        item->setText(text);
}

void TSelectFromListDialog::RemoveItems()
{
    if (FMulti) {
        if (!Confirmed(DlgText::tr("Remove all selected items?"), *btnRemove))
            return;
        for (int i = lbItems->count() - 1; i >= 0; --i)
            if (lbItems->item(i)->isSelected())
                delete lbItems->takeItem(i);
        return;
    }
    const int row = lbItems->currentRow();
    if (row < 0)
        return;
    if (!Confirmed(DlgText::tr("Remove item: \"%1\"?").arg(lbItems->item(row)->text()), *btnRemove))
        return;
    delete lbItems->takeItem(row);
    // The entry now at that place becomes current, else the new last one.
    if (lbItems->count() == 0)
        lbItems->setCurrentRow(-1, QItemSelectionModel::Clear);
    else
        lbItems->setCurrentRow(qMin(row, lbItems->count() - 1));
}

void TSelectFromListDialog::RemoveAll()
{
    if (!Confirmed(DlgText::tr("Clear whole list") + QLatin1Char('?'), *btnRemoveAll))
        return;
    lbItems->clear();
}

void TSelectFromListDialog::ResetToDefault()
{
    if (!Confirmed(DlgText::tr("Reset to default values") + QLatin1Char('?'), *btnDefault))
        return;
    lbItems->clear();
    lbItems->addItems(FromCommaText(DefDelimitedText));
}

void TSelectFromListDialog::MoveItem(int step)
{
    const int row = lbItems->currentRow();
    const int target = row + step;
    if (row < 0 || target < 0 || target >= lbItems->count())
        return;
    QListWidgetItem *item = lbItems->takeItem(row);
    lbItems->insertItem(target, item);
    lbItems->setCurrentRow(target, QItemSelectionModel::ClearAndSelect);
}

void TSelectFromListDialog::UpdateColumns()
{
    if (FCols <= 0)
        return;
    const int width = lbItems->viewport()->width() / FCols;
    lbItems->setGridSize(QSize(qMax(width, 1), lbItems->fontMetrics().height() + ScaleToMonitor(4, this)));
}

void TSelectFromListDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    UpdateColumns();
    lbItems->setFocus(Qt::OtherFocusReason);
    FitToWorkArea(*this);
}

bool EditList(QPoint APos, const QString &Titel, const QString &Desc, TSelectOptions Options, int ACols,
              const QString &Default, QStringList &SList, QString &AText)
{
    TSelectFromListDialog dialog(QApplication::activeWindow() ? QApplication::activeWindow() : MainWindow());
    dialog.Prepare(Titel, Desc, Options, ACols, Default, SList, AText);
    return dialog.Execute(APos, SList, AText);
}
