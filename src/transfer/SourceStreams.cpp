#include "transfer/SourceStreams.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

std::shared_ptr<TFileSourceStream> TFileSourceStream::Open(const QString &fileName, std::uint32_t &error)
{
    const int fd = ::open(QFile::encodeName(fileName).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = static_cast<std::uint32_t>(errno);
        return nullptr;
    }
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    error = 0;
    return std::make_shared<TFileSourceStream>(TOpenKey(), fd);
}

TFileSourceStream::~TFileSourceStream()
{
    ::close(FFd);
}

HRESULT TFileSourceStream::Read(void *buffer, std::uint32_t size, std::uint32_t &bytesRead)
{
    bytesRead = 0;
    auto *target = static_cast<char *>(buffer);
    while (bytesRead < size) {
        const ssize_t got = ::read(FFd, target + bytesRead, size - bytesRead);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return HResultFromErrno(errno);
        if (got == 0)
            break;
        bytesRead += static_cast<std::uint32_t>(got);
    }
    return S_OK;
}

HRESULT TMemorySourceStream::Read(void *buffer, std::uint32_t size, std::uint32_t &bytesRead)
{
    const qsizetype count = std::min<qsizetype>(size, FData.size() - FPosition);
    if (count > 0)
        std::memcpy(buffer, FData.constData() + FPosition, static_cast<size_t>(count));
    FPosition += count;
    bytesRead = static_cast<std::uint32_t>(count);
    return S_OK;
}

TGeneratedSourceStream::TGeneratedSourceStream(std::uint64_t size, TGeneratedContent content, std::uint32_t seed)
    : FRemaining(size), FContent(content), FState(0x9E3779B97F4A7C15ull ^ seed)
{}

HRESULT TGeneratedSourceStream::Read(void *buffer, std::uint32_t size, std::uint32_t &bytesRead)
{
    bytesRead = static_cast<std::uint32_t>(std::min<std::uint64_t>(size, FRemaining));
    Fill(static_cast<std::uint8_t *>(buffer), bytesRead);
    FRemaining -= bytesRead;
    FPosition += bytesRead;
    return S_OK;
}

void TGeneratedSourceStream::Fill(std::uint8_t *buffer, std::uint32_t size)
{
    if (FContent == TGeneratedContent::Zeros) {
        std::memset(buffer, 0, size);
        return;
    }
    if (FContent == TGeneratedContent::Random) {
        std::uint32_t i = 0;
        for (; i + 8 <= size; i += 8) {
            // xorshift64*: fast, and deflate finds nothing to shorten in it.
            FState ^= FState >> 12;
            FState ^= FState << 25;
            FState ^= FState >> 27;
            const std::uint64_t value = FState * 0x2545F4914F6CDD1Dull;
            std::memcpy(buffer + i, &value, 8);
        }
        for (; i < size; ++i)
            buffer[i] = static_cast<std::uint8_t>(FState >> (i % 8 * 8));
        return;
    }
    // Words drawn at random from a small vocabulary: deflate shrinks this to
    // about a third, as it does with ordinary documents.
    static const char *const words[] = {
        "photo",  "video", "music",   "backup",  "device",   "folder",  "camera",   "image",  "album",
        "memory", "card",  "holiday", "beach",   "mountain", "family",  "birthday", "garden", "summer",
        "winter", "city",  "river",   "friends", "evening",  "morning", "the",      "a",      "of",
        "and",    "to",    "in",      "with",    "from",     "2024",    "2025",     "IMG",    "DSC",
        "jpg",    "mp4",   "Berlin",  "Paris",   "Rome",     "Oslo",    "red",      "blue",   "green",
        "small",  "large", "old",     "new",     "first",    "last",    "one",      "two",    "three",
        "four",   "five",  "six",     "seven",   "eight",    "nine",    "ten",      "day",    "night"};
    constexpr std::uint64_t wordCount = sizeof(words) / sizeof(words[0]);
    for (std::uint32_t i = 0; i < size; ++i) {
        const char *word = words[FWord % wordCount];
        const std::uint32_t length = static_cast<std::uint32_t>(std::strlen(word));
        if (FWordOffset < length) {
            buffer[i] = static_cast<std::uint8_t>(word[FWordOffset++]);
            continue;
        }
        buffer[i] = (FWord >> 8) % 12 == 0 ? '\n' : ' ';
        FState ^= FState >> 12;
        FState ^= FState << 25;
        FState ^= FState >> 27;
        FWord = FState * 0x2545F4914F6CDD1Dull >> 32;
        FWordOffset = 0;
    }
}
