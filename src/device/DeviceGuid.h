#pragma once

#include <QString>

#include <array>
#include <cstdint>
#include <functional>

// A 128-bit identifier in the usual {8-4-4-4-12} form: content types and
// object formats are named by such values.
struct TGuid
{
    std::uint32_t Data1 = 0;
    std::uint16_t Data2 = 0;
    std::uint16_t Data3 = 0;
    std::array<std::uint8_t, 8> Data4 = {};

    constexpr bool IsNull() const { return *this == TGuid(); }
    constexpr bool operator==(const TGuid &other) const = default;

    // "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper-case digits.
    QString ToString() const;
};

inline constexpr TGuid GUID_NULL = {};

struct TGuidHash
{
    std::size_t operator()(const TGuid &guid) const noexcept
    {
        std::uint64_t value = guid.Data1 ^ (std::uint64_t(guid.Data2) << 32) ^ (std::uint64_t(guid.Data3) << 48);
        for (std::uint8_t byte : guid.Data4)
            value = value * 1099511628211ull ^ byte;
        return std::hash<std::uint64_t>()(value);
    }
};
