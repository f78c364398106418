#pragma once

#include <QPlainTextEdit>

// The progress log as the window shows it: plain lines, the last one
// replaceable (the counter line), always scrolled to the end.
class TLogPane : public QPlainTextEdit
{
    Q_OBJECT
public:
    explicit TLogPane(QWidget *parent = nullptr);

    void AppendLine(const QString &line);
    void ReplaceLastLine(const QString &line);
    // The selected lines, or all of them, to the clipboard.
    void CopyToClipboard();
};
