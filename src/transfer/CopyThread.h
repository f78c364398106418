#pragma once

#include "base/FileData.h"
#include "base/FileDescriptor.h"
#include "transfer/CopyCodes.h"
#include "transfer/CopyRunner.h"
#include "transfer/PartFiles.h"
#include "transfer/WriteFileStream.h"
#include "transfer/writers/OutputWriter.h"

#include <QString>

#include <sys/stat.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// The copy worker: writes one source stream to one destination file on a
// thread of its own, unchanged, as gzip or as a one-entry zip archive, then
// gives it the source's time stamps and attributes.
//
// The data goes into a hidden temporary file beside the destination, which is
// renamed over the destination only when the copy, its time stamps and its
// attributes all succeeded; a failed copy removes it again, so an earlier good
// copy survives and no truncated file appears under the destination's name.

enum TCopyOption
{
    coCompress = 0,
    coZipCompress = 1,
    coVerify = 2,
    coOverwrite = 3,
    coStorage = 4,
    coAltStreams = 5,
    coPermissions = 6,
    coAttributes = 7,
    coTimeStamp = 8,
    coCreationTime = 9,
    coCheckTime = 10,
    coNoCache = 11,
    coResetArchive = 12,
};

// A set of TCopyOption, stored as a 16-bit word in which bit n is option n.
class TCopyOptions
{
public:
    constexpr TCopyOptions() = default;
    constexpr TCopyOptions(std::initializer_list<TCopyOption> options)
    {
        for (TCopyOption option : options)
            FWord = static_cast<std::uint16_t>(FWord | Bit(option));
    }
    static constexpr TCopyOptions FromWord(std::uint16_t word)
    {
        TCopyOptions options;
        options.FWord = word;
        return options;
    }

    constexpr std::uint16_t Word() const { return FWord; }
    constexpr bool Contains(TCopyOption option) const { return (FWord & Bit(option)) != 0; }
    constexpr void Include(TCopyOption option) { FWord = static_cast<std::uint16_t>(FWord | Bit(option)); }
    constexpr void Exclude(TCopyOption option) { FWord = static_cast<std::uint16_t>(FWord & ~Bit(option)); }
    constexpr void Set(TCopyOption option, bool on) { on ? Include(option) : Exclude(option); }
    constexpr bool operator==(const TCopyOptions &) const = default;

private:
    static constexpr std::uint16_t Bit(TCopyOption option) { return static_cast<std::uint16_t>(1u << option); }
    std::uint16_t FWord = 0;
};

// A negative count announces the total of the coming phase, a positive one is
// the running total of bytes read. Called on the worker's thread.
using TFileProgressEvent = std::function<void(TFileAction action, std::int64_t count, bool speedLimit)>;

// Accepted for the callers' sake; the worker runs at the normal priority.
enum TThreadPriority
{
    tpIdle,
    tpLowest,
    tpLower,
    tpNormal,
    tpHigher,
    tpHighest,
    tpTimeCritical,
};

// The worker is the data phases of its writer (ICopyPhases); which writer it
// uses follows from the options.
class TCopyThread : protected ICopyPhases
{
public:
    TCopyThread(const TFileData &source, const QString &destName);
    ~TCopyThread() override;
    TCopyThread(const TCopyThread &) = delete;
    TCopyThread &operator=(const TCopyThread &) = delete;

    // Begins the copy on the worker's thread; a second call does nothing.
    void Start();
    // True once the results are final (published with release, read with acquire).
    bool Done() const { return FDone.load(std::memory_order_acquire); }
    // Blocks until Done or until timeoutMs passed (negative: no limit); returns Done.
    bool WaitFor(int timeoutMs = -1) const;
    // Called on the worker's thread right after Done became true, for owners
    // that wake an event loop instead of blocking in WaitFor.
    // Set it before Start.
    void SetOnDone(std::function<void()> onDone) { FOnDone = std::move(onDone); }

    // Results, valid after Done.
    std::int32_t ErrorCode() const { return FError; }
    std::int32_t ErrorType() const { return FErrFlag; }
    const QString &SysErrorMsg() const { return FSysErrMsg; }
    // True when the destination holds the complete new data. With an
    // ErrorCode of CopyErrorSetTimestamps or CopyErrorSetAttributes only the
    // times or attributes (or the replaced copy's permissions) are missing.
    bool DataWritten() const { return FDataWritten; }
    std::int32_t Ratio() const { return FRatio; }

    bool Paused() const;
    // Holds the worker before its next block, or releases it.
    void SetPaused(bool paused);
    // Asks the worker to stop after the current block; the copy ends with 128.
    virtual void CancelThread();

    // Runs the copy on that runner's thread instead of a thread of its own,
    // or, for a source within the runner's inline limit, within Start itself;
    // Done, WaitFor, cancel and the destructor behave the same. Set it before
    // Start; the runner must outlive the worker.
    void SetRunner(TCopyRunner *runner) { FRunner = runner; }

    // Set it before Start.
    void SetOnProgress(TFileProgressEvent onProgress) { FOnProgress = std::move(onProgress); }
    void SetNoWriteCache(bool on);
    bool CopyTimeStamp() const { return FCopyTimeStamp; }
    void SetCopyTimeStamp(bool on) { FCopyTimeStamp = on; }
    bool CopyCreationTime() const { return FCopyCrTm; }
    void SetCopyCreationTime(bool on) { FCopyCrTm = on; }
    bool CopyAttr() const { return FCopyAttr; }
    void SetCopyAttr(bool on) { FCopyAttr = on; }
    bool ResetArchiveBit() const { return FResetArchive; }
    void SetResetArchiveBit(bool on) { FResetArchive = on; }
    bool CheckTime() const { return FCheckTime; }
    void SetCheckTime(bool on) { FCheckTime = on; }
    // Whether a plain copy keeps Crc (compressed output always does); off, it
    // saves a pass over the data.
    void SetPlainCrc(bool on) { FPlainCrc = on; }
    bool Overwrite() const { return FOverwrite; }
    void SetOverwrite(bool on) { FOverwrite = on; }
    // The caller has just found no entry under the destination name: the copy
    // goes into a file without a name at once instead of looking again. One
    // that appears meanwhile is still replaced only when overwriting, since
    // that file gets its name from linkat, which never replaces an entry.
    void SetNoEntrySeen(bool on) { FNoEntrySeen = on; }
    // The destination's folder, open (O_PATH will do) until the worker is
    // done, or -1: a new copy is made and named there without walking the
    // folder's path each time.
    void SetDestinationFolder(int folderFd) { FFolderFd = folderFd; }
    // The destination's file system reports nothing on close (see
    // IsPlainLocalFileSystem): a new copy keeps the descriptor it was written
    // through until it has its name, instead of closing it first.
    void SetCloseReportsNothing(bool on) { FCloseReportsNothing = on; }
    // The mode a new file in the destination's folder gets (NewFileModeIn),
    // or -1: the copy then looks at the file for its attributes.
    void SetNewFileMode(int mode) { FNewFileMode = mode; }
    // Compression of sources of at least minimumSize in blocks of blockSize
    // on several threads (0: one per core); blockSize 0 keeps one thread.
    void SetParallelCompression(std::uint32_t blockSize, std::int64_t minimumSize, unsigned threads = 0);

protected:
    // The copy itself, on the worker's thread; returns the result code.
    virtual std::uint32_t Execute();
    virtual void DoneThread(std::uint32_t code);
    // Runs the copy on a thread of its own; throws std::system_error when the
    // system has no thread to give.
    virtual std::thread LaunchThread();
    void DoProgress(TFileAction action, std::int64_t count, bool speedLimit) override;
    // The output format of this copy; the plain copy here.
    virtual std::unique_ptr<TOutputWriter> CreateWriter();

    // Ends the thread (cancelling a running copy) and waits for it. Every
    // class with an Execute or a CreateWriter of its own calls it in its destructor, before
    // its members go away.
    void StopThread();

    std::uint32_t OpenStreams();
    void ReleaseStreams();
    std::uint32_t FinishCopy();
    std::uint32_t ReadSource(std::uint8_t *buffer, std::uint32_t count, std::uint32_t &bytesRead);
    std::uint32_t CopyData(std::int64_t remaining, bool withCrc) override;
    // The plain copy inside the kernel from a local source; false when the
    // file systems do not offer it and nothing was copied yet.
    bool CopyInKernel(int sourceFd, std::int64_t &remaining, std::uint32_t &code);
    std::uint32_t CompressData(TWriteFileStream &dest, bool speedLimit) override;
    // The code for a data phase whose byte count differs from FileSize.
    std::uint32_t SizeMismatch() override;
    void SetErrorText(const QString &text) override { FSysErrMsg = text; }
    std::uint64_t SourceSize() const override { return SrcSize; }
    std::int64_t BytesRead() const override { return UTotal; }
    std::uint32_t SourceCrc() const override { return FCrc; }
    bool PlainCrcWanted() const override { return FPlainCrc; }
    void SetCompressedSize(std::int64_t size) override { CTotal = size; }
    void RecordSystemError(std::uint32_t code);
    void WaitWhilePaused();
    bool CompressesInParallel() const;
    std::uint32_t CompressBlocks(TWriteFileStream &dest, bool speedLimit);

    TFileProgressEvent FOnProgress;
    TFileAction FAction = acCopy;
    std::int64_t FCount = 0;
    bool FEnableSpLimit = false;

    bool FCheckTime = true;
    bool FCompress = false;
    bool FOverwrite = false;
    bool FNoEntrySeen = false;
    int FFolderFd = -1;
    bool FCloseReportsNothing = false;
    int FNewFileMode = -1;
    bool FCopyTimeStamp = true;
    bool FCopyCrTm = false;
    bool FCopyAttr = true;
    bool FResetArchive = false;
    bool FPlainCrc = true;

    std::int32_t FError = 0;
    std::int32_t FErrFlag = CopyTypePlain;
    std::uint32_t FSysError = 0;
    QString FSysErrMsg;

    QString SourceName;
    QString DestName;
    QString DestNameXL;
    TFileData SourceFileData;
    SourceStreamPtr iSource;

    std::unique_ptr<std::uint8_t[]> FBuffer;
    std::uint32_t FBufSize = 0;
    std::unique_ptr<TWriteFileStream> sDest;

    std::uint64_t SrcSize = 0;
    std::int64_t UTotal = 0;
    std::int64_t CTotal = 0;
    std::uint32_t FCrc = 0;
    std::int32_t FRatio = -1;
    std::uint32_t FWriteMode = FILE_FLAG_SEQUENTIAL_SCAN;
    TZCompressionLevel FCompLevel = zcDefault;
    std::uint32_t FBlockSize;
    std::int64_t FParallelMinimum;
    unsigned FCompressThreads = 0;

private:
    void Run();
    void RemoveTemporary();
    // A file without a name for a new copy; null where the file system has none.
    std::unique_ptr<TWriteFileStream> CreateUnnamedDestination();
    std::uint32_t CommitDestination();
    std::uint32_t CommitUnnamed();

    // The hidden file the data goes into until it is complete, and the lock
    // that tells a later run it is in use.
    QString FTempName;
    TPartFileLock FPartLock;
    // Or, for a new copy, a file without a name, which keeps this descriptor
    // after the stream is closed until the name is given.
    bool FUnnamed = false;
    TFileDescriptor FUnnamedFile;
    bool FTargetExisted = false;
    // What was under the destination's name before, to carry its owner and mode over.
    struct stat FReplaced = {};
    bool FDataWritten = false;

    mutable std::mutex FMutex;
    mutable std::condition_variable FChanged;
    bool FPaused = false;
    std::atomic<bool> FUserBreak{false};
    std::atomic<bool> FDone{false};
    std::function<void()> FOnDone;
    std::thread FThread;
    TCopyRunner *FRunner = nullptr;
    bool FPosted = false;      // given to FRunner
    bool FRunReturned = false; // FRunner is done with this worker; guarded by FMutex
};

class TGZipThread : public TCopyThread
{
public:
    TGZipThread(const TFileData &source, const QString &destName);
    ~TGZipThread() override;

    TZCompressionLevel CompressionLevel() const { return FCompLevel; }
    void SetCompressionLevel(TZCompressionLevel level) { FCompLevel = level; }
    std::uint32_t Crc() const { return FCrc; }
    const QString &Filename() const { return FName; }
    void SetFilename(const QString &name) { FName = name; }

protected:
    // Gzip output when compressing, else the plain copy.
    std::unique_ptr<TOutputWriter> CreateWriter() override;

    // The local file's name without ".gz" or ".zip", never the device's name;
    // empty until a writer needs it.
    QString FName;
};

class TWinCopyThread : public TGZipThread
{
public:
    // Builds the worker for one file; with suspend false it starts at once.
    TWinCopyThread(const TFileData &source, const QString &destName, TCopyOptions options, bool suspend = true,
                   TThreadPriority priority = tpNormal);
    ~TWinCopyThread() override;

protected:
    // A zip archive when asked for, else as TGZipThread.
    std::unique_ptr<TOutputWriter> CreateWriter() override;

    bool FZipCompress = false;
};
