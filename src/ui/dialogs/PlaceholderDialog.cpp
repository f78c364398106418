#include "ui/dialogs/PlaceholderDialog.h"

#include "ui/Appearance.h"
#include "ui/DialogPlace.h"
#include "ui/IconList.h"
#include "ui/IconSets.h"
#include "ui/MessageDialog.h"
#include "ui/OxButton.h"
#include "ui/UiText.h"

#include "app/Placeholders.h"

#include <QApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

// Designed sizes at 96 dpi.
constexpr int ClientWidth = 248;
constexpr int ButtonHeight = 36;
constexpr int ButtonWidth = 96;

const char *const ItemTexts[13] = {
    QT_TRANSLATE_NOOP("PrgText", "Device name"),
    QT_TRANSLATE_NOOP("PrgText", "Date (e.g. 2010-12-04)"),
    QT_TRANSLATE_NOOP("PrgText", "Year and week (e.g. 2009-53)"),
    QT_TRANSLATE_NOOP("PrgText", "Short day of the week (e.g. Mon,Tue)"),
    QT_TRANSLATE_NOOP("PrgText", "Long day of the week (e.g. Monday)"),
    QT_TRANSLATE_NOOP("PrgText", "Number of day of week (Monday = 1)"),
    QT_TRANSLATE_NOOP("PrgText", "Day of year (001 .. 365)"),
    QT_TRANSLATE_NOOP("PrgText", "Week of year (01 .. 53)"),
    QT_TRANSLATE_NOOP("PrgText", "Day of month (01 .. 31)"),
    QT_TRANSLATE_NOOP("PrgText", "Week of month (1 .. 6)"),
    QT_TRANSLATE_NOOP("PrgText", "Month of year (01 .. 12)"),
    QT_TRANSLATE_NOOP("PrgText", "Name of month (e.g. January)"),
    QT_TRANSLATE_NOOP("PrgText", "Year (e.g. 2010)"),
};

} // namespace

const char *const PlaceholderTexts[13] = {"%device%", "%date%", "%yaw%", "%dow%",   "%ldow%",   "%dnw%", "%day%",
                                          "%week%",   "%dom%",  "%wom%", "%month%", "%lmonth%", "%year%"};

TPlaceHolderDialog::TPlaceHolderDialog(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      rgPlaceholder(new QGroupBox(PrgText::tr("Placeholder for"), this)), BottomPanel(new QWidget(this)),
      OKBtn(new TOxButton(PrgText::tr("OK"), BottomPanel)),
      CancelBtn(new TOxButton(PrgText::tr("Cancel"), BottomPanel)),
      FGlyphs(new TIconList(24, {QStringLiteral("ok"), QStringLiteral("cancel")}, this))
{
    setObjectName(QStringLiteral("TPlaceHolderDialog"));
    setWindowTitle(PrgText::tr("Insert placeholder"));
    ApplyDefaultIconSet({FGlyphs});
    FGlyphs->SetScale(MonitorDpi(this));

    auto *grid = new QGridLayout(rgPlaceholder);
    grid->setHorizontalSpacing(ScaleToMonitor(16, this));
    grid->setVerticalSpacing(ScaleToMonitor(2, this));
    for (int i = 0; i < 13; ++i) {
        auto *item = new QRadioButton(PrgText::tr(ItemTexts[i]), rgPlaceholder);
        auto *preview = new QLabel(rgPlaceholder);
        preview->setTextFormat(Qt::PlainText);
        preview->setEnabled(false); // drawn in the muted colour of the style
        grid->addWidget(item, i, 0);
        grid->addWidget(preview, i, 1);
        Items.push_back(item);
        Previews.push_back(preview);
        connect(item, &QRadioButton::toggled, this, [item](bool on) {
            if (on)
                item->setFocus(Qt::OtherFocusReason);
        });
    }
    grid->setColumnStretch(1, 1);

    for (const auto &[button, glyph] : {std::pair{OKBtn, "ok"}, std::pair{CancelBtn, "cancel"}}) {
        button->SetImages(FGlyphs);
        button->SetImageName(QString::fromLatin1(glyph));
        button->SetLayout(blGlyphLeft);
        button->setAutoDefault(false);
        button->setFixedHeight(ScaleToMonitor(ButtonHeight, this));
        button->setMinimumWidth(ScaleToMonitor(ButtonWidth, this));
    }
    OKBtn->setDefault(true);
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    auto *buttons = new QHBoxLayout(BottomPanel);
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->addStretch(1);
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(rgPlaceholder);
    layout->addWidget(BottomPanel);
    setTabOrder(Items.back(), OKBtn);
    setTabOrder(OKBtn, CancelBtn);
    InstallHintKey(*this);
}

void TPlaceHolderDialog::Prepare(TPhType pt, const QString &deviceName, const QDate &today)
{
    Q_UNUSED(pt); // one page only: portable devices
    for (int i = 0; i < 13; ++i) {
        const QString text = QString::fromLatin1(PlaceholderTexts[i]);
        Previews[static_cast<size_t>(i)]->setText(ExpandDestPlaceholders(text, deviceName, today));
        Items[static_cast<size_t>(i)]->setToolTip(text);
    }
    Select(0);
    // The group's height and a little room, then the button panel; never
    // narrower than designed.
    const QSize group = rgPlaceholder->sizeHint();
    const QMargins margins = layout()->contentsMargins();
    const int width = qMax(ScaleToMonitor(ClientWidth, this), group.width() + margins.left() + margins.right());
    const int height = group.height() * 105 / 100 + BottomPanel->sizeHint().height() + margins.top() +
                       margins.bottom() + layout()->spacing();
    setFixedSize(width, height);
}

QString TPlaceHolderDialog::Selected() const
{
    for (size_t i = 0; i < Items.size(); ++i)
        if (Items[i]->isChecked())
            return QString::fromLatin1(PlaceholderTexts[i]);
    return {};
}

void TPlaceHolderDialog::Select(int index)
{
    if (index >= 0 && index < static_cast<int>(Items.size()))
        Items[static_cast<size_t>(index)]->setChecked(true);
}

void TPlaceHolderDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    for (QRadioButton *item : Items)
        if (item->isChecked())
            item->setFocus(Qt::OtherFocusReason);
    FitToWorkArea(*this);
}

QString SelectPlaceholder(QPoint APos, TPhType pt, const QString &DeviceName)
{
    TPlaceHolderDialog dialog(QApplication::activeWindow() ? QApplication::activeWindow() : MainWindow());
    dialog.Prepare(pt, DeviceName, QDate::currentDate());
    const int result = TPlaceholderHooks::Run(dialog, [&dialog, APos] {
        PlaceDialog(dialog, APos);
        return dialog.exec();
    });
    return result == QDialog::Accepted ? dialog.Selected() : QString();
}
