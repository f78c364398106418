#include "cli/TaskRun.h"

#include "app/LogMessages.h"
#include "app/MainJob.h"
#include "cli/ConsoleLog.h"
#include "device/PortableDevice.h"
#include "device/PortableDeviceContent.h"

#include <QFileInfo>

#include <cstdio>
#include <unistd.h>

int Fail(const QString &reason)
{
    std::fprintf(stderr, "tessaril-cli: %s\n", ConsoleText(reason).toUtf8().constData());
    return exCannotStart;
}

void Print(const QString &text)
{
    std::fputs((ConsoleText(text) + QLatin1Char('\n')).toUtf8().constData(), stdout);
}

int ExitStatusOf(const TRunTotals &totals)
{
    // A copy without its time stamps is kept, but scripts must notice it.
    return (totals.Failed > 0 || totals.FolderErrors > 0 || totals.Warnings > 0 || totals.Cancelled ||
            !totals.Refused.isEmpty())
               ? exFilesFailed
               : exOk;
}

TRunConsole::TRunConsole(TMainJob &job, const TRunView &view) : FLog(job.Log(), stdout, ::isatty(STDOUT_FILENO) != 0)
{
    FLog.SetQuiet(view.Quiet);
    // Progress comes about ten times a second, also while one large file is copied.
    QObject::connect(&job, &TMainJob::RunProgressChanged, &FLog, [this] { FLog.FlushIfDue(); });
    if (!view.ShowProgress || ::isatty(STDERR_FILENO) == 0)
        return;
    FProgress = std::make_unique<TProgressLine>(job, stderr, [this] { FLog.Flush(); });
    // Log lines on the same terminal clear the progress line first.
    if (::isatty(STDOUT_FILENO) != 0)
        FLog.SetBeforeWrite([this] { FProgress->Clear(); });
}

void TRunConsole::Flush()
{
    FLog.Flush();
    if (FProgress)
        FProgress->Clear();
}

QString TotalsText(const TRunTotals &totals)
{
    if (totals.Preview) {
        QString text = QStringLiteral("dry run: %1 would be copied (%2 bytes, %3 of them updates), %4 would be "
                                      "skipped, %5 left out by filter or time slot; nothing was written")
                           .arg(totals.Copied)
                           .arg(totals.BytesCopied)
                           .arg(totals.Updated)
                           .arg(totals.Skipped)
                           .arg(totals.Excluded);
        if (totals.FolderErrors > 0)
            text += QStringLiteral(", %1 folders unreadable").arg(totals.FolderErrors);
        if (totals.Cancelled)
            text += QStringLiteral(", cancelled");
        return text;
    }
    QString text =
        QStringLiteral("%1 copied, %2 skipped, %3 failed").arg(totals.Copied).arg(totals.Skipped).arg(totals.Failed);
    if (totals.Warnings > 0)
        text += QStringLiteral(", %1 with warnings").arg(totals.Warnings);
    if (totals.FolderErrors > 0)
        text += QStringLiteral(", %1 folders unreadable").arg(totals.FolderErrors);
    if (totals.Cancelled)
        text += QStringLiteral(", cancelled");
    return text;
}

void PrintSummary(const TRunTotals &totals)
{
    std::fflush(stdout); // the log's last lines before the summary, also when both go to one file
    if (!totals.Refused.isEmpty())
        std::fprintf(stderr, "tessaril-cli: the run did not start: %s\n", qPrintable(ConsoleText(totals.Refused)));
    std::fprintf(stderr, "tessaril-cli: %s\n", qPrintable(TotalsText(totals)));
}

bool SaveLog(TMainJob &job, const QString &logFile)
{
    if (logFile.isEmpty())
        return true;
    const QString error = job.Log().SaveToFile(logFile);
    if (error.isEmpty())
        return true;
    std::fprintf(stderr, "tessaril-cli: cannot save the log to %s: %s\n", qPrintable(logFile), qPrintable(error));
    return false;
}

int NoStorage()
{
    std::fprintf(stderr, "tessaril-cli: %s\n", ConsoleText(NoStorageText()).toUtf8().constData());
    return exFilesFailed;
}

TTaskRunOutcome RunTaskFile(TMainJob &job, const QString &taskFile, const QString &logFile, const TRunView &view)
{
    TTaskRunOutcome outcome;
    const auto cannotStart = [&outcome](const QString &reason) {
        Fail(reason);
        outcome.Summary = reason;
        return outcome;
    };
    const QFileInfo task(taskFile);
    if (!task.isFile() || !task.isReadable())
        return cannotStart(QStringLiteral("cannot read the task file %1").arg(taskFile));
    TRunConsole console(job, view);
    job.RefreshDeviceList(StartHeaderText());
    job.TaskName = task.absoluteFilePath();
    job.ForceTask = true;

    QString notReady;
    TRunTotals totals;
    // The command line never waits for a device: the question's text is the reason.
    const bool ran = job.RunCommandLineTask(
        [&notReady](const QString &question) {
            notReady =
                question.section(QStringLiteral("\r\n"), 0, 1).replace(QStringLiteral("\r\n"), QStringLiteral(" "));
            return false;
        },
        QString(), &totals, view.Mode);
    console.Flush();
    if (!ran) {
        if (!job.Refusal().isEmpty())
            return cannotStart(job.Refusal());
        if (job.Device() != nullptr && job.Device()->Content().RootCount() == 0) {
            outcome.Status = NoStorage();
            outcome.Summary = NoStorageText();
            return outcome;
        }
        if (!notReady.isEmpty())
            return cannotStart(notReady);
        const QString last = job.Log().Lines().isEmpty() ? QString() : job.Log().Lines().last().trimmed();
        return cannotStart(QStringLiteral("the task %1 could not be loaded%2")
                               .arg(taskFile, last.startsWith(QStringLiteral("***"))
                                                  ? QStringLiteral(": ") + last.mid(4)
                                                  : QString()));
    }
    const bool logSaved = SaveLog(job, logFile);
    PrintSummary(totals);
    outcome.Summary = totals.Refused.isEmpty() ? TotalsText(totals) : totals.Refused;
    // A task that no longer finds one of its folders has not backed up what it names.
    if (job.MissingFolders() > 0) {
        std::fprintf(stderr, "tessaril-cli: %d saved folders not found on the device\n", job.MissingFolders());
        outcome.Summary += QStringLiteral(", %1 saved folders not found on the device").arg(job.MissingFolders());
        outcome.Status = exFilesFailed;
        return outcome;
    }
    if (!logSaved)
        outcome.Summary += QStringLiteral(", the log could not be saved");
    outcome.Status = logSaved ? ExitStatusOf(totals) : exFilesFailed;
    return outcome;
}
