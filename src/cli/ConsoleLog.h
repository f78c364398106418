#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <cstdio>
#include <functional>

class TProgressLog;

// A text as the console may show it: names a device reports can hold control
// characters, which on a terminal would be commands (escape sequences that
// move the cursor, retitle the window or rewrite what was shown). Line breaks
// become blanks, every other control character "?".
QString ConsoleText(const QString &text);

// Shows the progress log on standard output. On a terminal the counter line
// is rewritten in place; elsewhere (a pipe, a file) it is held back and
// written once with its final count, so that logs stay plain lines. Quiet, it
// shows only errors: "  *** " lines and the lists under a "* " heading.
class TConsoleLog : public QObject
{
    Q_OBJECT

public:
    TConsoleLog(TProgressLog &log, std::FILE *out, bool isTerminal);
    ~TConsoleLog() override;

    // Ends a pending line.
    void Flush();
    // Hands a pipe or file what it holds once its block is due; called while
    // a long copy runs, so that the copy's line does not wait for the next.
    void FlushIfDue();

    void SetQuiet(bool quiet) { FQuiet = quiet; }
    // Called before anything is written, so that a progress line on the
    // same terminal can be cleared first.
    void SetBeforeWrite(std::function<void()> beforeWrite) { FBeforeWrite = std::move(beforeWrite); }

private:
    bool Shows(const QString &line);
    void AddLine(const QString &line);
    void ReplaceLine(const QString &line);
    // With endLine a line break follows the text.
    void Write(const QString &text, bool endLine = false);
    void EndPendingLine();

    std::FILE *FOut;
    bool FTerminal;
    bool FLineOpen = false;       // terminal: the last line has no newline yet
    bool FCounterPending = false; // plain output: a counter line is held back
    bool FNextIsCounter = false;
    QString FHeldLine;
    bool FQuiet = false;
    bool FInErrorList = false; // quiet: the lines below a "* " heading
    bool FLastShown = true;    // quiet: whether the line a counter rewrites was shown
    std::function<void()> FBeforeWrite;
    static constexpr qint64 FlushIntervalMs = 100;
    QElapsedTimer FSinceFlush; // plain output: since the last flush
};
