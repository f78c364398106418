#include "app/ProgressLog.h"

#include "app/LogMessages.h"
#include "base/ErrorText.h"
#include "base/TrimText.h"
#include "settings/SafeSave.h"
#include "settings/StreamErrors.h"

#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <algorithm>

TProgressLog::TProgressLog(QObject *parent) : QObject(parent)
{}

bool TProgressLog::Queued(std::function<void()> call)
{
    if (QThread::currentThread() == thread())
        return false;
    QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
    return true;
}

void TProgressLog::LogLine(const QString &text, int indent)
{
    // Asked first: the queued call would cost an allocation for every line.
    if (QThread::currentThread() != thread()) {
        Queued([this, text, indent] { LogLine(text, indent); });
        return;
    }
    // A line break in a device's name must not start a line of its own.
    const QString visible = VisibleLineText(text);
    const qsizetype spaces = qMax(indent, 0);
    QString line(spaces + visible.size(), Qt::Uninitialized);
    std::fill_n(line.data(), spaces, QLatin1Char(' '));
    std::copy(visible.cbegin(), visible.cend(), line.data() + spaces);
    FLines.append(line);
    Q_EMIT LineAdded(line);
}

void TProgressLog::Clear()
{
    if (Queued([this] { Clear(); }))
        return;
    FLines.clear();
    Q_EMIT Cleared();
}

void TProgressLog::StartCounter()
{
    if (Queued([this] { StartCounter(); }))
        return;
    const QString line = CounterLineText(0);
    Q_EMIT CounterStarted();
    FLines.append(line);
    Q_EMIT LineAdded(line);
}

void TProgressLog::SetCounter(int count)
{
    if (Queued([this, count] { SetCounter(count); }))
        return;
    ReplaceLastLine(CounterLineText(count));
}

void TProgressLog::CounterProgress(int count)
{
    if (count % 10 == 0)
        SetCounter(count);
}

void TProgressLog::ReplaceLastLine(const QString &line)
{
    if (FLines.isEmpty())
        FLines.append(line);
    else
        FLines.last() = line;
    Q_EMIT LastLineReplaced(line);
}

void TProgressLog::SetStatus(const QString &text)
{
    if (Queued([this, text] { SetStatus(text); }))
        return;
    FStatus = text;
    Q_EMIT StatusChanged(text);
}

QString TProgressLog::Text() const
{
    return FLines.join(QLatin1Char('\n'));
}

QString TProgressLog::SaveToFile(const QString &fileName) const
{
    QByteArray bytes("\xEF\xBB\xBF");
    for (const QString &line : FLines)
        bytes += line.toUtf8() + "\n";
    // The old log survives any failure (a full disk) untouched.
    try {
        SaveFileSafely(fileName, bytes);
    } catch (const EStreamError &e) {
        return e.Code() != 0 ? e.Message() + QStringLiteral(": ") + ErrorMessageText(e.Code()) : e.Message();
    }
    return {};
}

QString TaskLogFileName(const QString &taskName)
{
    return QStringLiteral("ts-") + QFileInfo(taskName).completeBaseName() + QStringLiteral(".log");
}
