#include "app/ProgressLog.h"
#include "app/LogMessages.h"
#include "base/SafeFormat.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(ProgressLog, LinesCarryTheirIndent)
{
    TProgressLog log;
    log.LogLine(QStringLiteral("head"), 0);
    log.LogLine(QStringLiteral("step"), 2);
    log.LogLine(QStringLiteral("detail"), 4);
    EXPECT_EQ(log.Lines(),
              QStringList({QStringLiteral("head"), QStringLiteral("  step"), QStringLiteral("    detail")}));
    log.Clear();
    EXPECT_TRUE(log.Lines().isEmpty());
}

TEST(ProgressLog, CounterLineShowsMultiplesOfTenThenTheTotalInOneLine)
{
    TProgressLog log;
    log.LogLine(QStringLiteral("  Reading the directory structure"));
    QStringList shown;
    QObject::connect(&log, &TProgressLog::LineAdded, [&](const QString &line) { shown.append(line); });
    QObject::connect(&log, &TProgressLog::LastLineReplaced, [&](const QString &line) { shown.append(line); });
    log.StartCounter();
    for (int i = 1; i <= 25; ++i)
        log.CounterProgress(i);
    log.SetCounter(25);
    EXPECT_EQ(shown, QStringList({QStringLiteral("    0 objects found"), QStringLiteral("    10 objects found"),
                                  QStringLiteral("    20 objects found"), QStringLiteral("    25 objects found")}));
    EXPECT_EQ(log.Lines().size(), 2);
    EXPECT_EQ(log.Lines().last(), QStringLiteral("    25 objects found"));
}

TEST(ProgressLog, CountTextsGroupDigitsAboveFourDigits)
{
    SetFormatLocale(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(FilesCopiedText(0), QStringLiteral("No files copied"));
    EXPECT_EQ(FilesCopiedText(1), QStringLiteral("1 file copied"));
    EXPECT_EQ(FilesCopiedText(9999), QStringLiteral("9999 files copied"));
    EXPECT_EQ(FilesCopiedText(12345), QStringLiteral("12,345 files copied"));
    EXPECT_EQ(DevicesFoundText(0), QStringLiteral("No portable device found"));
    EXPECT_EQ(DevicesFoundText(1), QStringLiteral("1 portable device found"));
    EXPECT_EQ(DevicesFoundText(3), QStringLiteral("3 portable devices found"));
    ResetFormatLocale();
}

TEST(ProgressLog, RunLinesOfTheCommandLineRun)
{
    EXPECT_EQ(RunSeparatorText(), QString(25, QLatin1Char('=')));
    const TDateTime start = 46000.5;
    const TDateTime end = start + (3600 + 2 * 60 + 5) / 86400.0;
    EXPECT_EQ(DurationText(start, end), QStringLiteral("01:02:05"));
    EXPECT_EQ(DurationText(start, start + 30 * 3600 / 86400.0), QStringLiteral("30:00:00"));
    EXPECT_TRUE(RunFinishedText(start, end).startsWith(QStringLiteral("==> Backup finished: ")));
    EXPECT_TRUE(RunFinishedText(start, end).endsWith(QStringLiteral(" (01:02:05)")));
    EXPECT_TRUE(RunStartText(start, QStringLiteral("daily.tsj")).startsWith(QStringLiteral("==> Start: ")));
    EXPECT_TRUE(RunStartText(start, QStringLiteral("daily.tsj")).endsWith(QStringLiteral(" - Backup task: daily.tsj")));
}

TEST(ProgressLog, FileLinesAndErrorLines)
{
    EXPECT_EQ(CopiedText(QStringLiteral("a.jpg"), false), QStringLiteral("+ Copied: a.jpg"));
    EXPECT_EQ(CopiedText(QStringLiteral("a.jpg"), true), QStringLiteral("+ Updated: a.jpg"));
    EXPECT_EQ(SkippedText(QStringLiteral("a.jpg")), QStringLiteral("- Skipped: a.jpg"));
    EXPECT_EQ(ErrorLineText(QStringLiteral("boom")), QStringLiteral("  *** boom"));
    // A worker error without text still says what happened.
    EXPECT_EQ(CopyErrorText(QString(), 0x1080), QStringLiteral("Copy failed with error code 0x00001080"));
    EXPECT_EQ(CopyErrorText(QStringLiteral("System error: x"), 0x1104), QStringLiteral("System error: x"));
}

TEST(ProgressLog, SavedLogIsUtf8WithByteOrderMark)
{
    QTemporaryDir dir;
    TProgressLog log;
    log.LogLine(QStringLiteral("Grüße"), 2);
    const QString name = dir.filePath(TaskLogFileName(QStringLiteral("/tasks/daily.tsj")));
    EXPECT_TRUE(name.endsWith(QStringLiteral("/ts-daily.log")));
    EXPECT_EQ(TaskLogFileName(QStringLiteral("my.daily.tsj")), QStringLiteral("ts-my.daily.log"));
    ASSERT_TRUE(log.SaveToFile(name).isEmpty());
    QFile file(name);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("\xEF\xBB\xBF  Gr\xC3\xBC\xC3\x9F"
                                         "e\n"));
}
