#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <sys/types.h>
#include <utility>

inline constexpr std::uint32_t FILE_FLAG_SEQUENTIAL_SCAN = 0x08000000;
inline constexpr std::uint32_t FILE_FLAG_WRITE_THROUGH = 0x80000000;

// A failed create or write of the destination; the code is an errno value.
class EWriteFileStreamError : public std::runtime_error
{
public:
    // The message is SystemErrorText(code).
    explicit EWriteFileStreamError(std::int32_t code);
    EWriteFileStreamError(std::int32_t code, const QString &message);

    std::int32_t ErrorCode() const { return FCode; }
    const QString &Message() const { return FMessage; }

private:
    std::int32_t FCode;
    QString FMessage;
};

// The destination file of a copy, written sequentially with an occasional
// seek back to fill in sizes. Unbuffered: every Write is one system write.
class TWriteFileStream
{
public:
    // Creates the file (truncating an existing one when overwrite is true,
    // failing on an existing one otherwise). FILE_FLAG_WRITE_THROUGH in
    // writeMode writes synchronously. Linux has no share modes; shareMode is
    // kept for callers that pass one. Throws EWriteFileStreamError.
    TWriteFileStream(const QString &fileName, bool overwrite, std::uint32_t writeMode, std::uint16_t shareMode = 0);
    // Takes over a file opened elsewhere (one without a name); fileName is the
    // name it is meant to get.
    TWriteFileStream(int fd, const QString &fileName) : FFileName(fileName), FFd(fd) {}
    ~TWriteFileStream();
    TWriteFileStream(const TWriteFileStream &) = delete;
    TWriteFileStream &operator=(const TWriteFileStream &) = delete;

    // Writes all count bytes and returns how many were written; throws on failure.
    std::int32_t Write(const void *buffer, std::int32_t count);
    std::int64_t Position() const { return FPosition; }
    // Moves to an absolute position; throws on failure.
    void Seek(std::int64_t position);
    void SeekToEnd();
    // Forces the data to the disk; throws on failure.
    void Flush();
    // Closes the file, reporting a failure of the close itself; throws on failure.
    void Close();
    // Hands the open file over to the caller, who closes it; -1 once closed.
    int TakeHandle() { return std::exchange(FFd, -1); }

    const QString &FileName() const { return FFileName; }
    // The open file, for changes a stream does not offer (owner, mode); -1 once closed.
    int Handle() const { return FFd; }

private:
    QString FFileName;
    int FFd = -1;
    std::int64_t FPosition = 0;
};

// Test hook: called in place of write(2) for the bytes of every destination
// file; return what write(2) would (set errno on -1). An empty function
// restores write(2). Set it while no copy runs.
using TFileWriteHook = std::function<ssize_t(int fd, const void *buffer, size_t count)>;
void SetFileWriteHook(TFileWriteHook hook);
// Whether a hook is set: copies that bypass write(2) must not run then.
bool FileWriteHookSet();
