#pragma once

#include "base/SourceStream.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <memory>

// Readable sources besides device streams: a local file and a memory block
// (tests, benchmarks, local copies) and a generated stream of any length
// (benchmarks and the large-archive checks, without a source file on disk).

class TFileSourceStream : public ISourceStream
{
public:
    // Opens the file for reading; nullptr and the errno in error when it cannot.
    static std::shared_ptr<TFileSourceStream> Open(const QString &fileName, std::uint32_t &error);
    ~TFileSourceStream() override;
    TFileSourceStream(const TFileSourceStream &) = delete;
    TFileSourceStream &operator=(const TFileSourceStream &) = delete;

    HRESULT Read(void *buffer, std::uint32_t size, std::uint32_t &bytesRead) override;

    // Only Open makes one; the key keeps the constructor usable by make_shared.
    class TOpenKey
    {
        friend class TFileSourceStream;
        TOpenKey() = default;
    };
    TFileSourceStream(TOpenKey, int fd) : FFd(fd) {}

private:
    int FFd;
};

class TMemorySourceStream : public ISourceStream
{
public:
    explicit TMemorySourceStream(QByteArray data) : FData(std::move(data)) {}
    HRESULT Read(void *buffer, std::uint32_t size, std::uint32_t &bytesRead) override;

private:
    QByteArray FData;
    qsizetype FPosition = 0;
};

enum class TGeneratedContent
{
    Zeros,  // fastest to produce, compresses to almost nothing
    Text,   // words at random from a small vocabulary, compresses like documents
    Random, // pseudo-random bytes, incompressible like photos and videos
};

class TGeneratedSourceStream : public ISourceStream
{
public:
    TGeneratedSourceStream(std::uint64_t size, TGeneratedContent content, std::uint32_t seed = 1);
    HRESULT Read(void *buffer, std::uint32_t size, std::uint32_t &bytesRead) override;

private:
    void Fill(std::uint8_t *buffer, std::uint32_t size);

    std::uint64_t FRemaining;
    TGeneratedContent FContent;
    std::uint64_t FState;
    std::uint64_t FPosition = 0;
    std::uint64_t FWord = 0;
    std::uint32_t FWordOffset = 0;
};
