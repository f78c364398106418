#pragma once

#include "base/Result.h"

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

// Limits of a whole-file read; tests shorten the waits.
struct TMtpStreamLimits
{
    // Bytes held between the device and the reader.
    std::size_t BufferCapacity = 8u << 20;
    // A reader that has taken nothing for this long while the buffer is full
    // has gone away: whoever needs the device next cancels the transfer.
    std::chrono::milliseconds ReaderGone{2000};
    // No byte from the device for this long ends the read with a time-out.
    std::chrono::milliseconds DeviceSilence{120000};
};

// The state a file transfer shares between the thread that runs libmtp's
// whole-file read and the reader: a bounded queue of received chunks.
class TMtpTransfer
{
public:
    // `expectedSize` (the listed size) only keeps the buffer small for small files.
    TMtpTransfer(const TMtpStreamLimits &limits, std::uint64_t expectedSize);

    // Producer side, called from libmtp's put-handler: false cancels the transfer.
    bool Put(const unsigned char *data, std::uint32_t length);
    void Finish(HRESULT result);

    // Reader side: fills `size` bytes unless the file ends or fails first.
    HRESULT Take(unsigned char *buffer, std::uint32_t size, std::uint32_t &taken);
    void Cancel(HRESULT reason);
    // Cancels when the reader has gone away (see TMtpStreamLimits).
    void CancelIfStalled();
    bool Finished();
    HRESULT Result();
    // For the trace: bytes copied straight into the reader's buffer, and
    // bytes that waited in the queue (copied twice).
    std::uint64_t DirectBytes();
    std::uint64_t QueuedBytes();

private:
    bool Broken() const { return FCancelled || (FFinished && Failed(FResult)); }
    std::size_t TakeQueued(unsigned char *buffer, std::size_t size);
    void QueueBytes(const unsigned char *data, std::size_t length);

    TMtpStreamLimits FLimits;
    std::mutex FMutex;
    // Two conditions, so that each side is woken only when the other has
    // done enough: the reader when its request is filled, the producer when
    // half the buffer is free. Both share one processor often enough.
    std::condition_variable FDataReady;
    std::condition_variable FSpaceReady;
    // Bytes the reader has not asked for yet. Allocated without clearing:
    // most bytes go straight to the reader and never touch it.
    std::unique_ptr<unsigned char[]> FRing;
    std::size_t FCapacity = 0;
    std::size_t FHead = 0;  // first queued byte
    std::size_t FCount = 0; // bytes queued
    // A reader waiting with nothing queued lends its own buffer, which the
    // producer fills directly: the bytes are copied once on their way.
    unsigned char *FDirect = nullptr;
    std::size_t FDirectSpace = 0;
    std::size_t FDirectFilled = 0;
    std::uint64_t FDirectTotal = 0;
    std::uint64_t FQueuedTotal = 0;
    bool FProducerWaiting = false;
    bool FFinished = false;
    bool FCancelled = false;
    HRESULT FResult = S_OK;
    std::chrono::steady_clock::time_point FLastTaken = std::chrono::steady_clock::now();
};
