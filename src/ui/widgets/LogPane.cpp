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
    appendPlainText(line);
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

void TLogPane::ReplaceLastLine(const QString &line)
{
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

void TLogPane::CopyToClipboard()
{
    QTextCursor cursor = textCursor();
    if (!cursor.hasSelection())
        cursor.select(QTextCursor::Document);
    QApplication::clipboard()->setText(cursor.selectedText().replace(QChar::ParagraphSeparator, QLatin1Char('\n')));
    cursor.clearSelection();
    setTextCursor(cursor);
}
