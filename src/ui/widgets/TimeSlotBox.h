#pragma once

#include <QComboBox>
#include <QGroupBox>

class QDateTimeEdit;
class QLabel;
class TNumUpDown;
class TRangeEdit;
struct TTimePeriod;

// The drop-down list of the time slot: one blank before each item's text, in
// the colours of the active style.
class TTimeSlotCombo : public QComboBox
{
    Q_OBJECT
public:
    explicit TTimeSlotCombo(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};

// The group "Time slot": the mode and, by mode, the dates, the time of day or
// the number of days.
class TTimeSlotBox : public QGroupBox
{
    Q_OBJECT
public:
    explicit TTimeSlotBox(QWidget *parent = nullptr);

    void ShowPeriod(const TTimePeriod &period);
    // Mode, dates, time of day and days as the controls show them; the rest stays.
    void ReadPeriod(TTimePeriod &period) const;

Q_SIGNALS:
    void Changed();

private:
    void ArrangeForMode();
    void ModeChosen();
    void FromDateChanged();
    void ToDateChanged();

    TTimeSlotCombo *FMode = nullptr;
    QDateTimeEdit *FFromDate = nullptr;
    QDateTimeEdit *FToDate = nullptr;
    QLabel *FFromLabel = nullptr;
    QLabel *FToLabel = nullptr;
    QLabel *FDaysLabel = nullptr;
    TRangeEdit *FDays = nullptr;
    TNumUpDown *FDaysUpDown = nullptr;
    QString FDateFormat;
    QString FTimeFormat;
};
