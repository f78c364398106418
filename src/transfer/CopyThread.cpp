#include "transfer/CopyThread.h"

#include "base/ErrorText.h"
#include "base/FileTimes.h"
#include "transfer/FileSystem.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <zlib.h>

namespace {

// A device names its preferred transfer size; keep it within what one buffer may sensibly hold.
constexpr std::uint32_t DefaultBufferSize = 256 * 1024;
constexpr std::uint32_t MaxBufferSize = 16 * 1024 * 1024;
constexpr int TemporaryNameAttempts = 16;

std::uint32_t UsableBufferSize(std::uint32_t requested)
{
    if (requested == 0)
        return DefaultBufferSize;
    return std::min(requested, MaxBufferSize);
}

bool IsDiskFull(std::int32_t code)
{
    return code == ENOSPC || code == EDQUOT;
}

// Compressed output failures carry a text without the "System error" frame.
class ECompressError : public std::runtime_error
{
public:
    explicit ECompressError(const QString &message) : std::runtime_error(message.toStdString()), FMessage(message) {}
    const QString &Message() const { return FMessage; }

private:
    QString FMessage;
};

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

// Raw deflate (window bits -15, memory level 8) into a 64 KiB buffer that is
// written to the destination whenever it is full.
class TDeflater
{
public:
    TDeflater(TWriteFileStream &dest, TZCompressionLevel level) : FDest(dest), FOutput(OutputSize)
    {
        const int result = deflateInit2(&FStream, ZlibLevel(level), Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
        if (result != Z_OK)
            throw ECompressError(QString::fromLatin1(zError(result)));
        FInitialised = true;
        ResetOutput();
    }
    ~TDeflater()
    {
        if (FInitialised)
            deflateEnd(&FStream);
    }
    TDeflater(const TDeflater &) = delete;
    TDeflater &operator=(const TDeflater &) = delete;

    void Compress(const std::uint8_t *data, std::uint32_t size)
    {
        FStream.next_in = const_cast<Bytef *>(data);
        FStream.avail_in = size;
        while (FStream.avail_in > 0) {
            Deflate(Z_NO_FLUSH);
            if (FStream.avail_out == 0)
                WriteOutput();
        }
    }

    // Flushes what deflate still holds; a failure of the last writes throws too.
    void Finish()
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

private:
    static constexpr std::uint32_t OutputSize = 65536;

    int Deflate(int flush)
    {
        const int result = deflate(&FStream, flush);
        if (result == Z_STREAM_ERROR)
            throw ECompressError(QString::fromLatin1(zError(result)));
        return result;
    }

    void WriteOutput()
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

    void ResetOutput()
    {
        FStream.next_out = FOutput.data();
        FStream.avail_out = OutputSize;
    }

    TWriteFileStream &FDest;
    std::vector<Bytef> FOutput;
    z_stream FStream{};
    bool FInitialised = false;
};

// compressed * 1000 / uncompressed, rounded to the nearest integer, ties to even.
std::int32_t RatioOf(std::int64_t compressed, std::int64_t uncompressed)
{
    const std::int64_t scaled = compressed * 1000;
    std::int64_t quotient = scaled / uncompressed;
    const std::int64_t twiceRest = (scaled % uncompressed) * 2;
    if (twiceRest > uncompressed || (twiceRest == uncompressed && (quotient & 1) != 0))
        ++quotient;
    return static_cast<std::int32_t>(quotient);
}

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

// The entry name in code page 437 when every character has a form there,
// else in UTF-8 (utf8 then true).
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

// The gzip name in ISO 8859-1 when every character fits, else in UTF-8 (os
// then 11). The field ends at the first zero byte, so a zero that a device put
// into a name becomes "_", as in local names; left in, it would cut the name
// short and turn its rest into compressed data.
QByteArray GzipName(QString name, std::uint8_t &os)
{
    name.replace(QChar(0), QLatin1Char('_'));
    const bool latin1 = std::all_of(name.begin(), name.end(), [](QChar c) { return c.unicode() < 0x100; });
    os = latin1 ? 0 : 11;
    return latin1 ? name.toLatin1() : name.toUtf8();
}

QString TemporaryNameBeside(const QString &destName)
{
    const QString folder = QFileInfo(destName).path();
    const QString unique = QString::number(QRandomGenerator::global()->generate64(), 36);
    return folder + QLatin1String("/.tessaril-") + unique + QLatin1String(".part");
}

} // namespace

std::uint8_t LatinToOem(char16_t latin)
{
    if (latin < 0x80 || latin > 0xFF)
        return 0;
    return LatinToOemTable[latin - 0x80];
}

// ---------------------------------------------------------------------------
// TCopyThread

TCopyThread::TCopyThread(const TFileData &source, const QString &destName)
    : SourceName(source.FullPath), DestName(destName), DestNameXL(XlFileName(destName)), SourceFileData(source),
      iSource(source.StreamData.FileStream), FBufSize(UsableBufferSize(source.StreamData.BufferSize))
{
    // Not zero-filled: every byte used is first written by a read.
    FBuffer = std::make_unique_for_overwrite<std::uint8_t[]>(FBufSize);
}

TCopyThread::~TCopyThread()
{
    StopThread();
}

void TCopyThread::Start()
{
    {
        std::lock_guard lock(FMutex);
        if (FThread.joinable() || Done())
            return;
        try {
            FThread = LaunchThread();
            return;
        } catch (const std::system_error &error) {
            FSysErrMsg = SystemErrorText(static_cast<std::uint32_t>(error.code().value()));
            // Nobody would release a pause: there is no thread to hold.
            FPaused = false;
        }
    }
    // Without a thread of its own the copy fails here, like a worker that
    // threw, so that its owner is not left waiting for a Done that never comes.
    ReleaseStreams();
    RemoveTemporary();
    DoneThread(CopyErrorWrite);
}

std::thread TCopyThread::LaunchThread()
{
    return std::thread([this] { Run(); });
}

void TCopyThread::StopThread()
{
    if (!FThread.joinable())
        return;
    if (!Done())
        TCopyThread::CancelThread();
    FThread.join();
}

bool TCopyThread::WaitFor(int timeoutMs) const
{
    std::unique_lock lock(FMutex);
    if (timeoutMs < 0) {
        FChanged.wait(lock, [this] { return Done(); });
        return true;
    }
    return FChanged.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return Done(); });
}

bool TCopyThread::Paused() const
{
    std::lock_guard lock(FMutex);
    return FPaused;
}

void TCopyThread::SetPaused(bool paused)
{
    std::lock_guard lock(FMutex);
    if (Done() || FPaused == paused)
        return;
    FPaused = paused;
    FChanged.notify_all();
}

void TCopyThread::CancelThread()
{
    std::lock_guard lock(FMutex);
    FUserBreak.store(true);
    // A paused worker must get to see the request.
    FChanged.notify_all();
}

void TCopyThread::SetNoWriteCache(bool on)
{
    FWriteMode = on ? (FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_WRITE_THROUGH) : FILE_FLAG_SEQUENTIAL_SCAN;
}

void TCopyThread::WaitWhilePaused()
{
    std::unique_lock lock(FMutex);
    FChanged.wait(lock, [this] { return !FPaused || FUserBreak.load(); });
}

void TCopyThread::Run()
{
    std::uint32_t code = 0;
    try {
        code = Execute();
    } catch (const EWriteFileStreamError &error) {
        FSysErrMsg = error.Message();
        code = WriteErrorCode(error);
    } catch (const std::exception &error) {
        FSysErrMsg = QString::fromLocal8Bit(error.what());
        code = CopyErrorWrite;
    } catch (...) {
        code = CopyErrorWrite;
    }
    if (code != 0)
        ReleaseStreams();
    RemoveTemporary();
    DoneThread(code);
}

std::uint32_t TCopyThread::Execute()
{
    std::uint32_t code = OpenStreams();
    if (code != 0)
        return code;
    DoProgress(acCopy, -static_cast<std::int64_t>(SrcSize), false);
    code = CopyData(static_cast<std::int64_t>(SrcSize));
    if (code != 0)
        return code;
    return FinishCopy();
}

void TCopyThread::DoneThread(std::uint32_t code)
{
    WaitWhilePaused();
    try {
        if (FCompress && UTotal > 0)
            FRatio = RatioOf(CTotal, UTotal);
        if (FSysError != 0)
            FSysErrMsg = SystemErrorText(FSysError);
    } catch (...) {
        // The code below still tells the owner what happened.
    }
    if (code != 0)
        FError = FErrFlag | static_cast<std::int32_t>(code);
    {
        std::lock_guard lock(FMutex);
        FDone.store(true, std::memory_order_release);
        FChanged.notify_all();
    }
    try {
        if (FOnDone)
            FOnDone();
    } catch (...) {
        // The owner's callback failed; Done is set and the results stand.
    }
}

void TCopyThread::DoProgress(TFileAction action, std::int64_t count, bool speedLimit)
{
    if (!FOnProgress)
        return;
    FAction = action;
    FCount = count;
    FEnableSpLimit = speedLimit;
    FOnProgress(action, count, speedLimit);
}

void TCopyThread::RecordSystemError(std::uint32_t code)
{
    if (code == 0)
        return;
    FSysError = (code & 0x07FF0000) == 0 ? ((7u << 16) | (code & 0xFFFF)) : code;
}

std::uint32_t TCopyThread::WriteErrorCode(const EWriteFileStreamError &error)
{
    return IsDiskFull(error.ErrorCode()) ? CopyErrorDiskFull : CopyErrorWrite;
}

std::uint32_t TCopyThread::SizeMismatch()
{
    // Linux keeps no "last error" of the thread to show here; name the cause instead.
    FSysError = static_cast<std::uint32_t>(UTotal < static_cast<std::int64_t>(SrcSize) ? ENODATA : EIO);
    return CopyErrorRead;
}

std::uint32_t TCopyThread::OpenStreams()
{
    SrcSize = SourceFileData.FileSize > 0 ? static_cast<std::uint64_t>(SourceFileData.FileSize) : 0;
    struct stat existing = {};
    const bool anyEntry = ::lstat(QFile::encodeName(DestNameXL).constData(), &existing) == 0;
    // A file (or a link, whatever it leads to) under the name, as XlFileExists without following links.
    FTargetExisted = anyEntry && !S_ISDIR(existing.st_mode);
    if (FOverwrite && FTargetExisted) {
        const std::uint32_t error = SetFileAttributes(DestNameXL, FILE_ATTRIBUTE_ARCHIVE);
        if (error != 0) {
            RecordSystemError(error);
            return CopyErrorResetAttributes;
        }
    }
    try {
        // A folder cannot be replaced by a file; without overwrite nothing that exists is replaced.
        if (anyEntry && S_ISDIR(existing.st_mode))
            throw EWriteFileStreamError(EISDIR);
        if (anyEntry && !FOverwrite)
            throw EWriteFileStreamError(EEXIST);
        for (int attempt = 0; !sDest; ++attempt) {
            const QString tempName = TemporaryNameBeside(DestNameXL);
            try {
                sDest = std::make_unique<TWriteFileStream>(tempName, false, FWriteMode, 0);
                FTempName = tempName;
            } catch (const EWriteFileStreamError &error) {
                if (error.ErrorCode() != EEXIST || attempt + 1 >= TemporaryNameAttempts)
                    throw;
            }
        }
    } catch (const EWriteFileStreamError &error) {
        FSysErrMsg = error.Message();
        return CopyErrorCreate;
    } catch (const std::exception &error) {
        FSysErrMsg = QString::fromLocal8Bit(error.what());
        return CopyErrorCreate;
    }
    return 0;
}

void TCopyThread::ReleaseStreams()
{
    try {
        if (iSource)
            iSource->Commit();
    } catch (...) {
        // Any failure of the commit is ignored, a thrown one too: it runs
        // outside Execute's guard and must not end the program.
    }
    iSource.reset();
    SourceFileData.StreamData.FileStream.reset();
    sDest.reset();
}

void TCopyThread::RemoveTemporary()
{
    if (FTempName.isEmpty())
        return;
    sDest.reset();
    QFile::remove(FTempName);
    FTempName.clear();
}

std::uint32_t TCopyThread::FinishCopy()
{
    try {
        // Replacing an earlier copy: the new data must be on the disk before
        // the name points to it, or a crash could leave neither.
        if (FOverwrite && FTargetExisted)
            sDest->Flush();
        sDest->Close();
    } catch (const EWriteFileStreamError &error) {
        FSysErrMsg = error.Message();
        return WriteErrorCode(error);
    }
    ReleaseStreams();
    if (FCopyTimeStamp) {
        const std::uint32_t error =
            SetFileTimestamps(FTempName, SourceFileData.TimeStamps, FCheckTime, FCopyCrTm, false);
        if (error != 0) {
            RecordSystemError(error);
            return CopyErrorSetTimestamps;
        }
    }
    if (FCopyAttr) {
        std::uint32_t wanted = SourceFileData.FileAttr & 0xFFFF;
        if (FResetArchive)
            wanted &= ~FILE_ATTRIBUTE_ARCHIVE;
        if ((GetFileAttributes(FTempName) & 0xFFFF) != wanted) {
            const std::uint32_t error = SetFileAttributes(FTempName, wanted);
            if (error != 0) {
                RecordSystemError(error);
                return CopyErrorSetAttributes;
            }
        }
    }
    return CommitDestination();
}

std::uint32_t TCopyThread::CommitDestination()
{
    const QByteArray from = QFile::encodeName(FTempName);
    const QByteArray to = QFile::encodeName(DestNameXL);
    // Without overwrite a file that appeared meanwhile is left alone.
    const unsigned flags = FOverwrite ? 0 : RENAME_NOREPLACE;
    int result = ::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), flags);
    if (result != 0 && flags != 0 && (errno == EINVAL || errno == ENOSYS)) {
        // File systems without the no-replace rename: check, then rename.
        struct stat existing = {};
        if (::lstat(to.constData(), &existing) == 0)
            errno = EEXIST;
        else
            result = ::rename(from.constData(), to.constData());
    }
    if (result != 0) {
        RecordSystemError(static_cast<std::uint32_t>(errno));
        return CopyErrorCreate;
    }
    FTempName.clear();
    return 0;
}

std::uint32_t TCopyThread::ReadSource(std::uint32_t count, std::uint32_t &bytesRead)
{
    bytesRead = 0;
    HRESULT result = E_UNEXPECTED;
    try {
        if (iSource)
            result = iSource->Read(FBuffer.get(), count, bytesRead);
    } catch (...) {
        result = E_FAIL;
    }
    // A stream that claims more than was asked for cannot be trusted with the buffer.
    if (Succeeded(result) && bytesRead > count)
        result = E_UNEXPECTED;
    if (Failed(result)) {
        bytesRead = 0;
        FSysErrMsg = SystemErrorText(static_cast<std::uint32_t>(result));
        return CopyErrorRead;
    }
    return 0;
}

std::uint32_t TCopyThread::CopyData(std::int64_t remaining)
{
    std::uint32_t code = 0;
    do {
        WaitWhilePaused();
        std::uint32_t bytesRead = 0;
        code = ReadSource(static_cast<std::uint32_t>(std::min<std::int64_t>(FBufSize, remaining)), bytesRead);
        if (code != 0)
            break;
        UTotal += bytesRead;
        DoProgress(acCopy, UTotal, true);
        FCrc = static_cast<std::uint32_t>(crc32(FCrc, FBuffer.get(), bytesRead));
        try {
            if (sDest->Write(FBuffer.get(), static_cast<std::int32_t>(bytesRead)) <
                static_cast<std::int32_t>(bytesRead))
                code = CopyErrorDiskFull;
        } catch (const EWriteFileStreamError &error) {
            FSysErrMsg = error.Message();
            code = WriteErrorCode(error);
        }
        if (FUserBreak.load())
            code = CopyErrorCancelled;
        remaining -= bytesRead;
        // A source that has nothing more to give before its announced size would loop forever.
        if (code == 0 && remaining > 0 && bytesRead == 0)
            code = SizeMismatch();
    } while (remaining > 0 && code == 0);
    return code;
}

std::uint32_t TCopyThread::CompressData(TWriteFileStream &dest, bool speedLimit)
{
    std::uint32_t code = 0;
    const std::int64_t start = dest.Position();
    try {
        TDeflater deflater(dest, FCompLevel);
        for (;;) {
            WaitWhilePaused();
            std::uint32_t bytesRead = 0;
            code = ReadSource(FBufSize, bytesRead);
            if (code != 0)
                break;
            UTotal += bytesRead;
            DoProgress(acCompress, UTotal, speedLimit);
            FCrc = static_cast<std::uint32_t>(crc32(FCrc, FBuffer.get(), bytesRead));
            try {
                deflater.Compress(FBuffer.get(), bytesRead);
            } catch (const ECompressError &error) {
                FSysErrMsg = error.Message();
                code = CopyErrorWrite;
            }
            if (FUserBreak.load())
                code = CopyErrorCancelled;
            // A short read is the end; a source that runs past its announced
            // size is not followed further (the size check reports it).
            if (code != 0 || bytesRead < FBufSize || UTotal > static_cast<std::int64_t>(SrcSize))
                break;
        }
        if (code == 0)
            deflater.Finish();
    } catch (const ECompressError &error) {
        FSysErrMsg = error.Message();
        return CopyErrorWrite;
    }
    if (code == 0 && SrcSize > 0 && dest.Position() == start)
        code = CopyErrorDiskFull;
    return code;
}

// ---------------------------------------------------------------------------
// TGZipThread

TGZipThread::TGZipThread(const TFileData &source, const QString &destName)
    : TCopyThread(source, destName), FName(source.FileName)
{}

TGZipThread::~TGZipThread()
{
    StopThread();
}

std::uint32_t TGZipThread::Execute()
{
    return FCompress ? CompressGz() : TCopyThread::Execute();
}

std::uint32_t TGZipThread::CompressGz()
{
    std::uint32_t code = OpenStreams();
    if (code != 0)
        return code;
    const auto mtime = static_cast<std::uint32_t>(FileTimeToUnixTime(SourceFileData.TimeStamps.LastWriteTime));
    code = WriteGzHeader(*sDest, FName, mtime);
    const std::int64_t dataStart = sDest->Position();
    if (code == 0) {
        DoProgress(acCompress, -static_cast<std::int64_t>(SrcSize), false);
        code = CompressData(*sDest, true);
    }
    if (code == 0 && UTotal != static_cast<std::int64_t>(SrcSize))
        code = SizeMismatch();
    if (code == 0) {
        CTotal = sDest->Position() - dataStart;
        code = WriteGzTrailer(*sDest, FCrc);
    }
    return code == 0 ? FinishCopy() : code;
}

std::uint32_t TGZipThread::WriteGzHeader(TWriteFileStream &dest, const QString &name, std::uint32_t mtime)
{
    std::uint8_t os = 0;
    const QByteArray nameBytes = GzipName(name, os);
    TByteWriter fixed;
    fixed.U8(0x1F);
    fixed.U8(0x8B);
    fixed.U8(8);
    fixed.U8(nameBytes.isEmpty() ? 0x04 : 0x0C);
    fixed.U32(mtime);
    fixed.U8(0);
    fixed.U8(os);
    TByteWriter extraLength;
    extraLength.U16(20);
    TByteWriter extra;
    extra.U8(0x01);
    extra.U8(0x00);
    extra.U16(16);
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
        FSysErrMsg = error.Message();
        return WriteErrorCode(error);
    }
    return 0;
}

std::uint32_t TGZipThread::WriteGzTrailer(TWriteFileStream &dest, std::uint32_t crc)
{
    try {
        TByteWriter crcField;
        crcField.U32(crc);
        if (!crcField.WriteTo(dest))
            return CopyErrorDiskFull;
        TByteWriter sizeField;
        sizeField.U32(static_cast<std::uint32_t>(UTotal));
        if (!sizeField.WriteTo(dest))
            return CopyErrorDiskFull;
        TByteWriter sizes;
        sizes.U64(static_cast<std::uint64_t>(CTotal));
        sizes.U64(static_cast<std::uint64_t>(UTotal));
        dest.Seek(16);
        sizes.WriteTo(dest);
    } catch (const EWriteFileStreamError &error) {
        FSysErrMsg = error.Message();
        return CopyErrorWrite;
    }
    return 0;
}

// ---------------------------------------------------------------------------
// TWinCopyThread

TWinCopyThread::TWinCopyThread(const TFileData &source, const QString &destName, TCopyOptions options, bool suspend,
                               TThreadPriority /*priority*/)
    : TGZipThread(source, destName)
{
    FCompress = options.Contains(coCompress);
    FZipCompress = options.Contains(coZipCompress);
    FOverwrite = options.Contains(coOverwrite);
    FCopyTimeStamp = options.Contains(coTimeStamp);
    FCopyCrTm = options.Contains(coCreationTime);
    FCheckTime = options.Contains(coCheckTime);
    SetNoWriteCache(options.Contains(coNoCache));
    FErrFlag = FZipCompress ? CopyTypeZip : FCompress ? CopyTypeGzip : CopyTypePlain;
    if (!suspend)
        Start();
}

TWinCopyThread::~TWinCopyThread()
{
    StopThread();
}

std::uint32_t TWinCopyThread::Execute()
{
    if (!FZipCompress)
        return TGZipThread::Execute();
    std::uint32_t code = OpenStreams();
    if (code == 0)
        code = WriteZip(FCompress);
    if (code == 0)
        code = FinishCopy();
    return code;
}

std::uint32_t TWinCopyThread::WriteZipData(bool compress)
{
    const std::int64_t dataStart = sDest->Position();
    std::uint32_t code = 0;
    if (SrcSize > 0 && compress) {
        DoProgress(acCompress, -static_cast<std::int64_t>(SrcSize), false);
        code = CompressData(*sDest, true);
    } else {
        DoProgress(acCopy, -static_cast<std::int64_t>(SrcSize), false);
        code = CopyData(static_cast<std::int64_t>(SrcSize));
    }
    if (code == 0 && UTotal != static_cast<std::int64_t>(SrcSize))
        code = SizeMismatch();
    CTotal = sDest->Position() - dataStart;
    return code;
}

std::uint32_t TWinCopyThread::WriteZip(bool compress)
{
    const bool zip64 = SourceFileData.FileSize > 0xFF000000LL;
    const std::uint16_t version = zip64 ? 45 : 20;
    const std::uint16_t method = SourceFileData.FileSize > 0 && FCompress ? 8 : 0;
    bool utf8 = false;
    const QByteArray name = ZipEntryName(FName, utf8);
    const auto nameLength = static_cast<std::uint16_t>(name.size());
    const std::uint16_t flags = 0x0080 | (method == 8 ? 0x0002 : 0) | (utf8 ? 0x0800 : 0);
    const std::uint32_t dosTime = FileTimeToDosTime(SourceFileData.TimeStamps.LastWriteTime);
    const std::uint32_t externalAttributes = SourceFileData.FileAttr & 0xFFFF;

    try {
        TByteWriter local;
        local.U32(0x04034B50);
        local.U16(version);
        local.U16(flags);
        local.U16(method);
        local.U32(dosTime);
        local.U32(0);
        local.U32(zip64 ? 0xFFFFFFFF : 0);
        local.U32(zip64 ? 0xFFFFFFFF : 0);
        local.U16(nameLength);
        local.U16(zip64 ? 20 : 0);
        local.Bytes(name);
        if (zip64) {
            local.U16(0x0001);
            local.U16(16);
            local.U64(0);
            local.U64(0);
        }
        local.WriteTo(*sDest);

        const std::uint32_t code = WriteZipData(compress);
        if (code != 0)
            return code;

        TByteWriter crc;
        crc.U32(FCrc);
        sDest->Seek(14);
        crc.WriteTo(*sDest);
        TByteWriter sizes;
        if (zip64) {
            sizes.U64(static_cast<std::uint64_t>(UTotal));
            sizes.U64(static_cast<std::uint64_t>(CTotal));
            sDest->Seek(nameLength + 34);
        } else {
            sizes.U32(static_cast<std::uint32_t>(CTotal));
            sizes.U32(static_cast<std::uint32_t>(UTotal));
            sDest->Seek(18);
        }
        sizes.WriteTo(*sDest);

        sDest->SeekToEnd();
        const std::uint64_t centralStart = static_cast<std::uint64_t>(sDest->Position());
        const bool bigUncompressed = zip64 && static_cast<std::uint64_t>(UTotal) > 0xFFFFFFFF;
        const bool bigCompressed = zip64 && static_cast<std::uint64_t>(CTotal) > 0xFFFFFFFF;
        const int replaced = int(bigUncompressed) + int(bigCompressed);
        TByteWriter central;
        central.U32(0x02014B50);
        central.U16(version);
        central.U16(version);
        central.U16(flags);
        central.U16(method);
        central.U32(dosTime);
        central.U32(FCrc);
        central.U32(bigCompressed ? 0xFFFFFFFF : static_cast<std::uint32_t>(CTotal));
        central.U32(bigUncompressed ? 0xFFFFFFFF : static_cast<std::uint32_t>(UTotal));
        central.U16(nameLength);
        central.U16(zip64 ? 4 + 8 * replaced : 0);
        central.U16(0);
        central.U16(0);
        central.U16(0);
        central.U32(externalAttributes);
        central.U32(0);
        central.Bytes(name);
        if (zip64) {
            central.U16(0x0001);
            central.U16(8 * replaced);
            if (bigUncompressed)
                central.U64(static_cast<std::uint64_t>(UTotal));
            if (bigCompressed)
                central.U64(static_cast<std::uint64_t>(CTotal));
        }
        central.WriteTo(*sDest);

        const std::uint64_t centralEnd = static_cast<std::uint64_t>(sDest->Position());
        const std::uint64_t centralSize = centralEnd - centralStart;
        const bool zip64End = centralEnd > 0xFFFFFFFF;
        TByteWriter end;
        if (zip64End) {
            end.U32(0x06064B50);
            end.U64(44);
            end.U16(45);
            end.U16(45);
            end.U32(0);
            end.U32(0);
            end.U64(1);
            end.U64(1);
            end.U64(centralSize);
            end.U64(centralStart);
            end.U32(0x07064B50);
            end.U32(0);
            end.U64(centralEnd);
            end.U32(1);
        }
        end.U32(0x06054B50);
        end.U16(0);
        end.U16(0);
        end.U16(1);
        end.U16(1);
        end.U32(zip64End && centralSize > 0xFFFFFFFF ? 0xFFFFFFFF : static_cast<std::uint32_t>(centralSize));
        end.U32(zip64End ? 0xFFFFFFFF : static_cast<std::uint32_t>(centralStart));
        end.U16(0);
        end.WriteTo(*sDest);
    } catch (const EWriteFileStreamError &error) {
        FSysErrMsg = error.Message();
        return CopyErrorZipStructure;
    }
    return 0;
}
