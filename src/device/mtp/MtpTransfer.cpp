#include "device/mtp/MtpTransfer.h"

#include <QtGlobal>

#include <algorithm>
#include <cerrno>
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
