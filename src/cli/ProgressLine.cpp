#include "cli/ProgressLine.h"

#include "app/MainJob.h"
#include "cli/ConsoleLog.h"
#include "env/SizeText.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>

namespace {

constexpr std::chrono::milliseconds MinimumRedraw(100);
const QString Erase = QStringLiteral("\r\x1b[K");

QString DurationText(int seconds)
{
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600)
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

int Percent(qint64 done, qint64 total)
{
    // In floating point: a device may report sizes near the largest number.
    return total <= 0 ? 100 : int(std::clamp(double(done) * 100.0 / double(total), 0.0, 100.0));
}

} // namespace

QString RunProgressText(const TRunProgress &progress, int width)
{
    if (progress.FilesTotal < 0)
        return {};
    const int percent = progress.BytesTotal > 0 ? Percent(progress.BytesDone, progress.BytesTotal)
                                                : Percent(progress.FilesDone, progress.FilesTotal);
    QString text = QStringLiteral("%1[%2%] %3/%4 files, %5 of %6")
                       .arg(progress.Preview ? QStringLiteral("Preview ") : QString())
                       .arg(percent, 3)
                       .arg(progress.FilesDone)
                       .arg(progress.FilesTotal)
                       .arg(FormatSize(progress.BytesDone), FormatSize(progress.BytesTotal));
    if (progress.BytesPerSecond > 0)
        text += QStringLiteral(", %1/s").arg(FormatSize(qint64(std::min(progress.BytesPerSecond, 9.0e18))));
    if (progress.SecondsLeft >= 0)
        text += QStringLiteral(", %1 left").arg(DurationText(progress.SecondsLeft));
    if (!progress.CurrentFile.isEmpty()) {
        const QString own = progress.CurrentSize > 0
                                ? QStringLiteral(" %1%").arg(Percent(progress.CurrentDone, progress.CurrentSize))
                                : QString();
        QString file = ConsoleText(progress.CurrentFile);
        const qsizetype room = width - text.size() - 2 - own.size();
        if (room >= 8) {
            if (file.size() > room)
                file = QStringLiteral("...") + file.right(room - 3);
            text += QStringLiteral(", ") + file + own;
        }
    }
    return text.left(std::max(width, 1));
}

int TerminalColumns(int fd)
{
    winsize size{};
    if (::ioctl(fd, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    return 80;
}

TProgressLine::TProgressLine(TMainJob &job, std::FILE *out, std::function<void()> beforeDraw)
    : FOut(out), FBeforeDraw(std::move(beforeDraw))
{
    connect(&job, &TMainJob::RunProgressChanged, this, &TProgressLine::Draw);
}

TProgressLine::~TProgressLine()
{
    Clear();
}

void TProgressLine::Clear()
{
    if (!FShown)
        return;
    FShown = false;
    std::fputs(Erase.toUtf8().constData(), FOut);
    std::fflush(FOut);
}

void TProgressLine::Draw(const TRunProgress &progress)
{
    const auto now = std::chrono::steady_clock::now();
    const bool last = progress.FilesDone >= progress.FilesTotal && progress.CurrentFile.isEmpty();
    if (FShown && !last && now - FLastDraw < MinimumRedraw)
        return;
    // The width is asked each time: the window may have been resized.
    const QString text = RunProgressText(progress, TerminalColumns(::fileno(FOut)) - 1);
    if (text.isEmpty())
        return;
    if (FBeforeDraw)
        FBeforeDraw();
    std::fputs((Erase + text).toUtf8().constData(), FOut);
    std::fflush(FOut);
    FShown = true;
    FLastDraw = now;
}
