#include "device/ptp/PtpMapping.h"

#include <QDateTime>

#include <algorithm>
#include <cerrno>
#include <cstdio>

namespace {

struct TMimeEntry
{
    const char *MimeType;
    std::uint16_t FormatCode;
};

// The MIME types libgphoto2's PTP driver names, with their PTP format codes.
constexpr TMimeEntry MimeTable[] = {
    {"image/jpeg", 0x3801}, {"image/tiff", 0x380D},      {"image/png", 0x380B},  {"image/gif", 0x3807},
    {"image/bmp", 0x3804},  {"image/x-ms-bmp", 0x3804},  {"image/jp2", 0x380F},  {"video/x-msvideo", 0x300A},
    {"video/mpeg", 0x300B}, {"video/quicktime", 0x300D}, {"video/mp4", 0xB982},  {"audio/x-wav", 0x3008},
    {"audio/wav", 0x3008},  {"audio/mpeg", 0x3009},      {"text/plain", 0x3004}, {"text/html", 0x3005},
};

bool StartsWith(const std::string &text, const char *prefix)
{
    return text.rfind(prefix, 0) == 0;
}

} // namespace

HRESULT PtpErrorResult(int result)
{
    switch (result) {
    case ptpOk:
        return S_OK;
    case ptpNoMemory:
        return E_OUTOFMEMORY;
    case ptpBadParameters:
        return E_INVALIDARG;
    case ptpNotSupported:
        return HResultFromErrno(EOPNOTSUPP);
    case ptpTimeout:
        return HResultFromErrno(ETIMEDOUT);
    case ptpIoUsbFind:
    case ptpUnknownPort:
    case ptpModelNotFound:
        // The camera left the bus (or never was where the list said).
        return HResultFromErrno(ENODEV);
    case ptpIoUsbClaim:
    case ptpIoLock:
    case ptpCameraBusy:
        // Mostly another program holding the camera.
        return HResultFromErrno(EBUSY);
    case ptpDirectoryNotFound:
    case ptpFileNotFound:
        return HResultFromErrno(ENOENT);
    case ptpCancel:
        return HResultFromErrno(ECANCELED);
    case ptpCorruptedData:
        return HResultFromErrno(EBADMSG);
    case ptpNoSpace:
        return HResultFromErrno(ENOSPC);
    case ptpFixedLimitExceeded:
        return HResultFromErrno(EFBIG);
    case ptpCameraError:
        return HResultFromErrno(EPROTO);
    default:
        // Any other failure, on the link or in the driver.
        return result > 0 ? S_OK : HResultFromErrno(EIO);
    }
}

bool PtpUsbLocation(const std::string &port, unsigned &bus, unsigned &address)
{
    bus = 0;
    address = 0;
    unsigned first = 0;
    unsigned second = 0;
    int consumed = 0;
    if (std::sscanf(port.c_str(), "usb:%3u,%3u%n", &first, &second, &consumed) != 2 ||
        std::size_t(consumed) != port.size())
        return false;
    bus = first;
    address = second;
    return true;
}

bool PtpUsableName(const std::string &name)
{
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
}

TContentType PtpContentType(const std::string &mimeType)
{
    if (StartsWith(mimeType, "image/"))
        return ctImage;
    if (StartsWith(mimeType, "video/"))
        return ctVideo;
    if (StartsWith(mimeType, "audio/"))
        return ctAudio;
    if (StartsWith(mimeType, "text/"))
        return ctDocument;
    // Whatever the driver cannot name is still a file whose bytes can be copied.
    return ctGenericFile;
}

TGuid PtpFormatOfMimeType(const std::string &mimeType)
{
    for (const TMimeEntry &entry : MimeTable)
        if (mimeType == entry.MimeType)
            return ObjectFormatGuidOfCode(entry.FormatCode);
    return UnspecifiedFormatGuid();
}

std::optional<std::uint32_t> PtpPowerLevel(const std::string &text)
{
    unsigned level = 0;
    int consumed = 0;
    if (std::sscanf(text.c_str(), "%3u%n", &level, &consumed) != 1 || level > 100)
        return std::nullopt;
    const std::string rest = text.substr(std::size_t(consumed));
    if (!rest.empty() && rest != "%")
        return std::nullopt;
    return level;
}

QString PtpFriendlyName(const std::string &manufacturer, const std::string &model, const TPtpCameraPort &port)
{
    QString maker = QString::fromUtf8(manufacturer).trimmed();
    QString product = QString::fromUtf8(model).trimmed();
    if (!product.isEmpty()) {
        if (maker.isEmpty() || product.startsWith(maker, Qt::CaseInsensitive))
            return product;
        return maker + QLatin1Char(' ') + product;
    }
    if (!maker.isEmpty())
        return maker;
    const QString driverName = QString::fromUtf8(port.Model).trimmed();
    return driverName.isEmpty() ? QStringLiteral("PTP camera") : driverName;
}
