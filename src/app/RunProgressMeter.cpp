#include "app/RunProgressMeter.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Below this much copying a rate says more about start-up than about the device.
constexpr double MinimumSecondsForRate = 0.5;

} // namespace

qint64 AddBytes(qint64 total, qint64 more)
{
    total = std::max<qint64>(total, 0);
    more = std::max<qint64>(more, 0);
    return more > std::numeric_limits<qint64>::max() - total ? std::numeric_limits<qint64>::max() : total + more;
}

TRunProgressMeter::TRunProgressMeter(std::chrono::milliseconds interval)
    : FInterval(interval), FStart(TClock::now()), FLastReport(FStart)
{}

void TRunProgressMeter::SetTotals(int files, qint64 bytes)
{
    FProgress.FilesTotal = files;
    FProgress.BytesTotal = bytes;
    FStart = TClock::now();
    Report(true);
}

void TRunProgressMeter::FileStarted(std::function<QString()> devicePath, qint64 size)
{
    FCurrentPath = std::move(devicePath);
    FProgress.CurrentFile.clear();
    FProgress.CurrentSize = std::max<qint64>(size, 0);
    FProgress.CurrentDone = 0;
    Report(false);
}

void TRunProgressMeter::FileProgress(qint64 bytesDone)
{
    // A device may deliver more than it announced; the bar must not run past its end.
    FProgress.CurrentDone = std::clamp<qint64>(bytesDone, 0, FProgress.CurrentSize);
    FProgress.BytesDone = AddBytes(FFinishedBytes, FProgress.CurrentDone);
    Report(false);
}

void TRunProgressMeter::FileFinished(bool copied)
{
    ++FProgress.FilesDone;
    FFinishedBytes = AddBytes(FFinishedBytes, FProgress.CurrentSize);
    if (copied)
        FCopiedBytes = AddBytes(FCopiedBytes, FProgress.CurrentSize);
    FProgress.BytesDone = FFinishedBytes;
    FProgress.CurrentFile.clear();
    FCurrentPath = nullptr;
    FProgress.CurrentSize = 0;
    FProgress.CurrentDone = 0;
    Report(false);
}

void TRunProgressMeter::Finish()
{
    FProgress.CurrentFile.clear();
    FCurrentPath = nullptr;
    FProgress.CurrentSize = 0;
    FProgress.CurrentDone = 0;
    Report(true);
}

void TRunProgressMeter::UpdateRate()
{
    const double seconds = std::chrono::duration<double>(TClock::now() - FStart).count();
    const qint64 copied = AddBytes(FCopiedBytes, FProgress.CurrentDone);
    if (seconds < MinimumSecondsForRate || copied <= 0) {
        FProgress.BytesPerSecond = -1;
        FProgress.SecondsLeft = -1;
        return;
    }
    FProgress.BytesPerSecond = double(copied) / seconds;
    const qint64 left = std::max<qint64>(FProgress.BytesTotal - FProgress.BytesDone, 0);
    FProgress.SecondsLeft = int(std::min(std::ceil(double(left) / FProgress.BytesPerSecond), 1e9));
}

void TRunProgressMeter::Report(bool force)
{
    const TClock::time_point now = TClock::now();
    if (!force && FReported && now - FLastReport < FInterval)
        return;
    UpdateRate();
    FReported = true;
    FLastReport = now;
    if (FCurrentPath) {
        FProgress.CurrentFile = FCurrentPath();
        FCurrentPath = nullptr;
    }
    if (FHandler)
        FHandler(FProgress);
}
