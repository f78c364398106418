#pragma once

#include "base/Result.h"

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
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

private:
    bool Broken() const { return FCancelled || (FFinished && Failed(FResult)); }

    TMtpStreamLimits FLimits;
    std::mutex FMutex;
    // Two conditions, so that each side is woken only when the other has
    // done enough: the reader when its request can be filled, the producer
    // when half the buffer is free. Both share one processor often enough.
    std::condition_variable FDataReady;
    std::condition_variable FSpaceReady;
    std::vector<unsigned char> FRing;
    std::size_t FHead = 0;   // first queued byte
    std::size_t FCount = 0;  // bytes queued
    std::size_t FWanted = 0; // bytes the waiting reader needs; 0 when it is not waiting
    bool FProducerWaiting = false;
    bool FFinished = false;
    bool FCancelled = false;
    HRESULT FResult = S_OK;
    std::chrono::steady_clock::time_point FLastTaken = std::chrono::steady_clock::now();
};
