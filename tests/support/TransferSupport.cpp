#include "TransferSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>

#include <algorithm>
#include <cstring>

HRESULT TScriptedSourceStream::Read(void *buffer, std::uint32_t size, std::uint32_t &bytesRead)
{
    ++FReads;
    bytesRead = 0;
    if (FFailAfter >= 0 && FPosition >= FFailAfter)
        return FFailure;
    qsizetype count = std::min<qsizetype>(size, FData.size() - FPosition);
    if (FChunk > 0)
        count = std::min<qsizetype>(count, FChunk);
    if (FFailAfter >= 0)
        count = std::min(count, FFailAfter - FPosition);
    if (count > 0)
        std::memcpy(buffer, FData.constData() + FPosition, static_cast<size_t>(count));
    FPosition += count;
    bytesRead = static_cast<std::uint32_t>(count);
    return S_OK;
}

TFileData MakeFileData(const QString &fileName, SourceStreamPtr stream, std::int64_t fileSize, std::uint32_t bufferSize,
                       TFileTime lastWriteTime)
{
    TFileData data;
    data.Reset();
    data.FileName = fileName;
    data.StreamData.FileStream = std::move(stream);
    data.StreamData.BufferSize = bufferSize;
    data.FileSize = fileSize;
    data.FileAttr = FILE_ATTRIBUTE_NORMAL;
    if (lastWriteTime != 0) {
        data.TimeStamps.Valid = true;
        data.TimeStamps.CreationTime = lastWriteTime;
        data.TimeStamps.LastAccessTime = lastWriteTime;
        data.TimeStamps.LastWriteTime = lastWriteTime;
    }
    return data;
}

std::unique_ptr<TWinCopyThread> RunCopy(const TFileData &source, const QString &destName, TCopyOptions options,
                                        const std::function<void(TWinCopyThread &)> &prepare)
{
    auto worker = std::make_unique<TWinCopyThread>(source, destName, options, true, tpNormal);
    if (prepare)
        prepare(*worker);
    worker->Start();
    worker->WaitFor();
    return worker;
}

QByteArray ReadWholeFile(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

bool WriteWholeFile(const QString &fileName, const QByteArray &content)
{
    QFile file(fileName);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

QStringList FolderEntries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

TProcessResult RunProgram(const QString &program, const QStringList &arguments, int timeoutMs)
{
    TProcessResult result;
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForStarted())
        return result;
    result.Started = true;
    process.waitForFinished(timeoutMs);
    result.Output = process.readAll();
    result.ExitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return result;
}
