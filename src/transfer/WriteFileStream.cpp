#include "transfer/WriteFileStream.h"

#include "base/ErrorText.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

TFileWriteHook &WriteHook()
{
    static TFileWriteHook hook;
    return hook;
}

ssize_t WriteSome(int fd, const void *buffer, size_t count)
{
    const TFileWriteHook &hook = WriteHook();
    return hook ? hook(fd, buffer, count) : ::write(fd, buffer, count);
}

} // namespace

bool FileWriteHookSet()
{
    return static_cast<bool>(WriteHook());
}

void SetFileWriteHook(TFileWriteHook hook)
{
    WriteHook() = std::move(hook);
}

EWriteFileStreamError::EWriteFileStreamError(std::int32_t code)
    : EWriteFileStreamError(code, SystemErrorText(static_cast<std::uint32_t>(code)))
{}

EWriteFileStreamError::EWriteFileStreamError(std::int32_t code, const QString &message)
    : std::runtime_error(message.toStdString()), FCode(code), FMessage(message)
{}

TWriteFileStream::TWriteFileStream(const QString &fileName, bool overwrite, std::uint32_t writeMode,
                                   std::uint16_t /*shareMode*/)
    : FFileName(fileName)
{
    int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (overwrite ? O_TRUNC : O_EXCL);
    if ((writeMode & FILE_FLAG_WRITE_THROUGH) != 0)
        flags |= O_DSYNC;
    FFd = ::open(QFile::encodeName(fileName).constData(), flags, 0666);
    if (FFd < 0)
        throw EWriteFileStreamError(errno);
    if ((writeMode & FILE_FLAG_SEQUENTIAL_SCAN) != 0)
        ::posix_fadvise(FFd, 0, 0, POSIX_FADV_SEQUENTIAL);
}

TWriteFileStream::~TWriteFileStream()
{
    if (FFd >= 0)
        ::close(FFd);
}

std::int32_t TWriteFileStream::Write(const void *buffer, std::int32_t count)
{
    const auto *source = static_cast<const char *>(buffer);
    std::int32_t written = 0;
    while (written < count) {
        const ssize_t done = WriteSome(FFd, source + written, static_cast<size_t>(count - written));
        if (done < 0 && errno == EINTR)
            continue;
        if (done < 0)
            throw EWriteFileStreamError(errno);
        if (done == 0)
            break;
        written += static_cast<std::int32_t>(done);
        FPosition += done;
    }
    return written;
}

void TWriteFileStream::Seek(std::int64_t position)
{
    const off_t result = ::lseek(FFd, static_cast<off_t>(position), SEEK_SET);
    if (result < 0)
        throw EWriteFileStreamError(errno);
    FPosition = result;
}

void TWriteFileStream::SeekToEnd()
{
    const off_t result = ::lseek(FFd, 0, SEEK_END);
    if (result < 0)
        throw EWriteFileStreamError(errno);
    FPosition = result;
}

void TWriteFileStream::Flush()
{
    if (::fdatasync(FFd) != 0)
        throw EWriteFileStreamError(errno);
}

void TWriteFileStream::Close()
{
    if (FFd < 0)
        return;
    const int fd = FFd;
    FFd = -1;
    if (::close(fd) != 0 && errno != EINTR)
        throw EWriteFileStreamError(errno);
}
