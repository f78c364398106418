#include "ui/widgets/CompressionBox.h"

#include "ui/Appearance.h"
#include "ui/OxButton.h"
#include "ui/UiText.h"
#include "ui/widgets/WindowIcons.h"

#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QStyle>

TCompressionBox::TCompressionBox(TWindowIcons &icons, QWidget *parent)
    : QGroupBox(PrgText::tr("File processing"), parent), FIcons(icons)
{
    const auto scale = [this](int pixels) { return ScaleToMonitor(pixels, this); };
    setObjectName(QStringLiteral("paFileProc"));
    auto *grid = new QGridLayout(this);
    grid->setVerticalSpacing(scale(4));
    FCompress = new QCheckBox(PrgText::tr("Compress files"), this);
    FCompress->setObjectName(QStringLiteral("cbComp"));
    FAsZip = new QCheckBox(PrgText::tr("as zip"), this);
    FAsZip->setObjectName(QStringLiteral("cbZipComp"));
    grid->addWidget(FCompress, 0, 0);
    grid->addWidget(FAsZip, 0, 1, Qt::AlignRight);
    FTypesLabel = new QLabel(PrgText::tr("No compression for these types:"), this);
    FTypesLabel->setObjectName(QStringLiteral("lbComp"));
    FTypesLabel->setWordWrap(true);
    grid->addWidget(FTypesLabel, 1, 0, 1, 2);
    FTypes = new QListWidget(this);
    FTypes->setObjectName(QStringLiteral("NoCompList"));
    FTypes->setToolTip(PrgText::tr("File types not to compress"));
    FTypes->setViewMode(QListView::ListMode);
    FTypes->setFlow(QListView::LeftToRight);
    FTypes->setWrapping(true);
    FTypes->setResizeMode(QListView::Adjust);
    // Each type as wide as its text: uniform sizes took the first type's width for all.
    FTypes->setUniformItemSizes(false);
    FTypes->setTextElideMode(Qt::ElideNone);
    FTypes->viewport()->installEventFilter(this);
    FTypes->setSelectionMode(QAbstractItemView::NoSelection);
    FTypes->setFocusPolicy(Qt::NoFocus);
    QFont listFont = FTypes->font();
    listFont.setPointSizeF(listFont.pointSizeF() * 0.9);
    FTypes->setFont(listFont);
    // Whole rows only: four of them.
    FTypes->setFixedHeight(4 * (FTypes->fontMetrics().height() + scale(3)) + 2 * FTypes->frameWidth() + 1);
    grid->addWidget(FTypes, 2, 0, 1, 2);
    FEditTypes = new TOxButton(this);
    FEditTypes->setObjectName(QStringLiteral("bbNoComp"));
    FEditTypes->setToolTip(PrgText::tr("Select file types not to be compressed"));
    grid->addWidget(FEditTypes, 3, 1, Qt::AlignRight);
    grid->setRowStretch(4, 1);

    const auto clicked = [this] {
        UpdateCompressControls();
        Q_EMIT Changed();
    };
    connect(FCompress, &QCheckBox::clicked, this, clicked);
    connect(FAsZip, &QCheckBox::clicked, this, clicked);
    connect(FEditTypes, &QPushButton::clicked, this, [this] { Q_EMIT EditTypesRequested(FEditTypes); });
    RefreshIcons();
    UpdateCompressControls();
}

void TCompressionBox::ShowCompression(bool compress, bool asZip)
{
    FCompress->setChecked(compress);
    FAsZip->setChecked(compress && asZip);
    UpdateCompressControls();
}

bool TCompressionBox::Compress() const
{
    return FCompress->isChecked();
}

bool TCompressionBox::AsZip() const
{
    return FCompress->isChecked() && FAsZip->isChecked();
}

void TCompressionBox::ShowTypes(const QStringList &types)
{
    FTypes->clear();
    FTypes->addItems(types);
    UpdateTypesGrid();
}

void TCompressionBox::UpdateCompressControls()
{
    const bool compress = FCompress->isChecked();
    FTypesLabel->setVisible(compress);
    FTypes->setVisible(compress);
    FEditTypes->setVisible(compress);
    FAsZip->setVisible(compress);
    if (!compress)
        FAsZip->setChecked(false);
}

void TCompressionBox::FitHeight(int collapsedHeight)
{
    setMinimumHeight(0);
    setMaximumHeight(QWIDGETSIZE_MAX);
    // The designed height: everything of the group shown.
    if (FCompress->isChecked())
        setFixedHeight(sizeHint().height());
    else
        setFixedHeight(qMax(collapsedHeight, minimumSizeHint().height()));
}

void TCompressionBox::RefreshIcons()
{
    SetGlyph(*FEditTypes, FIcons.Glyphs, QStringLiteral("list-edit"));
}

bool TCompressionBox::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == FTypes->viewport() && event->type() == QEvent::Resize)
        UpdateTypesGrid();
    return QGroupBox::eventFilter(watched, event);
}

void TCompressionBox::UpdateTypesGrid()
{
    // As many columns as the widest type allows: a fixed count clipped longer
    // types in larger fonts. The style pads each item's text on both sides.
    const int padding = 2 * (FTypes->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, FTypes) + 1);
    int widest = 0;
    for (int i = 0; i < FTypes->count(); ++i)
        widest = qMax(widest, FTypes->fontMetrics().horizontalAdvance(FTypes->item(i)->text()));
    const int cell = widest + padding + ScaleToMonitor(4, this);
    const int space = FTypes->viewport()->width() - 1;
    const int columns = qBound(1, space / qMax(1, cell), 6);
    const int width = qMax(cell, space / columns);
    FTypes->setGridSize(QSize(width, FTypes->fontMetrics().height() + ScaleToMonitor(3, this)));
}
