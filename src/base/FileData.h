#pragma once

#include "base/SourceStream.h"

#include <QString>

#include <cstdint>

// 100-nanosecond intervals since 1601-01-01 00:00 UTC.
using TFileTime = std::uint64_t;
// Days since 1899-12-30; the fraction is the time of day.
using TDateTime = double;

inline constexpr std::uint32_t FILE_ATTRIBUTE_READONLY = 0x01;
inline constexpr std::uint32_t FILE_ATTRIBUTE_DIRECTORY = 0x10;
inline constexpr std::uint32_t FILE_ATTRIBUTE_ARCHIVE = 0x20;
inline constexpr std::uint32_t FILE_ATTRIBUTE_NORMAL = 0x80;
inline constexpr std::uint32_t FILE_ATTRIBUTE_REPARSE_POINT = 0x400;
inline constexpr std::uint32_t INVALID_FILE_ATTRIBUTES = 0xFFFFFFFF;

struct TFileTimestamps
{
    bool Valid = false;
    TFileTime CreationTime = 0;
    TFileTime LastAccessTime = 0;
    TFileTime LastWriteTime = 0;

    void Reset() { *this = TFileTimestamps(); }
    // Both arguments are local date-times.
    void SetLocalTimes(TDateTime creation, TDateTime modified);
};

struct TFileStreamData
{
    SourceStreamPtr FileStream;
    std::uint32_t BufferSize = 0;

    void Reset()
    {
        FileStream.reset();
        BufferSize = 0;
    }
};

struct TFileData
{
    QString FileName;
    QString FullPath;
    TFileStreamData StreamData;
    std::int64_t FileSize = 0;
    std::uint32_t FileAttr = FILE_ATTRIBUTE_ARCHIVE;
    TFileTimestamps TimeStamps;

    void Reset()
    {
        FileName.clear();
        FullPath.clear();
        FileSize = 0;
        FileAttr = FILE_ATTRIBUTE_ARCHIVE;
        TimeStamps.Reset();
        StreamData.Reset();
    }
    // Local creation time; 1980-01-01 00:00 when it cannot be converted.
    TDateTime CreationDateTime() const;
};
