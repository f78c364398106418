#pragma once

#include "transfer/writers/OutputWriter.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

// The gzip record: a 10-byte fixed header, an extra field whose one subfield
// holds the compressed and uncompressed sizes as 64-bit numbers (filled in
// after the data), the name, the raw deflate data, CRC-32 and ISIZE.
namespace GzipLayout {
inline constexpr std::uint8_t Id1 = 0x1F;
inline constexpr std::uint8_t Id2 = 0x8B;
inline constexpr std::uint8_t MethodDeflate = 8;
inline constexpr std::uint8_t FlagExtra = 0x04;
inline constexpr std::uint8_t FlagName = 0x08;
inline constexpr std::uint8_t OsFat = 0;
inline constexpr std::uint8_t OsNtfs = 11; // the name is UTF-8
inline constexpr std::int32_t FixedHeaderSize = 10;
inline constexpr std::uint16_t ExtraFieldLength = 20;
inline constexpr std::uint8_t SizesSubfieldId1 = 0x01;
inline constexpr std::uint8_t SizesSubfieldId2 = 0x00;
inline constexpr std::uint16_t SizesSubfieldLength = 16;
// Compressed size (8 bytes), then uncompressed size (8 bytes).
inline constexpr std::int64_t SizesOffset = 16;
// Fixed header, XLEN and the extra field: where the name (or the data) starts.
inline constexpr std::int64_t HeaderSize = 32;
} // namespace GzipLayout

// The name in ISO 8859-1 when every character fits, else in UTF-8 (os then
// OsNtfs). A zero character becomes "_".
QByteArray GzipName(QString name, std::uint8_t &os);

class TGzipWriter : public TOutputWriter
{
public:
    TGzipWriter(const QString &name, std::uint32_t mtime) : FName(name), FMTime(mtime) {}
    std::uint32_t Write(TWriteFileStream &dest, ICopyPhases &phases) override;

    std::uint32_t WriteGzHeader(TWriteFileStream &dest, ICopyPhases &phases);
    std::uint32_t WriteGzTrailer(TWriteFileStream &dest, ICopyPhases &phases, std::int64_t compressedSize);

private:
    QString FName;
    std::uint32_t FMTime;
};
