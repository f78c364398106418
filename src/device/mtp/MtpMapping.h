#pragma once

#include "base/FileData.h"
#include "base/SourceStream.h"
#include "device/DeviceTypes.h"
#include "device/mtp/MtpLibrary.h"

#include <QString>

#include <cstdint>
#include <ctime>
#include <optional>
#include <vector>

// How what libmtp reports becomes what the device layer expects. Pure
// functions: tested without a device.

// Content type of a libmtp file type.
TContentType MtpContentType(int fileType);

// Object format of a libmtp file type; std::nullopt where libmtp's type does
// not tell the MTP format code (its "unknown" type), so the device must be asked.
std::optional<TGuid> MtpFormatOfFileType(int fileType);

// The format of an MTP object format code as the device reported it.
TGuid MtpFormatOfCode(std::uint16_t code);

// An error number of libmtp as a result code.
HRESULT MtpErrorResult(int errorNumber, const std::string &text = std::string());
// The result code for a failed call from the error stack it left; `fallback`
// when the stack is empty. A vanished device wins over any other entry.
HRESULT MtpErrorsResult(const std::vector<TMtpError> &errors, HRESULT fallback);
// The error stack as one line for the log.
QString MtpErrorsText(const std::vector<TMtpError> &errors);

// Battery level as 0..100; std::nullopt when the maximum is unusable.
std::optional<std::uint32_t> MtpPowerLevel(std::uint8_t maximum, std::uint8_t current);

// The protocol text, "MTP: 1.00" when the device names the MTP extension version.
QString MtpProtocolText(const std::vector<TMtpExtension> &extensions);

// The device type (0 generic .. 6 audio recorder) from what the device
// supports; std::nullopt when nothing hints at one.
std::optional<std::uint32_t> MtpDeviceType(const std::vector<TMtpExtension> &extensions,
                                           const std::optional<std::vector<std::uint16_t>> &fileTypes);

// The name a device is listed under when it reports no friendly name.
QString MtpFallbackName(const std::string &friendlyName, const std::string &manufacturer, const std::string &model,
                        const TMtpRawDevice &raw);
