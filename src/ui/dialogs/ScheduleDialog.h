#pragma once

#include "app/Schedule.h"
#include "ui/dialogs/DialogHooks.h"

#include <QDialog>
#include <QPoint>
#include <QString>

#include <optional>

class QComboBox;
class QLabel;
class QRadioButton;
class QTimeEdit;
class TOxButton;

// Chooses how a task runs by itself: not at all, daily, weekly or when its
// device is plugged in. Shows the task's current schedule.
class TScheduleDialog : public QDialog
{
    Q_OBJECT
public:
    explicit TScheduleDialog(QWidget *parent = nullptr);

    // Shows the current entries; the first one preselects the choice.
    void SetCurrent(const QList<TScheduleEntry> &entries);
    // The choice; none for "Not automatically".
    std::optional<TSchedule> Choice() const;

    QLabel *lbCurrent;
    QRadioButton *rbOff;
    QRadioButton *rbDaily;
    QRadioButton *rbWeekly;
    QRadioButton *rbOnPlug;
    QTimeEdit *edTime;
    QComboBox *cbWeekDay;
    TOxButton *OKBtn;
    TOxButton *CancelBtn;

private:
    void UpdateControls();
};

// Entry function: asks, then writes or removes the task's units and tells
// what was done (or the error). cliProgram runs the task; logFile is where a
// timed run saves its log. False when cancelled.
bool EditTaskSchedule(QPoint APos, const QString &taskFile, const QString &cliProgram, const QString &logFile,
                      TUserUnits &units);

using TScheduleHooks = TDialogHooks<TScheduleDialog>;
