#pragma once

#include "transfer/CopyCodes.h"
#include "transfer/WriteFileStream.h"

#include <QString>

#include <cstdint>

// What a writer asks of the copy worker: the two data loops over the source
// and the totals they keep. The worker owns the source, the pause and cancel
// state and the progress callback; a writer only lays out its format.
class ICopyPhases
{
public:
    virtual ~ICopyPhases() = default;

    // The bytes unchanged, at least one read; 0 or a result code. withCrc:
    // keep SourceCrc, which costs a pass over the data that a plain copy does not need.
    virtual std::uint32_t CopyData(std::int64_t remaining, bool withCrc) = 0;
    // Raw deflate of the source into dest; 0 or a result code.
    virtual std::uint32_t CompressData(TWriteFileStream &dest, bool speedLimit) = 0;
    // Records why the bytes read differ from the announced size and returns the read code.
    virtual std::uint32_t SizeMismatch() = 0;
    virtual void DoProgress(TFileAction action, std::int64_t count, bool speedLimit) = 0;
    virtual void SetErrorText(const QString &text) = 0;

    virtual std::uint64_t SourceSize() const = 0;
    virtual std::int64_t BytesRead() const = 0;
    virtual std::uint32_t SourceCrc() const = 0;
    // Whether a plain copy must still keep SourceCrc for the worker's owner.
    virtual bool PlainCrcWanted() const = 0;
    virtual void SetCompressedSize(std::int64_t size) = 0;
};

// One output format: writes the whole file into an open destination.
class TOutputWriter
{
public:
    virtual ~TOutputWriter() = default;
    // 0 on success or a result code; the error text goes to phases.
    virtual std::uint32_t Write(TWriteFileStream &dest, ICopyPhases &phases) = 0;
};

// CopyErrorDiskFull for a full disk or quota, CopyErrorWrite for any other failure.
std::uint32_t WriteFailureCode(const EWriteFileStreamError &error);

// The plain copy: the source's bytes unchanged.
class TPlainWriter : public TOutputWriter
{
public:
    std::uint32_t Write(TWriteFileStream &dest, ICopyPhases &phases) override;
};
