#pragma once

#include <QString>

#include <cstdint>

// Texts for platform error codes (errno values), HRESULT-style device codes
// and the composite codes the copy worker records.

// "System error: <text> (0x%.8x)"; an unknown code keeps only the prefix and the code.
QString SystemErrorText(std::uint32_t code);

// "<text> (0x%.8x)", or "Error code = 0x%.8x" when the code has no text.
QString ErrorCodeText(std::uint32_t code);

// The bare message text for a code, empty when there is none.
QString ErrorMessageText(std::uint32_t code);
