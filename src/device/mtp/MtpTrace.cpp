#include "device/mtp/MtpTrace.h"

#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

bool MtpTraceEnabled()
{
    static const bool enabled = std::getenv("TESSARIL_MTP_TRACE") != nullptr;
    return enabled;
}

void MtpTraceWrite(const char *format, ...)
{
    using namespace std::chrono;
    // Seconds of the monotonic clock, which reads as the uptime on Linux, so
    // that the lines line up with times a script takes from /proc/uptime.
    const double now = duration<double>(steady_clock::now().time_since_epoch()).count();
    char line[512];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(line, sizeof line, format, arguments);
    va_end(arguments);
    // One write per line, so that lines of two threads do not interleave.
    std::fprintf(stderr, "mtp-trace %.6f %s\n", now, line);
}
