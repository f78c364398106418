#include "transfer/writers/ZipWriter.h"

#include "transfer/writers/ByteWriter.h"

using namespace ZipLayout;

namespace {

// clang-format off
constexpr std::uint8_t LatinToOemTable[128] = {
    // 0x80 .. 0x9F: no code page 437 form that we use
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    // 0xA0 .. 0xAF
    0, 0xAD, 0x9B, 0x9C, 0, 0x9D, 0, 0, 0, 0, 0, 0xAE, 0xAA, 0, 0, 0,
    // 0xB0 .. 0xBF
    0xF8, 0xF1, 0xFD, 0, 0, 0xE6, 0, 0, 0, 0, 0, 0xAF, 0xAC, 0xAB, 0, 0xA8,
    // 0xC0 .. 0xCF
    0, 0, 0, 0, 0x8E, 0x8F, 0x92, 0x80, 0, 0x90, 0, 0, 0, 0, 0, 0,
    // 0xD0 .. 0xDF
    0, 0xA5, 0, 0, 0, 0, 0x99, 0, 0, 0, 0, 0, 0x9A, 0, 0, 0xE1,
    // 0xE0 .. 0xEF
    0x85, 0, 0x83, 0, 0x84, 0x86, 0x91, 0x87, 0x8A, 0x82, 0x88, 0x89, 0x8D, 0xA1, 0x8C, 0x8B,
    // 0xF0 .. 0xFF
    0, 0xA4, 0x95, 0xA2, 0x93, 0, 0x94, 0xF6, 0, 0x97, 0xA3, 0x96, 0x81, 0, 0, 0x98,
};
// clang-format on

} // namespace

std::uint8_t LatinToOem(char16_t latin)
{
    if (latin < 0x80 || latin > 0xFF)
        return 0;
    return LatinToOemTable[latin - 0x80];
}

QByteArray ZipEntryName(const QString &name, bool &utf8)
{
    QByteArray oem;
    oem.reserve(name.size());
    for (const QChar c : name) {
        const char16_t unit = c.unicode();
        if (unit < 0x80) {
            oem.append(static_cast<char>(unit));
            continue;
        }
        const std::uint8_t mapped = LatinToOem(unit);
        if (mapped == 0) {
            utf8 = true;
            return name.toUtf8();
        }
        oem.append(static_cast<char>(mapped));
    }
    utf8 = false;
    return oem;
}

std::uint32_t TZipWriter::WriteZipData(TWriteFileStream &dest, ICopyPhases &phases, std::int64_t &compressedSize)
{
    const std::int64_t dataStart = dest.Position();
    const auto size = static_cast<std::int64_t>(phases.SourceSize());
    std::uint32_t code = 0;
    if (size > 0 && FEntry.Compress) {
        phases.DoProgress(acCompress, -size, false);
        code = phases.CompressData(dest, true);
    } else {
        phases.DoProgress(acCopy, -size, false);
        code = phases.CopyData(size, true);
    }
    if (code == 0 && phases.BytesRead() != size)
        code = phases.SizeMismatch();
    compressedSize = dest.Position() - dataStart;
    phases.SetCompressedSize(compressedSize);
    return code;
}

std::uint32_t TZipWriter::WriteZip(TWriteFileStream &dest, ICopyPhases &phases)
{
    const bool zip64 = FEntry.FileSize > Zip64Threshold;
    const std::uint16_t version = zip64 ? VersionZip64 : VersionDefault;
    const std::uint16_t method = FEntry.FileSize > 0 && FEntry.Compress ? MethodDeflate : MethodStored;
    bool utf8 = false;
    const QByteArray name = ZipEntryName(FEntry.Name, utf8);
    const auto nameLength = static_cast<std::uint16_t>(name.size());
    const std::uint16_t flags =
        FlagAlways | (method == MethodDeflate ? FlagMaximumCompression : 0) | (utf8 ? FlagUtf8Name : 0);
    const std::uint32_t externalAttributes = FEntry.Attributes & 0xFFFF;

    try {
        TByteWriter local;
        local.U32(LocalHeaderSignature);
        local.U16(version);
        local.U16(flags);
        local.U16(method);
        local.U32(FEntry.DosTime);
        local.U32(0); // CRC-32, filled in after the data
        local.U32(zip64 ? SizeInZip64Field : 0);
        local.U32(zip64 ? SizeInZip64Field : 0);
        local.U16(nameLength);
        local.U16(zip64 ? LocalZip64ExtraLength : 0);
        local.Bytes(name);
        if (zip64) {
            local.U16(Zip64ExtraId);
            local.U16(16);
            local.U64(0);
            local.U64(0);
        }
        local.WriteTo(dest);

        std::int64_t compressedSize = 0;
        const std::uint32_t code = WriteZipData(dest, phases, compressedSize);
        if (code != 0)
            return code;
        const auto compressed = static_cast<std::uint64_t>(compressedSize);
        const auto uncompressed = static_cast<std::uint64_t>(phases.BytesRead());
        const std::uint32_t crcValue = phases.SourceCrc();

        TByteWriter crc;
        crc.U32(crcValue);
        dest.Seek(LocalCrcOffset);
        crc.WriteTo(dest);
        TByteWriter sizes;
        if (zip64) {
            sizes.U64(uncompressed);
            sizes.U64(compressed);
            dest.Seek(LocalHeaderSize + nameLength + Zip64ExtraSizesOffset);
        } else {
            sizes.U32(static_cast<std::uint32_t>(compressed));
            sizes.U32(static_cast<std::uint32_t>(uncompressed));
            dest.Seek(LocalSizesOffset);
        }
        sizes.WriteTo(dest);

        dest.SeekToEnd();
        const auto centralStart = static_cast<std::uint64_t>(dest.Position());
        const bool bigUncompressed = zip64 && uncompressed > SizeInZip64Field;
        const bool bigCompressed = zip64 && compressed > SizeInZip64Field;
        const int replaced = int(bigUncompressed) + int(bigCompressed);
        TByteWriter central;
        central.U32(CentralHeaderSignature);
        central.U16(version); // made by (MS-DOS host)
        central.U16(version); // needed to extract
        central.U16(flags);
        central.U16(method);
        central.U32(FEntry.DosTime);
        central.U32(crcValue);
        central.U32(bigCompressed ? SizeInZip64Field : static_cast<std::uint32_t>(compressed));
        central.U32(bigUncompressed ? SizeInZip64Field : static_cast<std::uint32_t>(uncompressed));
        central.U16(nameLength);
        central.U16(zip64 ? 4 + 8 * replaced : 0);
        central.U16(0); // comment length
        central.U16(0); // disk number start
        central.U16(0); // internal attributes
        central.U32(externalAttributes);
        central.U32(0); // offset of the local header
        central.Bytes(name);
        if (zip64) {
            central.U16(Zip64ExtraId);
            central.U16(8 * replaced);
            if (bigUncompressed)
                central.U64(uncompressed);
            if (bigCompressed)
                central.U64(compressed);
        }
        central.WriteTo(dest);

        const auto centralEnd = static_cast<std::uint64_t>(dest.Position());
        const std::uint64_t centralSize = centralEnd - centralStart;
        const bool zip64End = centralEnd > SizeInZip64Field;
        TByteWriter end;
        if (zip64End) {
            end.U32(Zip64EndSignature);
            end.U64(Zip64EndRemainingSize);
            end.U16(VersionZip64);
            end.U16(VersionZip64);
            end.U32(0); // this disk
            end.U32(0); // disk of the central directory
            end.U64(1); // entries on this disk
            end.U64(1); // entries in all
            end.U64(centralSize);
            end.U64(centralStart);
            end.U32(Zip64LocatorSignature);
            end.U32(0);
            end.U64(centralEnd);
            end.U32(1); // disks in all
        }
        end.U32(EndSignature);
        end.U16(0);
        end.U16(0);
        end.U16(1);
        end.U16(1);
        end.U32(zip64End && centralSize > SizeInZip64Field ? SizeInZip64Field
                                                           : static_cast<std::uint32_t>(centralSize));
        end.U32(zip64End ? SizeInZip64Field : static_cast<std::uint32_t>(centralStart));
        end.U16(0); // comment length
        end.WriteTo(dest);
    } catch (const EWriteFileStreamError &error) {
        phases.SetErrorText(error.Message());
        return CopyErrorZipStructure;
    }
    return 0;
}
