#pragma once

#include <cstdint>

// Result codes of a copy (or-ed with the output kind in ErrorCode).
inline constexpr std::uint32_t CopyErrorZipStructure = 5;
inline constexpr std::uint32_t CopyErrorCancelled = 128;
inline constexpr std::uint32_t CopyErrorCreate = 257;
inline constexpr std::uint32_t CopyErrorRead = 260;
inline constexpr std::uint32_t CopyErrorWrite = 261;
inline constexpr std::uint32_t CopyErrorResetAttributes = 262;
inline constexpr std::uint32_t CopyErrorDiskFull = 263;
inline constexpr std::uint32_t CopyErrorSetAttributes = 518;
inline constexpr std::uint32_t CopyErrorSetTimestamps = 527;

// The output kind, the high part of ErrorCode.
inline constexpr std::int32_t CopyTypePlain = 0x1000;
inline constexpr std::int32_t CopyTypeGzip = 0x2000;
inline constexpr std::int32_t CopyTypeZip = 0x4000;

enum TFileAction
{
    acCopy = 1,
    acCompress = 2,
};

enum TZCompressionLevel
{
    zcNone,
    zcFastest,
    zcDefault,
    zcMax,
};
