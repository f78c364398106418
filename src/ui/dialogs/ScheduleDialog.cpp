#include "ui/dialogs/ScheduleDialog.h"

#include "ui/DialogPlace.h"
#include "ui/MessageDialog.h"
#include "ui/OxButton.h"
#include "ui/UiText.h"

#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QTimeEdit>
#include <QVBoxLayout>

TScheduleDialog::TScheduleDialog(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      lbCurrent(new QLabel(this)), rbOff(new QRadioButton(DlgText::tr("&Not automatically"), this)),
      rbDaily(new QRadioButton(DlgText::tr("&Daily at"), this)),
      rbWeekly(new QRadioButton(DlgText::tr("&Weekly on"), this)),
      rbOnPlug(new QRadioButton(DlgText::tr("When the device is &plugged in"), this)), edTime(new QTimeEdit(this)),
      cbWeekDay(new QComboBox(this)), OKBtn(new TOxButton(DlgText::tr("OK"), this)),
      CancelBtn(new TOxButton(DlgText::tr("Cancel"), this))
{
    setObjectName(QStringLiteral("TScheduleDialog"));
    setWindowTitle(DlgText::tr("Run automatically"));
    lbCurrent->setTextFormat(Qt::PlainText);
    lbCurrent->setWordWrap(true);
    edTime->setDisplayFormat(QStringLiteral("HH:mm"));
    edTime->setTime(QTime(18, 0));
    for (int day = 1; day <= 7; ++day)
        cbWeekDay->addItem(QLocale().dayName(day), day);
    rbOff->setChecked(true);
    OKBtn->setDefault(true);
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    for (QRadioButton *button : {rbOff, rbDaily, rbWeekly, rbOnPlug})
        connect(button, &QRadioButton::toggled, this, &TScheduleDialog::UpdateControls);

    auto *choices = new QGridLayout;
    choices->addWidget(rbOff, 0, 0, 1, 3);
    choices->addWidget(rbDaily, 1, 0);
    choices->addWidget(rbWeekly, 2, 0);
    choices->addWidget(cbWeekDay, 2, 1);
    choices->addWidget(new QLabel(DlgText::tr("at"), this), 2, 2);
    choices->addWidget(edTime, 1, 3, 2, 1, Qt::AlignVCenter);
    choices->addWidget(rbOnPlug, 3, 0, 1, 4);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lbCurrent);
    layout->addLayout(choices);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    InstallHintKey(*this);
    UpdateControls();
}

void TScheduleDialog::UpdateControls()
{
    edTime->setEnabled(rbDaily->isChecked() || rbWeekly->isChecked());
    cbWeekDay->setEnabled(rbWeekly->isChecked());
}

void TScheduleDialog::SetCurrent(const QList<TScheduleEntry> &entries)
{
    QStringList texts;
    for (const TScheduleEntry &entry : entries)
        texts.append(ScheduleText(entry.Schedule));
    lbCurrent->setText(texts.isEmpty() ? DlgText::tr("The task does not run automatically.")
                                       : DlgText::tr("The task runs %1.").arg(texts.join(DlgText::tr(" and "))));
    if (entries.isEmpty())
        return;
    const TSchedule &schedule = entries.first().Schedule;
    (schedule.Kind == TScheduleKind::OnPlug  ? rbOnPlug
     : schedule.Kind == TScheduleKind::Daily ? rbDaily
                                             : rbWeekly)
        ->setChecked(true);
    if (schedule.Kind != TScheduleKind::OnPlug)
        edTime->setTime(schedule.Time);
    cbWeekDay->setCurrentIndex(qBound(0, schedule.WeekDay - 1, 6));
}

std::optional<TSchedule> TScheduleDialog::Choice() const
{
    if (rbOff->isChecked())
        return std::nullopt;
    TSchedule schedule;
    schedule.Kind = rbOnPlug->isChecked()  ? TScheduleKind::OnPlug
                    : rbDaily->isChecked() ? TScheduleKind::Daily
                                           : TScheduleKind::Weekly;
    schedule.Time = edTime->time();
    schedule.WeekDay = cbWeekDay->currentData().toInt();
    return schedule;
}

bool EditTaskSchedule(QPoint APos, const QString &taskFile, const QString &cliProgram, const QString &logFile,
                      TUserUnits &units)
{
    TScheduleDialog dialog(QApplication::activeWindow() ? QApplication::activeWindow() : MainWindow());
    const QList<TScheduleEntry> current = units.ListFor(taskFile);
    dialog.SetCurrent(current);
    PlaceDialog(dialog, APos);
    if (TScheduleHooks::Run(dialog, [&dialog] { return dialog.exec(); }) != QDialog::Accepted)
        return false;
    const std::optional<TSchedule> choice = dialog.Choice();
    // One way at a time: the old units go before the new ones are written.
    TScheduleChange change = units.Remove(taskFile);
    if (change.Error.isEmpty() && choice)
        change = units.Install(taskFile, *choice, cliProgram, logFile);
    if (!change.Error.isEmpty())
        ErrorDialog(DefaultPos, DlgText::tr("The schedule could not be changed:") + QLatin1Char('\n') + change.Error);
    else
        InfoDialog(DefaultPos, change.Report());
    return change.Error.isEmpty();
}
