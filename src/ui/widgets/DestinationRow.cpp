#include "ui/widgets/DestinationRow.h"

#include "ui/Appearance.h"
#include "ui/ComboHistory.h"
#include "ui/OxButton.h"
#include "ui/UiText.h"
#include "ui/widgets/WindowIcons.h"

#include "app/ProgramSettings.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

TDestinationRow::TDestinationRow(TWindowIcons &icons, QWidget *parent) : QWidget(parent), FIcons(icons)
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(ScaleToMonitor(6, this));
    auto *label = new QLabel(PrgText::tr("Destination directory:"), this);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    layout->addWidget(label);
    FBox = new THistoryComboBox(this);
    FBox->setObjectName(QStringLiteral("edDestDir"));
    FBox->setEditable(true);
    FBox->setInsertPolicy(QComboBox::NoInsert);
    FBox->setMaxVisibleItems(DestinationHistoryCount);
    FBox->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    FBox->setMinimumContentsLength(12);
    label->setBuddy(FBox);
    layout->addWidget(FBox, 1);
    FPlaceholder = new TOxButton(this);
    FPlaceholder->setObjectName(QStringLiteral("bbPhDir"));
    FPlaceholder->setToolTip(PrgText::tr("Insert placeholder"));
    FChooseFolder = new TOxButton(this);
    FChooseFolder->setObjectName(QStringLiteral("bbDestDir"));
    FChooseFolder->setToolTip(PrgText::tr("Select backup directory"));
    layout->addWidget(FPlaceholder);
    layout->addWidget(FChooseFolder);

    connect(FBox, &QComboBox::editTextChanged, this, &TDestinationRow::Changed);
    // The caret is remembered while the box has the focus: a click on the
    // placeholder button takes the focus away before the picker opens.
    connect(FBox->lineEdit(), &QLineEdit::cursorPositionChanged, this, [this](int, int position) {
        if (FBox->lineEdit()->hasFocus())
            FCaret = position;
    });
    connect(FBox, &QComboBox::currentIndexChanged, this, [this] { FCaret = -1; });
    connect(FPlaceholder, &QPushButton::clicked, this, [this] { Q_EMIT PlaceholderRequested(FPlaceholder); });
    connect(FChooseFolder, &QPushButton::clicked, this, &TDestinationRow::FolderRequested);
    RefreshIcons();
}

QString TDestinationRow::Text() const
{
    return FBox->currentText();
}

void TDestinationRow::SetText(const QString &text)
{
    FBox->setEditText(text);
    FCaret = -1;
}

void TDestinationRow::InsertAtCaret(const QString &text)
{
    QString value = FBox->currentText();
    // A caret at the very start counts as none: the text goes to the end.
    const int at = FCaret <= 0 || FCaret > value.size() ? int(value.size()) : FCaret;
    value.insert(at, text);
    FBox->setEditText(value);
    FBox->setFocus();
    FBox->lineEdit()->setCursorPosition(at + int(text.size()));
    FCaret = -1;
}

void TDestinationRow::RefreshIcons()
{
    SetGlyph(*FPlaceholder, FIcons.Glyphs, QStringLiteral("placeholder"));
    SetGlyph(*FChooseFolder, FIcons.Glyphs, QStringLiteral("folder-open"));
}
