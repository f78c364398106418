#pragma once

#include "transfer/writers/OutputWriter.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

// The one-entry zip archive: local header, data, central directory header,
// the Zip64 end records when the archive passes 4 GiB, the end record. The
// CRC and sizes of the local header are filled in after the data.
namespace ZipLayout {
inline constexpr std::uint32_t LocalHeaderSignature = 0x04034B50;
inline constexpr std::uint32_t CentralHeaderSignature = 0x02014B50;
inline constexpr std::uint32_t EndSignature = 0x06054B50;
inline constexpr std::uint32_t Zip64EndSignature = 0x06064B50;
inline constexpr std::uint32_t Zip64LocatorSignature = 0x07064B50;

inline constexpr std::int64_t LocalHeaderSize = 30;
inline constexpr std::int64_t LocalCrcOffset = 14;
// Compressed size (4 bytes), then uncompressed size (4 bytes).
inline constexpr std::int64_t LocalSizesOffset = 18;
// In the Zip64 extra field after the name: ID and size, then uncompressed and compressed size.
inline constexpr std::int64_t Zip64ExtraSizesOffset = 4;
inline constexpr std::uint16_t Zip64ExtraId = 0x0001;
inline constexpr std::uint16_t LocalZip64ExtraLength = 20;
inline constexpr std::uint64_t Zip64EndRemainingSize = 44;

inline constexpr std::uint16_t VersionDefault = 20;
inline constexpr std::uint16_t VersionZip64 = 45;
inline constexpr std::uint16_t MethodStored = 0;
inline constexpr std::uint16_t MethodDeflate = 8;
inline constexpr std::uint16_t FlagAlways = 0x0080;
inline constexpr std::uint16_t FlagMaximumCompression = 0x0002;
inline constexpr std::uint16_t FlagUtf8Name = 0x0800;

// A file above this size is written with the Zip64 extensions.
inline constexpr std::int64_t Zip64Threshold = 0xFF000000LL;
inline constexpr std::uint32_t SizeInZip64Field = 0xFFFFFFFF;
} // namespace ZipLayout

// The code page 437 byte of a character from 0x80 to 0xFF, 0 when it has none
// that keeps a zip entry name out of UTF-8.
std::uint8_t LatinToOem(char16_t latin);

// The entry name in code page 437 when every character has a form there,
// else in UTF-8 (utf8 then true).
QByteArray ZipEntryName(const QString &name, bool &utf8);

// What the archive says about its one entry besides the data.
struct TZipEntry
{
    QString Name;
    std::int64_t FileSize = 0;    // as announced: decides Zip64 mode and the method
    bool Compress = false;        // deflate non-empty data
    std::uint32_t DosTime = 0;    // time in the low, date in the high 16 bits
    std::uint32_t Attributes = 0; // the low 16 bits go into the external attributes
};

class TZipWriter : public TOutputWriter
{
public:
    explicit TZipWriter(TZipEntry entry) : FEntry(std::move(entry)) {}
    std::uint32_t Write(TWriteFileStream &dest, ICopyPhases &phases) override { return WriteZip(dest, phases); }

    std::uint32_t WriteZip(TWriteFileStream &dest, ICopyPhases &phases);
    // The entry data; leaves the compressed size with phases.
    std::uint32_t WriteZipData(TWriteFileStream &dest, ICopyPhases &phases, std::int64_t &compressedSize);

private:
    TZipEntry FEntry;
};
