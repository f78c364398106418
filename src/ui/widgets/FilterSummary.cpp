#include "ui/widgets/FilterSummary.h"

#include "ui/Appearance.h"
#include "ui/OxButton.h"
#include "ui/UiText.h"
#include "ui/widgets/WindowIcons.h"

#include "base/SafeFormat.h"
#include "filter/TextFilter.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

TFilterSummary::TFilterSummary(TWindowIcons &icons, QWidget *parent)
    : QGroupBox(PrgText::tr("Filter"), parent), FIcons(icons)
{
    setObjectName(QStringLiteral("gbFilter"));
    auto *grid = new QGridLayout(this);
    grid->setVerticalSpacing(ScaleToMonitor(6, this));
    FSummary = new QLineEdit(this);
    FSummary->setObjectName(QStringLiteral("edFilterMask"));
    FSummary->setReadOnly(true);
    FSummary->setToolTip(PrgText::tr("Filter for filenames"));
    grid->addWidget(FSummary, 0, 0, 1, 2);
    FRegular = new QLabel(PrgText::tr("As regular expression"), this);
    FRegular->setObjectName(QStringLiteral("lbRegular"));
    grid->addWidget(FRegular, 1, 0, 1, 2);
    FEdit = new TOxButton(PrgText::tr("Settings"), this);
    FEdit->setObjectName(QStringLiteral("FilterBtn"));
    FEdit->setToolTip(PrgText::tr("Edit filename filter"));
    grid->addWidget(FEdit, 2, 1, Qt::AlignRight | Qt::AlignBottom);
    grid->setRowStretch(2, 1);
    grid->setColumnStretch(0, 1);
    connect(FEdit, &QPushButton::clicked, this, &TFilterSummary::EditRequested);
    RefreshIcons();
}

void TFilterSummary::ShowFilter(const TTextFilter &filter)
{
    FRegular->setVisible(filter.Regular());
    switch (filter.Mode()) {
    case fmInclude:
        FSummary->setText(SafeFormat(PrgText::tr("only %s"), filter.Filter()));
        break;
    case fmExclude:
        FSummary->setText(SafeFormat(PrgText::tr("all except %s"), filter.Filter()));
        break;
    default:
        FSummary->setText(PrgText::tr("All files"));
        break;
    }
    FSummary->setCursorPosition(0);
    FSummary->setToolTip(PrgText::tr("Filter for filenames") + QLatin1Char('\n') + FSummary->text());
}

void TFilterSummary::RefreshIcons()
{
    SetGlyph(*FEdit, FIcons.Glyphs, QStringLiteral("filter"));
    FEdit->SetSpacing(6);
}
