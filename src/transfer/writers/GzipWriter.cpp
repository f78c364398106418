#include "transfer/writers/GzipWriter.h"

#include "transfer/writers/ByteWriter.h"

#include <algorithm>

using namespace GzipLayout;

// The field ends at the first zero byte, so a zero that a device put into a
// name becomes "_", as in local names; left in, it would cut the name short
// and turn its rest into compressed data.
QByteArray GzipName(QString name, std::uint8_t &os)
{
    name.replace(QChar(0), QLatin1Char('_'));
    const bool latin1 = std::all_of(name.begin(), name.end(), [](QChar c) { return c.unicode() < 0x100; });
    os = latin1 ? OsFat : OsNtfs;
    return latin1 ? name.toLatin1() : name.toUtf8();
}

std::uint32_t TGzipWriter::Write(TWriteFileStream &dest, ICopyPhases &phases)
{
    std::uint32_t code = WriteGzHeader(dest, phases);
    const std::int64_t dataStart = dest.Position();
    const auto size = static_cast<std::int64_t>(phases.SourceSize());
    if (code == 0) {
        phases.DoProgress(acCompress, -size, false);
        code = phases.CompressData(dest, true);
    }
    if (code == 0 && phases.BytesRead() != size)
        code = phases.SizeMismatch();
    if (code != 0)
        return code;
    const std::int64_t compressedSize = dest.Position() - dataStart;
    phases.SetCompressedSize(compressedSize);
    return WriteGzTrailer(dest, phases, compressedSize);
}

std::uint32_t TGzipWriter::WriteGzHeader(TWriteFileStream &dest, ICopyPhases &phases)
{
    std::uint8_t os = OsFat;
    const QByteArray nameBytes = GzipName(FName, os);
    TByteWriter fixed;
    fixed.U8(Id1);
    fixed.U8(Id2);
    fixed.U8(MethodDeflate);
    fixed.U8(nameBytes.isEmpty() ? FlagExtra : FlagExtra | FlagName);
    fixed.U32(FMTime);
    fixed.U8(0); // XFL
    fixed.U8(os);
    TByteWriter extraLength;
    extraLength.U16(ExtraFieldLength);
    TByteWriter extra;
    extra.U8(SizesSubfieldId1);
    extra.U8(SizesSubfieldId2);
    extra.U16(SizesSubfieldLength);
    extra.U64(0);
    extra.U64(0);
    try {
        if (!fixed.WriteTo(dest))
            return CopyErrorDiskFull;
        extraLength.WriteTo(dest);
        if (!extra.WriteTo(dest))
            return CopyErrorDiskFull;
        if (!nameBytes.isEmpty()) {
            const QByteArray field = nameBytes + '\0';
            if (dest.Write(field.constData(), static_cast<std::int32_t>(field.size())) < field.size())
                return CopyErrorDiskFull;
        }
    } catch (const EWriteFileStreamError &error) {
        phases.SetErrorText(error.Message());
        return WriteFailureCode(error);
    }
    return 0;
}

std::uint32_t TGzipWriter::WriteGzTrailer(TWriteFileStream &dest, ICopyPhases &phases, std::int64_t compressedSize)
{
    const auto size = static_cast<std::uint64_t>(phases.BytesRead());
    try {
        TByteWriter crcField;
        crcField.U32(phases.SourceCrc());
        if (!crcField.WriteTo(dest))
            return CopyErrorDiskFull;
        TByteWriter sizeField;
        sizeField.U32(static_cast<std::uint32_t>(size)); // ISIZE: the size modulo 2^32
        if (!sizeField.WriteTo(dest))
            return CopyErrorDiskFull;
        TByteWriter sizes;
        sizes.U64(static_cast<std::uint64_t>(compressedSize));
        sizes.U64(size);
        dest.Seek(SizesOffset);
        sizes.WriteTo(dest);
    } catch (const EWriteFileStreamError &error) {
        phases.SetErrorText(error.Message());
        return CopyErrorWrite;
    }
    return 0;
}
