// The main window's runs: starting a backup or its preview, stopping either,
// the progress while one goes on, and the window's state while the job works.
#include "ui/MainForm.h"

#include "ui/DialogPlace.h"
#include "ui/MessageDialog.h"
#include "ui/OxButton.h"
#include "ui/UiText.h"
#include "ui/widgets/FolderBrowser.h"
#include "ui/widgets/LogPane.h"
#include "ui/widgets/RunProgressView.h"

#include "app/LogMessages.h"
#include "app/ProgressLog.h"
#include "device/DeviceError.h"

#include <QApplication>
#include <QLineEdit>
#include <QTimer>

void TMainForm::ShowStartAsStop(bool stop)
{
    // The button keeps its width: "Stop" takes the place of "Start backup".
    FStart->setText(stop ? PrgText::tr("&Stop") : PrgText::tr("&Start backup"));
    if (!stop)
        FStart->setToolTip(PrgText::tr("Copy the selected directories"));
    else if (FRunMode == TRunMode::Preview)
        FStart->setToolTip(PrgText::tr("Stop the preview"));
    else
        FStart->setToolTip(PrgText::tr("Stop the backup after cancelling the current file"));
    FStart->SetImageName(stop ? QStringLiteral("cancel") : QStringLiteral("backup-run"));
}

void TMainForm::bbStartClick()
{
    if (FJob->IsRunning()) {
        // Stop: the current file's copy is cancelled and the run ends.
        FStart->setEnabled(false);
        FJob->CancelRun();
        return;
    }
    StartRun(TRunMode::Backup);
}

void TMainForm::bbPreviewClick()
{
    StartRun(TRunMode::Preview);
}

void TMainForm::StartRun(TRunMode mode)
{
    if (FJob->IsBusy())
        return;
    ControlsToConfig();
    TOxButton &button = mode == TRunMode::Preview ? *FPreview : *FStart;
    // A configuration the run would refuse is answered here, before the log is cleared.
    if (FJob->Device()) {
        const QString error = FJob->RunConfigError();
        if (!error.isEmpty()) {
            ErrorDialog(BottomLeftPos(button), error);
            return;
        }
    }
    FJob->Log().Clear();
    if (!FJob->Device()) {
        FJob->Log().LogLine(NoDirectorySelectedText(), 0);
        return;
    }
    FJob->Selection = FBrowser->SelectedIndexes();
    FRunMode = mode;
    try {
        FJob->BackupSelected(mode);
    } catch (const EDeviceCallError &error) {
        FJob->Log().LogLine(error.Message(), 0);
    }
    // Refused: no run ends, so nothing else puts the mode back.
    if (!FJob->IsBusy())
        FRunMode = TRunMode::Backup;
}

void TMainForm::RunBegun()
{
    ShowStartAsStop(true);
    FStart->setEnabled(true);
    FProgress->Start();
}

void TMainForm::RunEnded(const TRunTotals &totals)
{
    const bool preview = FRunMode == TRunMode::Preview;
    FRunMode = TRunMode::Backup;
    FProgress->Finish();
    ShowStartAsStop(false);
    if (preview)
        FStatus->setText(totals.Cancelled ? PrgText::tr("Preview cancelled") : PrgText::tr("Preview finished"));
    else
        FStatus->setText(totals.Cancelled ? BackupCancelledText() : PrgText::tr("Backup finished"));
    // Back to where the next run starts.
    QTimer::singleShot(0, this, [this] {
        if (FStart->isEnabled())
            FStart->setFocus(Qt::OtherFocusReason);
    });
}

void TMainForm::SetBusy(bool busy)
{
    for (QWidget *widget : std::as_const(FLockedWhileBusy))
        widget->setEnabled(!busy);
    if (busy && FJob->IsRunning())
        FStart->setEnabled(true);
    if (!busy) {
        // The work's last lines are in the pane when its end is shown.
        FLog->ShowPendingLines();
        ShowStartAsStop(false);
        FSave->setEnabled(FJob->EditStatus() == esChanged);
    }
    if (busy)
        QApplication::setOverrideCursor(Qt::BusyCursor);
    else
        QApplication::restoreOverrideCursor();
}
