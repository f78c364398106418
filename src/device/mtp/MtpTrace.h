#pragma once

// Timestamps of the backend's phases on standard error, for finding where a
// backup over MTP spends its time. Off unless TESSARIL_MTP_TRACE is set; then
// one line per event with the monotonic time in seconds.
// When off, a trace point costs one test of a flag read once.

bool MtpTraceEnabled();
void MtpTraceWrite(const char *format, ...) __attribute__((format(printf, 1, 2)));

#define MTP_TRACE(...)                                                                                                 \
    do {                                                                                                               \
        if (MtpTraceEnabled())                                                                                         \
            MtpTraceWrite(__VA_ARGS__);                                                                                \
    } while (false)
