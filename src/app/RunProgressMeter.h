#pragma once

#include "app/RunProgress.h"

#include <QString>

#include <chrono>
#include <functional>

// total + more, held at the largest value instead of overflowing: a device
// may report any size for its files.
qint64 AddBytes(qint64 total, qint64 more);

// Keeps a run's progress figures and hands them on at most once per interval,
// so that a run of many tiny files does not flood the front end. Rate and time
// left come from the bytes actually copied: skipped files cost no time.
// Used on the run's thread only.
class TRunProgressMeter
{
public:
    using THandler = std::function<void(const TRunProgress &progress)>;
    using TClock = std::chrono::steady_clock;

    explicit TRunProgressMeter(std::chrono::milliseconds interval = std::chrono::milliseconds(100));

    // Without a handler the figures are kept and nothing is reported.
    void SetHandler(THandler handler) { FHandler = std::move(handler); }

    // The files the run will look at, known once the selection was walked.
    void SetTotals(int files, qint64 bytes);
    // The path is worked out only when a report goes out: most files of a
    // run start and end between two reports.
    void FileStarted(std::function<QString()> devicePath, qint64 size);
    // Bytes of the current file written so far (read while its copy runs).
    void FileProgress(qint64 bytesDone);
    // The file is done, whatever came of it; copied says whether its data was written.
    void FileFinished(bool copied);
    // Reports the end figures, whatever the interval says.
    void Finish();

    const TRunProgress &Progress() const { return FProgress; }

private:
    void UpdateRate();
    void Report(bool force);

    THandler FHandler;
    std::function<QString()> FCurrentPath; // the current file's, until a report needs it
    std::chrono::milliseconds FInterval;
    TRunProgress FProgress;
    TClock::time_point FStart;
    TClock::time_point FLastReport;
    bool FReported = false;
    qint64 FFinishedBytes = 0; // BytesDone of the files finished so far
    qint64 FCopiedBytes = 0;   // bytes really copied, finished files only
};
