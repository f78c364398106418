#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

// The progress log as a model: plain text lines with an indent that shows their
// level, one live counter line while a device's tree is read, and the status
// text above the log ("Backup status:"). Front ends show it by connecting to
// the signals; the window's pane and the command line's standard output are
// views of the same lines.
//
// The writing calls may come from any thread: from another thread than the
// log's own they are queued to it and applied there in the order made, so the
// lines, the signals and Lines() stay on the log's thread.
class TProgressLog : public QObject
{
    Q_OBJECT

public:
    explicit TProgressLog(QObject *parent = nullptr);

    // One line made of `indent` blanks followed by the text. Indents in use: 0, 2, 4.
    void LogLine(const QString &text, int indent = 0);
    void Clear();

    // The counter line "    %u objects found": started as a new last line with
    // the count 0, then rewritten in place (it replaces the last line, whatever
    // that line is).
    void StartCounter();
    void SetCounter(int count);
    // Progress callback while a device's tree is read: rewrites the counter line
    // when the count is a multiple of 10.
    void CounterProgress(int count);

    void SetStatus(const QString &text);
    QString Status() const { return FStatus; }

    const QStringList &Lines() const { return FLines; }
    QString Text() const;

    // Writes the lines as UTF-8 with byte order mark, replacing an existing
    // file; returns an empty text on success, else the reason.
    QString SaveToFile(const QString &fileName) const;

Q_SIGNALS:
    void LineAdded(const QString &line);
    // Sent just before the counter line is added, so a view that cannot
    // rewrite lines may hold it back until it is final.
    void CounterStarted();
    void LastLineReplaced(const QString &line);
    void Cleared();
    void StatusChanged(const QString &text);

private:
    void ReplaceLastLine(const QString &line);
    // True (and the call queued to the log's thread) when called from another thread.
    bool Queued(std::function<void()> call);

    QStringList FLines;
    QString FStatus;
};

// The name of the log a closing command-line run leaves in the configuration
// folder: "ts-" and the task's file name with the extension "log".
QString TaskLogFileName(const QString &taskName);
