#pragma once

#include "base/FileData.h"
#include "base/Result.h"
#include "device/DeviceTypes.h"
#include "device/ptp/PtpLibrary.h"

#include <QString>

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

// How what libgphoto2 reports becomes what the device layer expects. Pure
// functions: tested without a camera.

// A libgphoto2 result code as a result code of the device layer (an errno in
// the composite form, whose system text tells the user what went wrong).
HRESULT PtpErrorResult(int result);

// USB bus and device address of a port path "usb:001,004"; false for any
// other port (serial, ptpip) or a path that does not parse.
bool PtpUsbLocation(const std::string &port, unsigned &bus, unsigned &address);

// Whether a name a camera lists can be used as one element of a camera path:
// not empty, not "." or "..", no "/" (which would address another folder).
bool PtpUsableName(const std::string &name);

// Content type and object format of a file from the MIME type the driver gives.
TContentType PtpContentType(const std::string &mimeType);
TGuid PtpFormatOfMimeType(const std::string &mimeType);

// Battery level 0..100 from the driver's text ("80%", "80"); std::nullopt
// for anything else.
std::optional<std::uint32_t> PtpPowerLevel(const std::string &text);

// The name a camera is listed under: its model, led by the manufacturer
// unless the model names it already; the driver's name for it when the
// camera tells neither.
QString PtpFriendlyName(const std::string &manufacturer, const std::string &model, const TPtpCameraPort &port);
