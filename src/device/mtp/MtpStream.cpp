#include "device/mtp/MtpStream.h"

#include "device/DeviceService.h"
#include "device/mtp/MtpMapping.h"

#include <QtGlobal>

#include <algorithm>
#include <cstring>

bool TMtpTransfer::Put(const unsigned char *data, std::uint32_t length)
{
    std::unique_lock lock(FMutex);
    // A chunk larger than the whole buffer still goes in once the buffer is empty.
    FProducerWaiting = true;
    FChanged.wait(lock, [&] { return FCancelled || FQueued == 0 || FQueued + length <= FLimits.BufferCapacity; });
    FProducerWaiting = false;
    if (FCancelled)
        return false;
    if (length > 0) {
        FChunks.emplace_back(data, data + length);
        FQueued += length;
    }
    FChanged.notify_all();
    return true;
}

void TMtpTransfer::Finish(HRESULT result)
{
    std::lock_guard lock(FMutex);
    FFinished = true;
    if (!FCancelled)
        FResult = result;
    FChanged.notify_all();
}

HRESULT TMtpTransfer::Take(unsigned char *buffer, std::uint32_t size, std::uint32_t &taken)
{
    taken = 0;
    std::unique_lock lock(FMutex);
    while (taken < size) {
        if (FCancelled || (FFinished && Failed(FResult)))
            return FResult;
        if (FChunks.empty()) {
            if (FFinished)
                return S_OK; // short: the file ended
            if (!FChanged.wait_for(lock, FLimits.DeviceSilence, [&] { return FCancelled || FFinished || !FChunks.empty(); })) {
                FCancelled = true;
                FResult = HResultFromErrno(ETIMEDOUT);
                FChanged.notify_all();
                return FResult;
            }
            continue;
        }
        std::vector<unsigned char> &front = FChunks.front();
        const std::size_t count = std::min<std::size_t>(size - taken, front.size() - FFrontOffset);
        std::memcpy(buffer + taken, front.data() + FFrontOffset, count);
        taken += std::uint32_t(count);
        FFrontOffset += count;
        FQueued -= count;
        if (FFrontOffset == front.size()) {
            FChunks.pop_front();
            FFrontOffset = 0;
        }
        FLastTaken = std::chrono::steady_clock::now();
        FChanged.notify_all();
    }
    return S_OK;
}

void TMtpTransfer::Cancel(HRESULT reason)
{
    std::lock_guard lock(FMutex);
    if (!FCancelled && !(FFinished && Failed(FResult))) {
        FCancelled = true;
        FResult = reason;
    }
    FChanged.notify_all();
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

TMtpStream::TMtpStream(TMtpSessionPtr session, std::uint32_t objectId, TMtpStreamLimits limits)
    : FSession(std::move(session)), FObjectId(objectId), FLimits(limits)
{
}

TMtpStream::~TMtpStream()
{
    Stop();
}

void TMtpStream::Start()
{
    FTransfer = std::make_shared<TMtpTransfer>(FLimits);
    FProducer = std::thread([this] { Produce(); });
}

void TMtpStream::Produce()
{
    TMtpDeviceGate::TLock lock = FSession->Gate().AcquireFor(FTransfer);
    TMtpTransfer &transfer = *FTransfer;
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
