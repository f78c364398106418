#include "ui/widgets/LogPane.h"

#include "ui/Appearance.h"

#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QScrollBar>
#include <QTextBlock>

TLogPane::TLogPane(QWidget *parent) : QPlainTextEdit(parent)
{
    setObjectName(QStringLiteral("meProgress"));
    setReadOnly(true);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setFocusPolicy(Qt::ClickFocus);
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    setMinimumHeight(ScaleToMonitor(120, this));
}

void TLogPane::AppendLine(const QString &line)
{
    if (!FPending.isEmpty()) {
        FPending << line;
        return;
    }
    // A line on its own shows at once.
    if (!FSinceInsert.isValid() || FSinceInsert.elapsed() >= GatherInterval) {
        InsertLines(line);
        return;
    }
    FPending << line;
    // Behind the lines already queued for the window: they join this one.
    QMetaObject::invokeMethod(this, &TLogPane::ShowPendingLines, Qt::QueuedConnection);
}

void TLogPane::ShowPendingLines()
{
    if (FPending.isEmpty())
        return;
    const QString text = FPending.join(QLatin1Char('\n'));
    FPending.clear();
    InsertLines(text);
}

void TLogPane::InsertLines(const QString &text)
{
    appendPlainText(text);
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    FSinceInsert.start();
}

void TLogPane::ReplaceLastLine(const QString &line)
{
    ShowPendingLines();
    QTextDocument *text = document();
    if (text->isEmpty()) {
        appendPlainText(line);
        return;
    }
    QTextCursor cursor(text->lastBlock());
    cursor.movePosition(QTextCursor::StartOfBlock);
    cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    cursor.insertText(line);
}

void TLogPane::ClearLines()
{
    FPending.clear();
    FSinceInsert.invalidate();
    clear();
}

void TLogPane::CopyToClipboard()
{
    ShowPendingLines();
    QTextCursor cursor = textCursor();
    if (!cursor.hasSelection())
        cursor.select(QTextCursor::Document);
    QApplication::clipboard()->setText(cursor.selectedText().replace(QChar::ParagraphSeparator, QLatin1Char('\n')));
    cursor.clearSelection();
    setTextCursor(cursor);
}
