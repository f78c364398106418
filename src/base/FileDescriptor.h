#pragma once

#include <unistd.h>

// Owns a POSIX file descriptor and closes it on every path out.
class TFileDescriptor
{
public:
    explicit TFileDescriptor(int fd = -1) : FFd(fd) {}
    ~TFileDescriptor()
    {
        if (FFd >= 0)
            ::close(FFd);
    }
    TFileDescriptor(const TFileDescriptor &) = delete;
    TFileDescriptor &operator=(const TFileDescriptor &) = delete;

    int Get() const { return FFd; }
    // Closes the descriptor held, if any, and holds fd instead.
    void Reset(int fd = -1)
    {
        if (FFd >= 0)
            ::close(FFd);
        FFd = fd;
    }
    bool IsOpen() const { return FFd >= 0; }
    // Closes now and reports the result, since a failed close may mean lost data.
    int Close()
    {
        const int result = ::close(FFd);
        FFd = -1;
        return result;
    }

private:
    int FFd;
};
