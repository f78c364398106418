#pragma once

#include "transfer/CopyCodes.h"
#include "transfer/WriteFileStream.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// One block of input for TParallelDeflater.
struct TDeflateBlock
{
    explicit TDeflateBlock(std::uint32_t capacity)
        : Data(std::make_unique_for_overwrite<std::uint8_t[]>(capacity)), Capacity(capacity)
    {}
    std::unique_ptr<std::uint8_t[]> Data;
    std::uint32_t Capacity;
    std::uint32_t Size = 0;
};
using DeflateBlockPtr = std::shared_ptr<TDeflateBlock>;

// Raw deflate of one stream on several threads, with the settings of
// TDeflater. The input comes in blocks; each block is compressed on its own,
// primed with the last 32 KiB of the block before it as dictionary, and ends
// on a byte boundary (an empty stored block), the last one with the final
// block. Joined in order, the pieces are one valid deflate stream that any
// inflater reads in one go, and nearly as small as a single-thread one.
// The CRC-32 of the input is taken per block and combined. Throws
// ECompressError; the destination is written only from the calling thread.
class TParallelDeflater
{
public:
    TParallelDeflater(TWriteFileStream &dest, TZCompressionLevel level, unsigned threads);
    ~TParallelDeflater();
    TParallelDeflater(const TParallelDeflater &) = delete;
    TParallelDeflater &operator=(const TParallelDeflater &) = delete;

    // Queues a block (last: the end of the stream) and writes every block
    // that is finished and next in order; waits while too many are in flight.
    void Compress(DeflateBlockPtr block, bool last);
    // Waits for the queued blocks and writes them.
    void Finish();
    std::uint32_t Crc() const { return FCrc; }

private:
    struct TJob
    {
        DeflateBlockPtr Input;
        DeflateBlockPtr Previous; // its tail is the dictionary
        bool Last = false;
        bool Done = false;
        int Error = 0; // a zlib code
        std::vector<std::uint8_t> Output;
        std::uint32_t Crc = 0;
    };
    using JobPtr = std::shared_ptr<TJob>;

    void Work();
    static void Deflate(void *stream, TJob &job);
    void WriteOldest();

    TWriteFileStream &FDest;
    int FLevel;
    std::size_t FMaxInFlight;
    std::deque<JobPtr> FInOrder; // queued or finished, not yet written
    DeflateBlockPtr FPrevious;
    std::uint32_t FCrc = 0;

    std::mutex FMutex;
    std::condition_variable FWork;     // a job waits, or the end
    std::condition_variable FFinished; // a job is done
    std::deque<JobPtr> FPending;       // not yet taken by a thread
    bool FStopping = false;
    std::vector<std::thread> FThreads;
};
