#pragma once

#include <cstdint>

// Result codes in the HRESULT form: negative is failure. The device layer and
// the copy worker share them, so that texts keep the "(0x%.8x)" form users know.
using HRESULT = std::int32_t;

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005);
inline constexpr HRESULT E_UNEXPECTED = static_cast<HRESULT>(0x8000FFFF);
inline constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057);
inline constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000E);
inline constexpr HRESULT E_ABORT = static_cast<HRESULT>(0x80004004);

constexpr bool Succeeded(HRESULT hr)
{
    return hr >= 0;
}
constexpr bool Failed(HRESULT hr)
{
    return hr < 0;
}

// errno value in the composite HRESULT form with facility 7, as the platform
// error codes are carried through device results.
constexpr HRESULT HResultFromErrno(int err)
{
    return err <= 0 ? static_cast<HRESULT>(err)
                    : static_cast<HRESULT>((static_cast<std::uint32_t>(err) & 0xFFFF) | (7u << 16) | 0x80000000u);
}
