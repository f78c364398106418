#pragma once

#include "base/FileData.h"
#include "transfer/CopyThread.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>

// A source stream with the faults devices show: reads shorter than asked,
// an end before the announced size, a failure after some bytes.
class TScriptedSourceStream : public ISourceStream
{
public:
    explicit TScriptedSourceStream(QByteArray data) : FData(std::move(data)) {}

    // At most this many bytes per read (0: as many as asked).
    TScriptedSourceStream &DeliverAtMost(std::uint32_t bytes)
    {
        FChunk = bytes;
        return *this;
    }
    // Reading fails with result once this many bytes were delivered.
    TScriptedSourceStream &FailAfter(qsizetype bytes, HRESULT result = HResultFromErrno(5))
    {
        FFailAfter = bytes;
        FFailure = result;
        return *this;
    }

    HRESULT Read(void *buffer, std::uint32_t size, std::uint32_t &bytesRead) override;

    int Reads() const { return FReads; }
    bool Committed() const { return FCommitted; }
    HRESULT Commit() override
    {
        FCommitted = true;
        return S_OK;
    }

private:
    QByteArray FData;
    qsizetype FPosition = 0;
    std::uint32_t FChunk = 0;
    qsizetype FFailAfter = -1;
    HRESULT FFailure = S_OK;
    int FReads = 0;
    bool FCommitted = false;
};

// A source record as the device layer fills it.
TFileData MakeFileData(const QString &fileName, SourceStreamPtr stream, std::int64_t fileSize,
                       std::uint32_t bufferSize = 64 * 1024, TFileTime lastWriteTime = 0);

// Runs one copy to its end and hands the finished worker back.
// prepare, when given, sets the worker up before it starts.
std::unique_ptr<TWinCopyThread> RunCopy(const TFileData &source, const QString &destName, TCopyOptions options,
                                        const std::function<void(TWinCopyThread &)> &prepare = {});

QByteArray ReadWholeFile(const QString &fileName);
bool WriteWholeFile(const QString &fileName, const QByteArray &content);

// Names in a folder, hidden ones included.
QStringList FolderEntries(const QString &folder);

struct TProcessResult
{
    bool Started = false;
    int ExitCode = -1;
    QByteArray Output;
};
// Runs a program with arguments; Started is false when it is not installed.
TProcessResult RunProgram(const QString &program, const QStringList &arguments, int timeoutMs = 600000);
