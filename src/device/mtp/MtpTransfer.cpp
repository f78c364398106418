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
    FCapacity = std::size_t(wanted);
    FRing = std::make_unique_for_overwrite<unsigned char[]>(FCapacity);
}

bool TMtpTransfer::Put(const unsigned char *data, std::uint32_t length)
{
    std::unique_lock lock(FMutex);
    // The reader is woken once the lock is given up: woken while it is held,
    // it would only block on the lock again (two more switches per block on
    // a single core).
    bool wakeReader = false;
    while (length > 0 && !FCancelled) {
        // A waiting reader has emptied the queue first, so its buffer comes
        // next in the file.
        if (FDirect && FDirectFilled < FDirectSpace) {
            const std::size_t piece = std::min<std::size_t>(length, FDirectSpace - FDirectFilled);
            std::memcpy(FDirect + FDirectFilled, data, piece);
            FDirectFilled += piece;
            FDirectTotal += piece;
            data += piece;
            length -= std::uint32_t(piece);
            wakeReader = wakeReader || FDirectFilled == FDirectSpace;
            continue;
        }
        if (FCount == FCapacity) {
            if (wakeReader) {
                FDataReady.notify_one();
                wakeReader = false;
            }
            FProducerWaiting = true;
            FSpaceReady.wait(lock, [&] {
                return FCancelled || FCount <= FCapacity / 2 || (FDirect && FDirectFilled < FDirectSpace);
            });
            FProducerWaiting = false;
            continue;
        }
        const std::size_t piece = std::min<std::size_t>(length, FCapacity - FCount);
        QueueBytes(data, piece);
        data += piece;
        length -= std::uint32_t(piece);
    }
    const bool going = !FCancelled;
    lock.unlock();
    if (wakeReader)
        FDataReady.notify_one();
    return going;
}

void TMtpTransfer::QueueBytes(const unsigned char *data, std::size_t length)
{
    // In up to two pieces around the end of the ring.
    const std::size_t tail = (FHead + FCount) % FCapacity;
    const std::size_t first = std::min(length, FCapacity - tail);
    std::memcpy(FRing.get() + tail, data, first);
    std::memcpy(FRing.get(), data + first, length - first);
    FCount += length;
    FQueuedTotal += length;
}

std::size_t TMtpTransfer::TakeQueued(unsigned char *buffer, std::size_t size)
{
    std::size_t taken = 0;
    while (taken < size && FCount > 0) {
        const std::size_t piece = std::min({size - taken, FCount, FCapacity - FHead});
        std::memcpy(buffer + taken, FRing.get() + FHead, piece);
        taken += piece;
        FHead = (FHead + piece) % FCapacity;
        FCount -= piece;
    }
    if (FProducerWaiting && FCount <= FCapacity / 2)
        FSpaceReady.notify_one();
    return taken;
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
    while (taken < size) {
        if (Broken())
            return FResult;
        if (FCount > 0) {
            taken += std::uint32_t(TakeQueued(buffer + taken, size - taken));
            FLastTaken = std::chrono::steady_clock::now();
            continue;
        }
        if (FFinished)
            return S_OK; // short: the file ended
        FDirect = buffer + taken;
        FDirectSpace = size - taken;
        FDirectFilled = 0;
        // A producer waiting for space can now write straight into the buffer.
        if (FProducerWaiting)
            FSpaceReady.notify_one();
        const bool woken = FDataReady.wait_for(
            lock, FLimits.DeviceSilence, [&] { return FCancelled || FFinished || FDirectFilled == FDirectSpace; });
        const std::size_t filled = FDirectFilled;
        FDirect = nullptr;
        FDirectSpace = FDirectFilled = 0;
        taken += std::uint32_t(filled);
        if (filled > 0)
            FLastTaken = std::chrono::steady_clock::now();
        // Less than asked for is still a sign of life from a slow device.
        if (!woken && filled == 0) {
            FCancelled = true;
            FResult = HResultFromErrno(ETIMEDOUT);
            FSpaceReady.notify_all();
            return FResult;
        }
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

std::uint64_t TMtpTransfer::DirectBytes()
{
    std::lock_guard lock(FMutex);
    return FDirectTotal;
}

std::uint64_t TMtpTransfer::QueuedBytes()
{
    std::lock_guard lock(FMutex);
    return FQueuedTotal;
}
