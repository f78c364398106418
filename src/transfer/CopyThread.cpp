#include "transfer/CopyThread.h"

#include "base/ErrorText.h"
#include "base/FileOwnership.h"
#include "base/FileTimes.h"
#include "transfer/FileSystem.h"
#include "transfer/PartFiles.h"
#include "transfer/writers/Deflater.h"
#include "transfer/writers/GzipWriter.h"
#include "transfer/writers/ParallelDeflater.h"
#include "transfer/writers/ZipWriter.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace {

// A device names its preferred transfer size; keep it within what one buffer may sensibly hold.
constexpr std::uint32_t DefaultBufferSize = 256 * 1024;
constexpr std::uint32_t MaxBufferSize = 16 * 1024 * 1024;
constexpr int TemporaryNameAttempts = 16;
// Large enough that the joins cost nothing in size, small enough to keep
// every core busy; smaller files are not worth the threads.
constexpr std::uint32_t DefaultCompressionBlock = 1024 * 1024;
constexpr std::int64_t DefaultParallelMinimum = 4 * std::int64_t(DefaultCompressionBlock);

std::uint32_t UsableBufferSize(std::uint32_t requested)
{
    if (requested == 0)
        return DefaultBufferSize;
    return std::min(requested, MaxBufferSize);
}

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

// The folder and the last component of a path, as QFileInfo's path() and
// fileName() give them, without building a file system entry for every copy.
QString FolderOf(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (slash < 0)
        return QStringLiteral(".");
    return slash == 0 ? QStringLiteral("/") : path.left(slash);
}

QString FileNameOf(const QString &path)
{
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

// The name stored inside an archive: the local file's own name (one path
// component, already made safe) without the suffix the output adds. What the
// device calls the file may hold "../" or "/", which a naive extractor would
// follow out of its folder.
QString EntryNameOf(const QString &destName, QLatin1StringView suffix)
{
    QString name = FileNameOf(destName);
    if (name.endsWith(suffix))
        name.chop(suffix.size());
    return name;
}

} // namespace

// ---------------------------------------------------------------------------
// TCopyThread

TCopyThread::TCopyThread(const TFileData &source, const QString &destName)
    : SourceName(source.FullPath), DestName(destName), DestNameXL(XlFileName(destName)), SourceFileData(source),
      iSource(source.StreamData.FileStream), FBufSize(UsableBufferSize(source.StreamData.BufferSize)),
      FBlockSize(DefaultCompressionBlock), FParallelMinimum(DefaultParallelMinimum)
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
        std::unique_lock lock(FMutex);
        if (FThread.joinable() || FPosted || Done())
            return;
        if (FRunner != nullptr && FRunner->RunsHere(SourceFileData.FileSize)) {
            FPosted = true;
            lock.unlock();
            Run();
            lock.lock();
            FRunReturned = true;
            FChanged.notify_all();
            return;
        }
        try {
            if (FRunner != nullptr) {
                FRunner->Post([this] {
                    Run();
                    std::lock_guard returned(FMutex);
                    FRunReturned = true;
                    FChanged.notify_all();
                });
                FPosted = true;
                return;
            }
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
    if (FPosted) {
        if (!Done())
            TCopyThread::CancelThread();
        std::unique_lock lock(FMutex);
        FChanged.wait(lock, [this] { return FRunReturned; });
        FPosted = false;
        return;
    }
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

void TCopyThread::SetParallelCompression(std::uint32_t blockSize, std::int64_t minimumSize, unsigned threads)
{
    FBlockSize = blockSize;
    FParallelMinimum = minimumSize;
    FCompressThreads = threads;
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
        code = WriteFailureCode(error);
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
    code = CreateWriter()->Write(*sDest, *this);
    if (code != 0)
        return code;
    return FinishCopy();
}

std::unique_ptr<TOutputWriter> TCopyThread::CreateWriter()
{
    return std::make_unique<TPlainWriter>();
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
    const bool anyEntry = !FNoEntrySeen && ::lstat(QFile::encodeName(DestNameXL).constData(), &existing) == 0;
    // Taken before the attribute reset below changes the old copy's mode.
    FReplaced = existing;
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
        if (!anyEntry)
            sDest = CreateUnnamedDestination();
        for (int attempt = 0; !sDest; ++attempt) {
            const QString tempName = PartFileNameBeside(DestNameXL);
            try {
                auto stream = std::make_unique<TWriteFileStream>(tempName, false, FWriteMode, 0);
                // Locked at once, so that a run entering this folder leaves it alone.
                if (FPartLock.Acquire(tempName, stream->Handle())) {
                    sDest = std::move(stream);
                    FTempName = tempName;
                } else if (attempt + 1 >= TemporaryNameAttempts) {
                    throw EWriteFileStreamError(EBUSY);
                }
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

std::unique_ptr<TWriteFileStream> TCopyThread::CreateUnnamedDestination()
{
    // Synchronous writes are asked of the named file's open only.
    if ((FWriteMode & FILE_FLAG_WRITE_THROUGH) != 0)
        return nullptr;
    const int fd = OpenUnnamedFile(FolderOf(DestNameXL), FFolderFd);
    if (fd < 0) {
        if (UnnamedFilesUnsupported(errno))
            return nullptr;
        throw EWriteFileStreamError(errno);
    }
    FUnnamed = true;
    return std::make_unique<TWriteFileStream>(fd, DestNameXL);
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
    // A file without a name goes with its last descriptor.
    FUnnamedFile.Reset();
    if (FTempName.isEmpty())
        return;
    sDest.reset();
    QFile::remove(FTempName);
    FTempName.clear();
    FPartLock.Release();
}

std::uint32_t TCopyThread::FinishCopy()
{
    // A replaced copy keeps who may read it: the user's chmod 600 must not
    // become world-readable because a newer version arrived.
    std::uint32_t ownershipError = 0;
    if (FOverwrite && FTargetExisted && S_ISREG(FReplaced.st_mode))
        ownershipError =
            static_cast<std::uint32_t>(CarryOverOwnership(sDest->Handle(), QFile::encodeName(DestNameXL), FReplaced));
    try {
        // Replacing an earlier copy: the new data must be on the disk before
        // the name points to it, or a crash could leave neither.
        if (FOverwrite && FTargetExisted)
            sDest->Flush();
        // A file without a name lives as long as a descriptor of it: this one
        // outlasts the stream's, whose close may report a failed write. Where
        // a close reports nothing, the stream's own descriptor serves.
        if (FUnnamed && FCloseReportsNothing) {
            FUnnamedFile.Reset(sDest->TakeHandle());
        } else if (FUnnamed) {
            FUnnamedFile.Reset(::fcntl(sDest->Handle(), F_DUPFD_CLOEXEC, 0));
            if (!FUnnamedFile.IsOpen())
                throw EWriteFileStreamError(errno);
        }
        sDest->Close();
    } catch (const EWriteFileStreamError &error) {
        FSysErrMsg = error.Message();
        return WriteFailureCode(error);
    }
    ReleaseStreams();
    // Time stamps and attributes that cannot be set (a share or a FAT disk
    // that refuses them) do not cost the data: the file is kept and the code
    // tells the owner what is missing.
    // The first of these failures is the one reported.
    std::uint32_t warning = 0;
    const auto noteFailure = [this, &warning](std::uint32_t error, std::uint32_t code) {
        if (error != 0 && warning == 0) {
            RecordSystemError(error);
            warning = code;
        }
    };
    if (FCopyTimeStamp)
        noteFailure(FUnnamed ? SetOpenFileTimestamps(FUnnamedFile.Get(), DestNameXL, SourceFileData.TimeStamps,
                                                     FCheckTime, FCopyCrTm)
                             : SetFileTimestamps(FTempName, SourceFileData.TimeStamps, FCheckTime, FCopyCrTm, false),
                    CopyErrorSetTimestamps);
    std::uint32_t wanted = SourceFileData.FileAttr & 0xFFFF;
    if (FResetArchive)
        wanted &= ~FILE_ATTRIBUTE_ARCHIVE;
    const std::uint32_t current = !FCopyAttr ? wanted
                                  : FUnnamed ? GetNewFileAttributes(FUnnamedFile.Get(), FNewFileMode)
                                             : GetFileAttributes(FTempName);
    const bool attributesDiffer = (current & 0xFFFF) != wanted;
    // A file without a name can be given attributes only once it has one.
    if (attributesDiffer && !FUnnamed)
        noteFailure(SetFileAttributes(FTempName, wanted), CopyErrorSetAttributes);
    noteFailure(ownershipError, CopyErrorSetAttributes);
    const bool attributesAfterCommit = attributesDiffer && FUnnamed;
    const std::uint32_t code = FUnnamed ? CommitUnnamed() : CommitDestination();
    if (code != 0)
        return code;
    FDataWritten = true;
    if (attributesAfterCommit)
        noteFailure(SetFileAttributes(DestNameXL, wanted), CopyErrorSetAttributes);
    return warning;
}

std::uint32_t TCopyThread::CommitUnnamed()
{
    const int error = FFolderFd >= 0 ? LinkUnnamedFileIn(FUnnamedFile.Get(), FFolderFd, FileNameOf(DestNameXL))
                                     : LinkUnnamedFile(FUnnamedFile.Get(), DestNameXL);
    if (error == 0) {
        FUnnamedFile.Reset();
        return 0;
    }
    if (error != EEXIST || !FOverwrite) {
        RecordSystemError(static_cast<std::uint32_t>(error));
        return CopyErrorCreate;
    }
    // A file appeared under the name while the copy ran. Overwriting, it is
    // replaced the way an existing copy is: through a named part file, with
    // the data on the disk before the rename.
    // A name a cleaner took first is left to it, as in OpenStreams.
    for (int attempt = 0; FTempName.isEmpty(); ++attempt) {
        if (attempt >= TemporaryNameAttempts) {
            RecordSystemError(EBUSY);
            return CopyErrorCreate;
        }
        const QString tempName = PartFileNameBeside(DestNameXL);
        const int linked = LinkUnnamedFile(FUnnamedFile.Get(), tempName);
        if (linked != 0 && linked != EEXIST) {
            RecordSystemError(static_cast<std::uint32_t>(linked));
            return CopyErrorCreate;
        }
        if (linked == 0 && FPartLock.Acquire(tempName, FUnnamedFile.Get()))
            FTempName = tempName;
    }
    if (::fdatasync(FUnnamedFile.Get()) != 0) {
        RecordSystemError(static_cast<std::uint32_t>(errno));
        return CopyErrorWrite;
    }
    FUnnamed = false;
    FUnnamedFile.Reset();
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
    FPartLock.Release();
    return 0;
}

std::uint32_t TCopyThread::ReadSource(std::uint8_t *buffer, std::uint32_t count, std::uint32_t &bytesRead)
{
    bytesRead = 0;
    HRESULT result = E_UNEXPECTED;
    try {
        if (iSource)
            result = iSource->Read(buffer, count, bytesRead);
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

bool TCopyThread::CopyInKernel(int sourceFd, std::int64_t &remaining, std::uint32_t &code)
{
    constexpr std::int64_t chunk = std::int64_t{8} * 1024 * 1024;
    bool copied = false;
    while (remaining > 0 && code == 0) {
        WaitWhilePaused();
        const ssize_t done = ::copy_file_range(sourceFd, nullptr, sDest->Handle(), nullptr,
                                               static_cast<std::size_t>(std::min(chunk, remaining)), 0);
        if (done < 0 && errno == EINTR)
            continue;
        if (done < 0 && !copied && (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP))
            return false;
        if (done < 0) {
            const EWriteFileStreamError error(errno);
            FSysErrMsg = error.Message();
            code = WriteFailureCode(error);
            break;
        }
        copied = true;
        UTotal += done;
        remaining -= done;
        DoProgress(acCopy, UTotal, true);
        if (FUserBreak.load())
            code = CopyErrorCancelled;
        // A source that has nothing more to give before its announced size would loop forever.
        if (code == 0 && remaining > 0 && done == 0)
            code = SizeMismatch();
    }
    try {
        sDest->SeekToEnd();
    } catch (const EWriteFileStreamError &error) {
        if (code == 0) {
            FSysErrMsg = error.Message();
            code = CopyErrorWrite;
        }
    }
    return true;
}

std::uint32_t TCopyThread::CopyData(std::int64_t remaining, bool withCrc)
{
    std::uint32_t code = 0;
    const int sourceFd = iSource && !withCrc && remaining > 0 && !FileWriteHookSet() ? iSource->LocalDescriptor() : -1;
    if (sourceFd >= 0 && CopyInKernel(sourceFd, remaining, code))
        return code;
    do {
        WaitWhilePaused();
        std::uint32_t bytesRead = 0;
        code = ReadSource(FBuffer.get(), static_cast<std::uint32_t>(std::min<std::int64_t>(FBufSize, remaining)),
                          bytesRead);
        if (code != 0)
            break;
        UTotal += bytesRead;
        DoProgress(acCopy, UTotal, true);
        if (withCrc)
            FCrc = static_cast<std::uint32_t>(crc32(FCrc, FBuffer.get(), bytesRead));
        try {
            if (sDest->Write(FBuffer.get(), static_cast<std::int32_t>(bytesRead)) <
                static_cast<std::int32_t>(bytesRead))
                code = CopyErrorDiskFull;
        } catch (const EWriteFileStreamError &error) {
            FSysErrMsg = error.Message();
            code = WriteFailureCode(error);
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
    if (CompressesInParallel())
        return CompressBlocks(dest, speedLimit);
    std::uint32_t code = 0;
    const std::int64_t start = dest.Position();
    try {
        TDeflater deflater(dest, FCompLevel);
        for (;;) {
            WaitWhilePaused();
            std::uint32_t bytesRead = 0;
            code = ReadSource(FBuffer.get(), FBufSize, bytesRead);
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

bool TCopyThread::CompressesInParallel() const
{
    const unsigned cores = FCompressThreads != 0 ? FCompressThreads : std::thread::hardware_concurrency();
    return FBlockSize > 0 && cores > 1 && static_cast<std::int64_t>(SrcSize) >= FParallelMinimum;
}

std::uint32_t TCopyThread::CompressBlocks(TWriteFileStream &dest, bool speedLimit)
{
    std::uint32_t code = 0;
    const std::int64_t start = dest.Position();
    const unsigned threads = FCompressThreads != 0 ? FCompressThreads : std::thread::hardware_concurrency();
    try {
        TParallelDeflater deflater(dest, FCompLevel, threads);
        for (;;) {
            WaitWhilePaused();
            auto block = std::make_shared<TDeflateBlock>(FBlockSize);
            std::uint32_t bytesRead = 0;
            code = ReadSource(block->Data.get(), FBlockSize, bytesRead);
            if (code != 0)
                break;
            block->Size = bytesRead;
            UTotal += bytesRead;
            DoProgress(acCompress, UTotal, speedLimit);
            // The same ends as the single-thread loop: a short read, or a
            // source running past its announced size.
            const bool last = bytesRead < FBlockSize || UTotal > static_cast<std::int64_t>(SrcSize);
            deflater.Compress(std::move(block), last);
            if (FUserBreak.load())
                code = CopyErrorCancelled;
            if (code != 0 || last)
                break;
        }
        if (code == 0) {
            deflater.Finish();
            FCrc = deflater.Crc();
        }
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

TGZipThread::TGZipThread(const TFileData &source, const QString &destName) : TCopyThread(source, destName)
{}

TGZipThread::~TGZipThread()
{
    StopThread();
}

std::unique_ptr<TOutputWriter> TGZipThread::CreateWriter()
{
    if (!FCompress)
        return TCopyThread::CreateWriter();
    const auto mtime = static_cast<std::uint32_t>(FileTimeToUnixTime(SourceFileData.TimeStamps.LastWriteTime));
    // Named here, not when built: most copies are plain ones.
    if (FName.isEmpty())
        FName = EntryNameOf(DestNameXL, QLatin1StringView(".gz"));
    return std::make_unique<TGzipWriter>(FName, mtime);
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
    if (FZipCompress)
        FName = EntryNameOf(destName, QLatin1StringView(".zip"));
    if (!suspend)
        Start();
}

TWinCopyThread::~TWinCopyThread()
{
    StopThread();
}

std::unique_ptr<TOutputWriter> TWinCopyThread::CreateWriter()
{
    if (!FZipCompress)
        return TGZipThread::CreateWriter();
    TZipEntry entry;
    entry.Name = FName;
    entry.FileSize = SourceFileData.FileSize;
    entry.Compress = FCompress;
    entry.DosTime = FileTimeToDosTime(SourceFileData.TimeStamps.LastWriteTime);
    entry.Attributes = SourceFileData.FileAttr;
    return std::make_unique<TZipWriter>(std::move(entry));
}
