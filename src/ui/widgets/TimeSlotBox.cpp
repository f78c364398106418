#include "ui/widgets/TimeSlotBox.h"

#include "ui/Appearance.h"
#include "ui/NumEdit.h"
#include "ui/UiText.h"

#include "app/LocaleDates.h"
#include "app/TimeSlot.h"

#include <QDateTimeEdit>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QStyleOptionComboBox>
#include <QStylePainter>
#include <QStyledItemDelegate>

namespace {

// "MM/dd/yyyy", "dd.MM.yyyy" or "yyyy-MM-dd" by the locale's order of day, month and year.
QString LocaleDatePickerFormat()
{
    const QString format = QLocale::system().dateFormat(QLocale::ShortFormat);
    const qsizetype day = format.indexOf(QLatin1Char('d'));
    const qsizetype month = format.indexOf(QLatin1Char('M'));
    const qsizetype year = format.indexOf(QLatin1Char('y'));
    if (year >= 0 && year < month && year < day)
        return QStringLiteral("yyyy-MM-dd");
    if (month >= 0 && month < day)
        return QStringLiteral("MM/dd/yyyy");
    return QStringLiteral("dd.MM.yyyy");
}

QString LocaleTimePickerFormat()
{
    const QString format = QLocale::system().timeFormat(QLocale::ShortFormat);
    return format.contains(QLatin1Char('a'), Qt::CaseInsensitive) ? QStringLiteral("hh:mm AP")
                                                                  : QStringLiteral("HH:mm");
}

class TTimeSlotDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        const bool selected = option.state & QStyle::State_Selected;
        const QPalette &pal = option.palette;
        const QColor fill = selected ? StyleColor(seComboBoxSelected, pal.color(QPalette::Highlight))
                                     : StyleColor(seComboBoxItem, pal.color(QPalette::Base));
        const QColor text = selected ? StyleFontColor(seComboBoxSelected, pal.color(QPalette::HighlightedText))
                                     : StyleFontColor(seComboBoxItem, pal.color(QPalette::Text));
        painter->fillRect(option.rect, fill);
        painter->setPen(text);
        painter->drawText(option.rect, Qt::AlignLeft | Qt::AlignVCenter,
                          QLatin1Char(' ') + index.data(Qt::DisplayRole).toString());
    }
};

} // namespace

TTimeSlotCombo::TTimeSlotCombo(QWidget *parent) : QComboBox(parent)
{
    setItemDelegate(new TTimeSlotDelegate(this));
}

void TTimeSlotCombo::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    option.currentText.clear();
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    const QRect field = style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
    painter.setPen(StyleFontColor(seComboBoxEdit, palette().color(QPalette::ButtonText)));
    painter.drawText(field, Qt::AlignLeft | Qt::AlignVCenter, QLatin1Char(' ') + currentText());
}

TTimeSlotBox::TTimeSlotBox(QWidget *parent)
    : QGroupBox(PrgText::tr("Time slot"), parent), FDateFormat(LocaleDatePickerFormat()),
      FTimeFormat(LocaleTimePickerFormat())
{
    const auto scale = [this](int pixels) { return ScaleToMonitor(pixels, this); };
    setObjectName(QStringLiteral("gbTimeSlot"));
    FMode = new TTimeSlotCombo(this);
    FMode->setObjectName(QStringLiteral("cbTimeSlot"));
    FMode->addItems({PrgText::tr("All"), PrgText::tr("All since"), PrgText::tr("All before"),
                     PrgText::tr("Time period"), PrgText::tr("Today from"), PrgText::tr("Not older than"),
                     PrgText::tr("Older than")});
    FFromLabel = new QLabel(PrgText::tr("from:"), this);
    FToLabel = new QLabel(PrgText::tr("to:"), this);
    FFromDate = new QDateTimeEdit(this);
    FFromDate->setObjectName(QStringLiteral("FromDate"));
    FFromDate->setCalendarPopup(true);
    FToDate = new QDateTimeEdit(this);
    FToDate->setObjectName(QStringLiteral("ToDate"));
    FToDate->setCalendarPopup(true);
    FToDate->setDisplayFormat(FDateFormat);
    FDays = new TRangeEdit(this);
    FDays->setObjectName(QStringLiteral("reDays"));
    FDays->SetMinValue(1);
    FDays->SetMaxValue(9999);
    FDays->SetValue(1);
    FDays->SetAlignment(Qt::AlignRight);
    FDaysUpDown = new TNumUpDown(this);
    FDaysUpDown->setObjectName(QStringLiteral("udDays"));
    FDaysUpDown->SetAlignButton(udLeft);
    FDaysUpDown->SetAssociate(FDays);
    FDaysLabel = new QLabel(PrgText::tr("days"), this);
    FDaysLabel->setObjectName(QStringLiteral("lbDays"));
    FFromLabel->setObjectName(QStringLiteral("lbFrom"));
    FToLabel->setObjectName(QStringLiteral("lbTo"));

    // The widest mode text decides the width; the height holds two date rows.
    const int comboWidth = qMax(scale(176), FMode->sizeHint().width() + FMode->fontMetrics().averageCharWidth());
    const int top = qMax(scale(24), fontMetrics().height() + scale(8));
    FMode->setGeometry(scale(10), top, comboWidth, FMode->sizeHint().height());
    const int rows =
        FMode->geometry().bottom() + FMode->height() * 6 / 10 + scale(25) + FFromDate->sizeHint().height() + scale(10);
    setFixedSize(comboWidth + scale(20), qMax(scale(122), rows));

    connect(FMode, &QComboBox::currentIndexChanged, this, &TTimeSlotBox::ModeChosen);
    connect(FFromDate, &QDateTimeEdit::dateTimeChanged, this, &TTimeSlotBox::FromDateChanged);
    connect(FToDate, &QDateTimeEdit::dateTimeChanged, this, &TTimeSlotBox::ToDateChanged);
    connect(FDays, &TNumberEdit::ValueChanged, this, &TTimeSlotBox::Changed);
}

void TTimeSlotBox::ArrangeForMode()
{
    const auto scale = [this](int pixels) { return ScaleToMonitor(pixels, this); };
    for (QWidget *control :
         std::initializer_list<QWidget *>{FDaysLabel, FDays, FDaysUpDown, FFromLabel, FToLabel, FFromDate, FToDate})
        control->hide();
    const int r = FMode->y() + FMode->height() * 16 / 10;
    const int left = FMode->x();
    const int labelWidth = qMax(scale(34), qMax(FFromLabel->sizeHint().width(), FToLabel->sizeHint().width()));
    const int pickerLeft = left + labelWidth + scale(2);
    const int pickerWidth = FMode->geometry().right() + 1 - pickerLeft;
    const int rowHeight = FFromDate->sizeHint().height();
    {
        const QSignalBlocker blocker(FFromDate);
        FFromDate->setDisplayFormat(FDateFormat);
    }
    switch (FMode->currentIndex()) {
    case tmNewer:
        FFromDate->setGeometry(pickerLeft, r, pickerWidth, rowHeight);
        FFromDate->show();
        break;
    case tmOlder:
        FToDate->setGeometry(pickerLeft, r, pickerWidth, rowHeight);
        FToDate->show();
        break;
    case tmSpan:
        FFromLabel->setGeometry(left, r, labelWidth, rowHeight);
        FToLabel->setGeometry(left, r + scale(25), labelWidth, rowHeight);
        FFromDate->setGeometry(pickerLeft, r, pickerWidth, rowHeight);
        FToDate->setGeometry(pickerLeft, r + scale(25), pickerWidth, rowHeight);
        for (QWidget *control : std::initializer_list<QWidget *>{FFromLabel, FToLabel, FFromDate, FToDate})
            control->show();
        break;
    case tmToday: {
        const QSignalBlocker blocker(FFromDate);
        FFromDate->setDisplayFormat(FTimeFormat);
        FFromDate->setGeometry(pickerLeft, r, qMax(scale(80), FFromDate->sizeHint().width()), rowHeight);
        FFromDate->show();
        break;
    }
    case tmLastDays:
    case tmPrevDays:
        FDays->setGeometry(left + 16, r, scale(60), rowHeight);
        FDays->show();
        FDaysUpDown->show();
        FDaysLabel->adjustSize();
        FDaysLabel->move(FDays->geometry().right() + 1 + scale(5), r + scale(3));
        FDaysLabel->show();
        break;
    default:
        break;
    }
}

void TTimeSlotBox::ShowPeriod(const TTimePeriod &period)
{
    const QSignalBlocker b1(FFromDate), b2(FToDate), b3(FMode), b4(FDays);
    FFromDate->setDateTime(DateTimeToQt(WholeDays(period.Dat1) + period.DayTime));
    FToDate->setDateTime(DateTimeToQt(WholeDays(period.Dat2)));
    FDays->SetValue(period.Days);
    FMode->setCurrentIndex(period.Mode <= tmPrevDays ? int(period.Mode) : 0);
    ArrangeForMode();
}

void TTimeSlotBox::ReadPeriod(TTimePeriod &period) const
{
    const int index = FMode->currentIndex();
    period.Mode = index >= 1 && index <= 6 ? TTimeMode(index) : tmAll;
    const TDateTime from = QtToDateTime(FFromDate->dateTime());
    period.Dat1 = WholeDays(from);
    period.Dat2 = WholeDays(QtToDateTime(FToDate->dateTime()));
    period.DayTime = from - WholeDays(from);
    period.Days = static_cast<std::int32_t>(FDays->Value());
}

void TTimeSlotBox::ModeChosen()
{
    ArrangeForMode();
    Q_EMIT Changed();
}

void TTimeSlotBox::FromDateChanged()
{
    if (FFromDate->displayFormat() != FTimeFormat && FFromDate->dateTime() > FToDate->dateTime()) {
        const QSignalBlocker blocker(FToDate);
        FToDate->setDateTime(FFromDate->dateTime().addDays(1));
    }
    Q_EMIT Changed();
}

void TTimeSlotBox::ToDateChanged()
{
    if (FFromDate->dateTime() > FToDate->dateTime()) {
        const QSignalBlocker blocker(FFromDate);
        FFromDate->setDateTime(FToDate->dateTime());
    }
    Q_EMIT Changed();
}
