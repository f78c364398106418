#pragma once

#include "transfer/CopyCodes.h"
#include "transfer/WriteFileStream.h"

#include <QString>

#include <zlib.h>

#include <cstdint>
#include <stdexcept>
#include <vector>

// A failure of compressed output; the text has no "System error" frame.
class ECompressError : public std::runtime_error
{
public:
    explicit ECompressError(const QString &message) : std::runtime_error(message.toStdString()), FMessage(message) {}
    const QString &Message() const { return FMessage; }

private:
    QString FMessage;
};

// Window bits below zero: raw deflate without zlib header or trailer.
inline constexpr int RawDeflateWindowBits = -15;
inline constexpr int DeflateMemoryLevel = 8;

// The zlib level of a compression level.
int ZlibLevel(TZCompressionLevel level);

// Raw deflate (window bits -15, memory level 8) into a 64 KiB buffer that is
// written to the destination whenever it is full. Throws ECompressError.
class TDeflater
{
public:
    TDeflater(TWriteFileStream &dest, TZCompressionLevel level);
    ~TDeflater();
    TDeflater(const TDeflater &) = delete;
    TDeflater &operator=(const TDeflater &) = delete;

    void Compress(const std::uint8_t *data, std::uint32_t size);
    // Flushes what deflate still holds; a failure of the last writes throws too.
    void Finish();

private:
    static constexpr std::uint32_t OutputSize = 65536;

    int Deflate(int flush);
    void WriteOutput();
    void ResetOutput();

    TWriteFileStream &FDest;
    std::vector<Bytef> FOutput;
    z_stream FStream{};
    bool FInitialised = false;
};
