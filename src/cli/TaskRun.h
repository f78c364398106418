#pragma once

#include "app/BackupRun.h"
#include "app/RunProgress.h"
#include "cli/ConsoleLog.h"
#include "cli/ProgressLine.h"

#include <QString>

#include <memory>

class TMainJob;

enum TExitStatus
{
    exOk = 0,
    exFilesFailed = 1,
    exCannotStart = 2
};

// Writes "tessaril-cli: " and the reason to standard error; exCannotStart.
int Fail(const QString &reason);
// One line to standard output, in the console's form.
void Print(const QString &text);

int ExitStatusOf(const TRunTotals &totals);
// "3 copied, 1 skipped, 0 failed[, ...]"
QString TotalsText(const TRunTotals &totals);
void PrintSummary(const TRunTotals &totals);
// Tells that the device has no storage to back up from; exFilesFailed.
int NoStorage();
// Saves the job's log when a file is named; false (and told) when it fails.
bool SaveLog(TMainJob &job, const QString &logFile);

// How a run shows itself on the console.
struct TRunView
{
    TRunMode Mode = TRunMode::Backup;
    bool Quiet = false;        // only errors and the final line
    bool ShowProgress = false; // a progress line on standard error (only ever on a terminal)
};

// The console's views of a run: the log on standard output and, when asked
// for and standard error is a terminal, the progress line there.
class TRunConsole
{
public:
    TRunConsole(TMainJob &job, const TRunView &view);
    // Ends an open log line and clears the progress line, before the final lines.
    void Flush();

private:
    TConsoleLog FLog;
    std::unique_ptr<TProgressLine> FProgress;
};

// How one run of a task file ended.
struct TTaskRunOutcome
{
    int Status = exCannotStart;
    QString Summary; // the totals, or why the run did not take place
};

// Loads a task file and runs it as "run" does, the log echoed to standard
// output and saved to logFile (when not empty).
TTaskRunOutcome RunTaskFile(TMainJob &job, const QString &taskFile, const QString &logFile, const TRunView &view = {});
