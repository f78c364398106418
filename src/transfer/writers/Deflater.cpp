#include "transfer/writers/Deflater.h"

#include "base/ErrorText.h"

int ZlibLevel(TZCompressionLevel level)
{
    switch (level) {
    case zcNone:
        return 0;
    case zcFastest:
        return 1;
    case zcMax:
        return 9;
    case zcDefault:
        break;
    }
    return Z_DEFAULT_COMPRESSION;
}

TDeflater::TDeflater(TWriteFileStream &dest, TZCompressionLevel level) : FDest(dest), FOutput(OutputSize)
{
    const int result = deflateInit2(&FStream, ZlibLevel(level), Z_DEFLATED, RawDeflateWindowBits, DeflateMemoryLevel,
                                    Z_DEFAULT_STRATEGY);
    if (result != Z_OK)
        throw ECompressError(QString::fromLatin1(zError(result)));
    FInitialised = true;
    ResetOutput();
}

TDeflater::~TDeflater()
{
    if (FInitialised)
        deflateEnd(&FStream);
}

void TDeflater::Compress(const std::uint8_t *data, std::uint32_t size)
{
    FStream.next_in = const_cast<Bytef *>(data);
    FStream.avail_in = size;
    while (FStream.avail_in > 0) {
        Deflate(Z_NO_FLUSH);
        if (FStream.avail_out == 0)
            WriteOutput();
    }
}

void TDeflater::Finish()
{
    for (;;) {
        const int result = Deflate(Z_FINISH);
        if (result == Z_STREAM_END)
            break;
        if (FStream.avail_out != 0)
            throw ECompressError(QString::fromLatin1(zError(result)));
        WriteOutput();
    }
    WriteOutput();
}

int TDeflater::Deflate(int flush)
{
    const int result = deflate(&FStream, flush);
    if (result == Z_STREAM_ERROR)
        throw ECompressError(QString::fromLatin1(zError(result)));
    return result;
}

void TDeflater::WriteOutput()
{
    const auto size = static_cast<std::int32_t>(OutputSize - FStream.avail_out);
    if (size > 0) {
        try {
            FDest.Write(FOutput.data(), size);
        } catch (const EWriteFileStreamError &error) {
            throw ECompressError(ErrorCodeText(static_cast<std::uint32_t>(error.ErrorCode())));
        }
    }
    ResetOutput();
}

void TDeflater::ResetOutput()
{
    FStream.next_out = FOutput.data();
    FStream.avail_out = OutputSize;
}
