#pragma once

#include "app/RunProgress.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

class QProgressBar;
class TElidedLabel;

// Where a run stands, under the window's status field: a bar for the share of
// bytes (or files) done, the figures (files, bytes, rate, time left) and the
// file being copied with its own share when it is large. Hidden between runs.
//
// The job may report faster than anyone can read; the view takes every
// report but shows at most one every UpdateInterval, the latest.
class TRunProgressView : public QWidget
{
    Q_OBJECT
public:
    static constexpr int UpdateInterval = 100; // milliseconds
    // From this size on a file's own share is worth showing.
    static constexpr qint64 LargeFileSize = qint64(4) * 1024 * 1024;

    explicit TRunProgressView(QWidget *parent = nullptr);

    // Shows the view with a busy bar and no figures: the run has begun.
    void Start();
    void ShowProgress(const TRunProgress &progress);
    // Hides the view and drops a report still waiting to be shown.
    void Finish();

private:
    void ApplyPending();

    QProgressBar *FBar = nullptr;
    TElidedLabel *FFigures = nullptr;
    TElidedLabel *FCurrentFile = nullptr;
    TRunProgress FPending;
    bool FHasPending = false;
    QTimer FUpdateTimer;
    QElapsedTimer FSinceUpdate;
};

// "Files: 120 of 2,500 · 45.2 MiB of 1.20 GiB · 12.3 MiB/s · 1:20 left"; parts
// not known yet are left out.
QString RunFiguresText(const TRunProgress &progress);
// The current file's name with its share when it is large; empty between files.
QString RunCurrentFileText(const TRunProgress &progress);
// The share of the run done, in thousandths; -1 while nothing is known.
int RunPermille(const TRunProgress &progress);
// "0:45", "12:05", "1:02:03".
QString DurationText(qint64 seconds);
