#include "device/mtp/MtpStream.h"

#include "device/DeviceService.h"
#include "device/mtp/MtpMapping.h"

#include <QtGlobal>

#include <algorithm>
#include <cstring>

TMtpTransfer::TMtpTransfer(const TMtpStreamLimits &limits, std::uint64_t expectedSize) : FLimits(limits)
{
    constexpr std::size_t smallest = 64u << 10;
    const std::uint64_t wanted =
        std::clamp<std::uint64_t>(expectedSize + 1, smallest, std::max(smallest, limits.BufferCapacity));
    FRing.resize(std::size_t(wanted));
}

bool TMtpTransfer::Put(const unsigned char *data, std::uint32_t length)
{
    std::unique_lock lock(FMutex);
    const std::size_t capacity = FRing.size();
    while (length > 0) {
        if (FCount == capacity) {
            FProducerWaiting = true;
            FSpaceReady.wait(lock, [&] { return FCancelled || FCount <= capacity / 2; });
            FProducerWaiting = false;
        }
        if (FCancelled)
            return false;
        // Copy what fits, in up to two pieces around the end of the ring.
        const std::size_t tail = (FHead + FCount) % capacity;
        const std::size_t piece = std::min<std::size_t>({length, capacity - FCount, capacity - tail});
        std::memcpy(FRing.data() + tail, data, piece);
        FCount += piece;
        data += piece;
        length -= std::uint32_t(piece);
        if (FWanted > 0 && FCount >= FWanted)
            FDataReady.notify_one();
    }
    return !FCancelled;
}

void TMtpTransfer::Finish(HRESULT result)
{
    std::lock_guard lock(FMutex);
    FFinished = true;
    if (!FCancelled)
        FResult = result;
    FDataReady.notify_all();
}

HRESULT TMtpTransfer::Take(unsigned char *buffer, std::uint32_t size, std::uint32_t &taken)
{
    taken = 0;
    std::unique_lock lock(FMutex);
    const std::size_t capacity = FRing.size();
    while (taken < size) {
        if (Broken())
            return FResult;
        if (FCount == 0) {
            if (FFinished)
                return S_OK; // short: the file ended
            FWanted = std::min<std::size_t>(size - taken, capacity);
            const bool woken = FDataReady.wait_for(lock, FLimits.DeviceSilence,
                                                   [&] { return FCancelled || FFinished || FCount >= FWanted; });
            FWanted = 0;
            // Less than asked for is still a sign of life from a slow device.
            if (!woken && FCount == 0) {
                FCancelled = true;
                FResult = HResultFromErrno(ETIMEDOUT);
                FSpaceReady.notify_all();
                return FResult;
            }
            continue;
        }
        const std::size_t piece = std::min<std::size_t>({size - taken, FCount, capacity - FHead});
        std::memcpy(buffer + taken, FRing.data() + FHead, piece);
        taken += std::uint32_t(piece);
        FHead = (FHead + piece) % capacity;
        FCount -= piece;
        FLastTaken = std::chrono::steady_clock::now();
        if (FProducerWaiting && FCount <= capacity / 2)
            FSpaceReady.notify_one();
    }
    return S_OK;
}

void TMtpTransfer::Cancel(HRESULT reason)
{
    std::lock_guard lock(FMutex);
    if (!Broken()) {
        FCancelled = true;
        FResult = reason;
    }
    FDataReady.notify_all();
    FSpaceReady.notify_all();
}

void TMtpTransfer::CancelIfStalled()
{
    {
        std::lock_guard lock(FMutex);
        if (!FProducerWaiting || std::chrono::steady_clock::now() - FLastTaken < FLimits.ReaderGone)
            return;
    }
    qWarning("MTP: cancelling a file transfer whose reader stopped taking data");
    Cancel(HResultFromErrno(ECANCELED));
}

bool TMtpTransfer::Finished()
{
    std::lock_guard lock(FMutex);
    return FFinished;
}

HRESULT TMtpTransfer::Result()
{
    std::lock_guard lock(FMutex);
    return FResult;
}

TMtpStream::TMtpStream(TMtpSessionPtr session, std::uint32_t objectId, std::uint64_t size, TMtpStreamLimits limits)
    : FSession(std::move(session)), FObjectId(objectId), FSize(size), FLimits(limits)
{}

TMtpStream::~TMtpStream()
{
    Stop();
}

void TMtpStream::Start()
{
    FTransfer = std::make_shared<TMtpTransfer>(FLimits, FSize);
    FProducer = std::thread([this] { Produce(); });
}

void TMtpStream::Produce()
{
    TMtpDeviceGate::TLock lock = FSession->Gate().AcquireFor(FTransfer);
    TMtpTransfer &transfer = *FTransfer;
    // Dropped while waiting for the device: no transaction to start and cancel.
    if (transfer.Finished() || Failed(transfer.Result())) {
        FSession->Gate().ReleaseTransfer();
        transfer.Finish(HResultFromErrno(ECANCELED));
        return;
    }
    const int status = FSession->Device().ReadFile(
        FObjectId, [&transfer](const unsigned char *data, std::uint32_t length) { return transfer.Put(data, length); });
    const std::vector<TMtpError> errors = FSession->Device().TakeErrors();
    FSession->Gate().ReleaseTransfer();
    lock.unlock();
    HRESULT result = S_OK;
    if (status != 0) {
        result = MtpErrorsResult(errors, E_DEVICE_IO);
        qWarning("MTP: reading object %u failed: %s", FObjectId, qUtf8Printable(MtpErrorsText(errors)));
    }
    transfer.Finish(result);
}

void TMtpStream::Stop()
{
    if (!FProducer.joinable())
        return;
    FTransfer->Cancel(HResultFromErrno(ECANCELED));
    FProducer.join();
}

HRESULT TMtpStream::Read(void *buffer, std::uint32_t size, std::uint32_t &bytesRead)
{
    bytesRead = 0;
    if (!FSession->IsOpen())
        return FSession->OpenResult();
    if (!FTransfer)
        Start();
    return FTransfer->Take(static_cast<unsigned char *>(buffer), size, bytesRead);
}

HRESULT TMtpStream::Commit()
{
    if (!FTransfer)
        return S_OK;
    // A reader that commits before the end chose to stop: that is no failure.
    const bool complete = FTransfer->Finished();
    const HRESULT result = FTransfer->Result();
    Stop();
    return complete ? result : S_OK;
}
