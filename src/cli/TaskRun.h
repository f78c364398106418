#pragma once

#include "app/BackupRun.h"

#include <QString>

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

// How one run of a task file ended.
struct TTaskRunOutcome
{
    int Status = exCannotStart;
    QString Summary; // the totals, or why the run did not take place
};

// Loads a task file and runs it as "run" does, the log echoed to standard
// output and saved to logFile (when not empty).
TTaskRunOutcome RunTaskFile(TMainJob &job, const QString &taskFile, const QString &logFile);
