#pragma once

#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QStringList>

// The progress log as the window shows it: plain lines, the last one
// replaceable (the counter line), always scrolled to the end.
//
// A run may log thousands of lines faster than the window comes round, and
// each line appended alone costs a layout: a line that follows another
// closely waits for the next turn of the event loop and goes in with the
// lines that came meanwhile, in one insertion.
class TLogPane : public QPlainTextEdit
{
    Q_OBJECT
public:
    // Lines closer than this to the last insertion are gathered.
    static constexpr int GatherInterval = 50; // milliseconds

    explicit TLogPane(QWidget *parent = nullptr);

    void AppendLine(const QString &line);
    void ReplaceLastLine(const QString &line);
    // Drops the lines, also those still waiting.
    void ClearLines();
    // Shows the lines still waiting now.
    void ShowPendingLines();
    // The selected lines, or all of them, to the clipboard.
    void CopyToClipboard();

private:
    void InsertLines(const QString &text);

    QStringList FPending;
    QElapsedTimer FSinceInsert;
};
