#pragma once

#include <QString>

#include <cstdint>

// Texts for platform error codes (errno values), HRESULT-style device codes
// and the composite codes the copy worker records. A code with facility 7
// (0x8007xxxx or 0x0007xxxx) carries an errno in its low 16 bits; the few
// device codes that are no errno (E_FAIL, E_ABORT, E_INVALIDARG, ...) have
// texts of their own.

// "System error: <text> (0x%.8x)"; an unknown code keeps only the prefix and the code.
QString SystemErrorText(std::uint32_t code);

// "<text> (0x%.8x)", or "Error code = 0x%.8x" when the code has no text.
QString ErrorCodeText(std::uint32_t code);

// The bare message text for a code without trailing blanks or full stop, empty
// when there is none.
QString ErrorMessageText(std::uint32_t code);
