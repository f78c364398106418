#include "transfer/writers/ParallelDeflater.h"

#include "base/ErrorText.h"
#include "transfer/writers/Deflater.h"

#include <zlib.h>

#include <algorithm>

namespace {

// The largest distance a deflate match may reach back.
constexpr std::uint32_t DictionarySize = 32768;

QString ZlibText(int code)
{
    return QString::fromLatin1(zError(code));
}

} // namespace

TParallelDeflater::TParallelDeflater(TWriteFileStream &dest, TZCompressionLevel level, unsigned threads)
    : FDest(dest), FLevel(ZlibLevel(level)), FMaxInFlight(std::size_t{std::max(1u, threads)} * 2)
{
    try {
        for (unsigned i = 0; i < std::max(1u, threads); ++i)
            FThreads.emplace_back([this] { Work(); });
    } catch (const std::system_error &error) {
        // Fewer threads only cost time; none at all cannot compress.
        if (FThreads.empty())
            throw ECompressError(SystemErrorText(static_cast<std::uint32_t>(error.code().value())));
    }
}

TParallelDeflater::~TParallelDeflater()
{
    {
        std::lock_guard lock(FMutex);
        FStopping = true;
        FPending.clear();
    }
    FWork.notify_all();
    for (std::thread &thread : FThreads)
        thread.join();
}

void TParallelDeflater::Compress(DeflateBlockPtr block, bool last)
{
    auto job = std::make_shared<TJob>();
    job->Input = block;
    job->Previous = FPrevious;
    job->Last = last;
    FPrevious = std::move(block);
    while (FInOrder.size() >= FMaxInFlight)
        WriteOldest();
    FInOrder.push_back(job);
    {
        std::lock_guard lock(FMutex);
        FPending.push_back(std::move(job));
    }
    FWork.notify_one();
    // Whatever is done already goes out now, so memory stays bounded.
    for (;;) {
        {
            std::lock_guard lock(FMutex);
            if (FInOrder.empty() || !FInOrder.front()->Done)
                break;
        }
        WriteOldest();
    }
}

void TParallelDeflater::Finish()
{
    while (!FInOrder.empty())
        WriteOldest();
    FPrevious.reset();
}

void TParallelDeflater::WriteOldest()
{
    JobPtr job = FInOrder.front();
    {
        std::unique_lock lock(FMutex);
        FFinished.wait(lock, [&] { return job->Done; });
    }
    FInOrder.pop_front();
    if (job->Error != Z_OK)
        throw ECompressError(ZlibText(job->Error));
    FCrc = static_cast<std::uint32_t>(crc32_combine(FCrc, job->Crc, static_cast<z_off_t>(job->Input->Size)));
    if (job->Output.empty())
        return;
    try {
        const auto size = static_cast<std::int32_t>(job->Output.size());
        if (FDest.Write(job->Output.data(), size) < size)
            throw EWriteFileStreamError(ENOSPC);
    } catch (const EWriteFileStreamError &error) {
        throw ECompressError(ErrorCodeText(static_cast<std::uint32_t>(error.ErrorCode())));
    }
}

void TParallelDeflater::Work()
{
    z_stream stream{};
    const int init =
        deflateInit2(&stream, FLevel, Z_DEFLATED, RawDeflateWindowBits, DeflateMemoryLevel, Z_DEFAULT_STRATEGY);
    for (;;) {
        JobPtr job;
        {
            std::unique_lock lock(FMutex);
            FWork.wait(lock, [this] { return FStopping || !FPending.empty(); });
            if (FStopping)
                break;
            job = std::move(FPending.front());
            FPending.pop_front();
        }
        if (init != Z_OK)
            job->Error = init;
        else
            Deflate(&stream, *job);
        {
            std::lock_guard lock(FMutex);
            job->Done = true;
        }
        FFinished.notify_all();
    }
    if (init == Z_OK)
        deflateEnd(&stream);
}

void TParallelDeflater::Deflate(void *streamPointer, TJob &job)
{
    auto &stream = *static_cast<z_stream *>(streamPointer);
    const TDeflateBlock &input = *job.Input;
    job.Crc = static_cast<std::uint32_t>(crc32(0, input.Data.get(), input.Size));
    int result = deflateReset(&stream);
    if (result == Z_OK && job.Previous && job.Previous->Size > 0) {
        const std::uint32_t length = std::min(DictionarySize, job.Previous->Size);
        result = deflateSetDictionary(&stream, job.Previous->Data.get() + (job.Previous->Size - length), length);
    }
    if (result != Z_OK) {
        job.Error = result;
        return;
    }
    // Room for the worst case and the end markers; grown if deflate disagrees.
    job.Output.resize(deflateBound(&stream, input.Size) + 16);
    stream.next_in = input.Data.get();
    stream.avail_in = input.Size;
    const int flush = job.Last ? Z_FINISH : Z_SYNC_FLUSH;
    std::size_t used = 0;
    for (;;) {
        stream.next_out = job.Output.data() + used;
        stream.avail_out = static_cast<uInt>(job.Output.size() - used);
        result = deflate(&stream, flush);
        used = job.Output.size() - stream.avail_out;
        if (result == Z_STREAM_ERROR) {
            job.Error = result;
            return;
        }
        const bool complete = job.Last ? result == Z_STREAM_END : stream.avail_in == 0 && stream.avail_out != 0;
        if (complete)
            break;
        job.Output.resize(job.Output.size() * 2);
    }
    job.Output.resize(used);
    job.Error = Z_OK;
}
