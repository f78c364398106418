#include "cli/ConsoleLog.h"

#include "app/ProgressLog.h"
#include "base/TrimText.h"

QString ConsoleText(const QString &text)
{
    return VisibleLineText(text);
}

TConsoleLog::TConsoleLog(TProgressLog &log, std::FILE *out, bool isTerminal) : FOut(out), FTerminal(isTerminal)
{
    connect(&log, &TProgressLog::CounterStarted, this, [this]() { FNextIsCounter = true; });
    connect(&log, &TProgressLog::LineAdded, this, &TConsoleLog::AddLine);
    connect(&log, &TProgressLog::LastLineReplaced, this, &TConsoleLog::ReplaceLine);
}

TConsoleLog::~TConsoleLog()
{
    Flush();
}

void TConsoleLog::Write(const QString &text, bool endLine)
{
    if (FBeforeWrite)
        FBeforeWrite();
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), FOut);
    if (endLine)
        std::fputc('\n', FOut);
    FlushIfDue();
}

void TConsoleLog::FlushIfDue()
{
    // A terminal shows every line at once; a pipe or file gets the lines in
    // blocks, at least every tenth of a second: a system call per line cost a
    // run over 100,000 unchanged files a good part of its time.
    if (FTerminal || !FSinceFlush.isValid() || FSinceFlush.elapsed() >= FlushIntervalMs) {
        std::fflush(FOut);
        FSinceFlush.start();
    }
}

void TConsoleLog::Flush()
{
    EndPendingLine();
    std::fflush(FOut);
}

void TConsoleLog::EndPendingLine()
{
    if (FTerminal && FLineOpen)
        Write(QStringLiteral("\n"));
    if (!FTerminal && FCounterPending)
        Write(FHeldLine, true);
    FLineOpen = false;
    FCounterPending = false;
}

bool TConsoleLog::Shows(const QString &line)
{
    if (!FQuiet)
        return true;
    if (line.startsWith(QStringLiteral("  *** ")))
        return true;
    if (line.startsWith(QStringLiteral("* "))) {
        FInErrorList = true;
        return true;
    }
    FInErrorList = FInErrorList && line.startsWith(QStringLiteral("    "));
    return FInErrorList;
}

void TConsoleLog::AddLine(const QString &logLine)
{
    FLastShown = Shows(logLine);
    if (!FLastShown) {
        FNextIsCounter = false;
        return;
    }
    const QString line = ConsoleText(logLine);
    const bool isCounter = FNextIsCounter;
    FNextIsCounter = false;
    // Not flushed here: Write decides when a pipe or file gets its block.
    EndPendingLine();
    if (FTerminal) {
        // Each line stays open until the next one, so that it can be rewritten.
        Write(line);
        FLineOpen = true;
        return;
    }
    if (isCounter) {
        FHeldLine = line;
        FCounterPending = true;
        return;
    }
    Write(line, true);
}

void TConsoleLog::ReplaceLine(const QString &logLine)
{
    if (!FLastShown)
        return;
    const QString line = ConsoleText(logLine);
    if (FTerminal) {
        Write(QStringLiteral("\r\x1b[K") + line);
        FLineOpen = true;
        return;
    }
    if (FCounterPending)
        FHeldLine = line;
    else
        Write(line, true);
}
