#pragma once

#include "base/FileData.h"
#include "transfer/WriteFileStream.h"

#include <QString>

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

enum TFileAction
{
    acCopy = 1,
    acCompress = 2,
};

// A negative count announces the total of the coming phase, a positive one is
// the running total of bytes read. Called on the worker's thread.
using TFileProgressEvent = std::function<void(TFileAction action, std::int64_t count, bool speedLimit)>;

enum TZCompressionLevel
{
    zcNone,
    zcFastest,
    zcDefault,
    zcMax,
};

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

// Result codes of a copy (or-ed with the output kind in ErrorCode).
inline constexpr std::uint32_t CopyErrorZipStructure = 5;
inline constexpr std::uint32_t CopyErrorCancelled = 128;
inline constexpr std::uint32_t CopyErrorCreate = 257;
inline constexpr std::uint32_t CopyErrorRead = 260;
inline constexpr std::uint32_t CopyErrorWrite = 261;
inline constexpr std::uint32_t CopyErrorResetAttributes = 262;
inline constexpr std::uint32_t CopyErrorDiskFull = 263;
inline constexpr std::uint32_t CopyErrorSetAttributes = 518;
inline constexpr std::uint32_t CopyErrorSetTimestamps = 527;

inline constexpr std::int32_t CopyTypePlain = 0x1000;
inline constexpr std::int32_t CopyTypeGzip = 0x2000;
inline constexpr std::int32_t CopyTypeZip = 0x4000;

class TCopyThread
{
public:
    TCopyThread(const TFileData &source, const QString &destName);
    virtual ~TCopyThread();
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
    std::int32_t Ratio() const { return FRatio; }

    bool Paused() const;
    // Holds the worker before its next block, or releases it.
    void SetPaused(bool paused);
    // Asks the worker to stop after the current block; the copy ends with 128.
    virtual void CancelThread();

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
    bool Overwrite() const { return FOverwrite; }
    void SetOverwrite(bool on) { FOverwrite = on; }

protected:
    // The copy itself, on the worker's thread; returns the result code.
    virtual std::uint32_t Execute();
    virtual void DoneThread(std::uint32_t code);
    // Runs the copy on a thread of its own; throws std::system_error when the
    // system has no thread to give.
    virtual std::thread LaunchThread();
    virtual void DoProgress(TFileAction action, std::int64_t count, bool speedLimit);

    // Ends the thread (cancelling a running copy) and waits for it. Every
    // class with an Execute of its own calls it in its destructor, before
    // its members go away.
    void StopThread();

    std::uint32_t OpenStreams();
    void ReleaseStreams();
    std::uint32_t FinishCopy();
    std::uint32_t ReadSource(std::uint32_t count, std::uint32_t &bytesRead);
    std::uint32_t CopyData(std::int64_t remaining);
    std::uint32_t CompressData(TWriteFileStream &dest, bool speedLimit);
    // The code for a data phase whose byte count differs from FileSize.
    std::uint32_t SizeMismatch();
    std::uint32_t WriteErrorCode(const EWriteFileStreamError &error);
    void RecordSystemError(std::uint32_t code);
    void WaitWhilePaused();

    TFileProgressEvent FOnProgress;
    TFileAction FAction = acCopy;
    std::int64_t FCount = 0;
    bool FEnableSpLimit = false;

    bool FCheckTime = true;
    bool FCompress = false;
    bool FOverwrite = false;
    bool FCopyTimeStamp = true;
    bool FCopyCrTm = false;
    bool FCopyAttr = true;
    bool FResetArchive = false;

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

private:
    void Run();
    void RemoveTemporary();
    std::uint32_t CommitDestination();

    // The hidden file the data goes into until it is complete.
    QString FTempName;
    bool FTargetExisted = false;

    mutable std::mutex FMutex;
    mutable std::condition_variable FChanged;
    bool FPaused = false;
    std::atomic<bool> FUserBreak{false};
    std::atomic<bool> FDone{false};
    std::function<void()> FOnDone;
    std::thread FThread;
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
    std::uint32_t Execute() override;
    std::uint32_t CompressGz();
    std::uint32_t WriteGzHeader(TWriteFileStream &dest, const QString &name, std::uint32_t mtime);
    std::uint32_t WriteGzTrailer(TWriteFileStream &dest, std::uint32_t crc);

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
    std::uint32_t Execute() override;
    std::uint32_t WriteZip(bool compress);
    std::uint32_t WriteZipData(bool compress);

    bool FZipCompress = false;
};

// The code page 437 byte of a character from 0x80 to 0xFF, 0 when it has none
// that keeps a zip entry name out of UTF-8.
std::uint8_t LatinToOem(char16_t latin);
