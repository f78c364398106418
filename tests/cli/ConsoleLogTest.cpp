#include "cli/ConsoleLog.h"
#include "app/ProgressLog.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

// What the console view wrote, read back from a temporary file.
class TCapturedOutput
{
public:
    TCapturedOutput() : FFile(std::tmpfile()) {}
    ~TCapturedOutput() { std::fclose(FFile); }
    std::FILE *File() const { return FFile; }
    QByteArray Text() const
    {
        std::fflush(FFile);
        std::rewind(FFile);
        QByteArray bytes;
        char buffer[4096];
        size_t read = 0;
        while ((read = std::fread(buffer, 1, sizeof buffer, FFile)) > 0)
            bytes.append(buffer, qsizetype(read));
        return bytes;
    }

private:
    std::FILE *FFile;
};

void ReadTree(TProgressLog &log)
{
    log.LogLine(QStringLiteral("Reading the directory structure"), 2);
    log.StartCounter();
    for (int i = 1; i <= 25; ++i)
        log.CounterProgress(i);
    log.SetCounter(25);
    log.LogLine(QStringLiteral("3 directories found"), 4);
}

} // namespace

TEST(ConsoleLog, PipeGetsPlainLinesWithTheFinalCount)
{
    TCapturedOutput out;
    TProgressLog log;
    {
        TConsoleLog console(log, out.File(), false);
        ReadTree(log);
    }
    EXPECT_EQ(out.Text(),
              QByteArray("  Reading the directory structure\n    25 objects found\n    3 directories found\n"));
}

TEST(ConsoleLog, TerminalRewritesTheCounterInPlace)
{
    TCapturedOutput out;
    TProgressLog log;
    {
        TConsoleLog console(log, out.File(), true);
        ReadTree(log);
    }
    EXPECT_EQ(out.Text(), QByteArray("  Reading the directory structure\n    0 objects found"
                                     "\r\x1b[K    10 objects found\r\x1b[K    20 objects found"
                                     "\r\x1b[K    25 objects found\n    3 directories found\n"));
}

TEST(ConsoleLog, ControlCharactersOfDeviceNamesAreNotPassedToTheTerminal)
{
    TCapturedOutput out;
    TProgressLog log;
    {
        TConsoleLog console(log, out.File(), true);
        log.LogLine(QStringLiteral("+ Copied: a\x1b]0;owned\x07"
                                   "b\x9b"
                                   "2Jc.jpg"),
                    4);
        log.LogLine(QStringLiteral("*** line one\r\nline two"), 0);
    }
    EXPECT_EQ(out.Text(), QByteArray("    + Copied: a?]0;owned?b?2Jc.jpg\n*** line one  line two\n"));
}
