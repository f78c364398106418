#pragma once

#include "transfer/WriteFileStream.h"

#include <QByteArray>

#include <cstdint>
#include <vector>

// Collects a little-endian record before it goes to the destination in one write.
class TByteWriter
{
public:
    void U8(std::uint8_t value) { FBytes.push_back(value); }
    void U16(std::uint32_t value)
    {
        U8(static_cast<std::uint8_t>(value));
        U8(static_cast<std::uint8_t>(value >> 8));
    }
    void U32(std::uint32_t value)
    {
        U16(value & 0xFFFF);
        U16(value >> 16);
    }
    void U64(std::uint64_t value)
    {
        U32(static_cast<std::uint32_t>(value));
        U32(static_cast<std::uint32_t>(value >> 32));
    }
    void Bytes(const QByteArray &bytes) { FBytes.insert(FBytes.end(), bytes.begin(), bytes.end()); }

    const std::uint8_t *Data() const { return FBytes.data(); }
    std::int32_t Size() const { return static_cast<std::int32_t>(FBytes.size()); }

    // Writes everything and reports whether the stream took all of it.
    bool WriteTo(TWriteFileStream &dest) const { return dest.Write(Data(), Size()) == Size(); }

private:
    std::vector<std::uint8_t> FBytes;
};
