#include "device/mtp/MtpMapping.h"

#include <libmtp.h>

#include <QDateTime>
#include <QStringList>

#include <algorithm>
#include <cerrno>

namespace {

struct TFileTypeEntry
{
    int FileType;
    TContentType ContentType;
    std::uint16_t FormatCode; // 0: no code of its own (see MtpFormatOfFileType)
};

// libmtp's file types and the MTP format codes it derives them from. libmtp
// maps a format code to a type one-to-one for these, so the code comes back
// without asking the device again.
constexpr TFileTypeEntry FileTypeTable[] = {
    {LIBMTP_FILETYPE_FOLDER, ctFolder, 0x3001},
    {LIBMTP_FILETYPE_WAV, ctAudio, 0x3008},
    {LIBMTP_FILETYPE_MP3, ctAudio, 0x3009},
    {LIBMTP_FILETYPE_WMA, ctAudio, 0xB901},
    {LIBMTP_FILETYPE_OGG, ctAudio, 0xB902},
    {LIBMTP_FILETYPE_AUDIBLE, ctAudio, 0xB904},
    {LIBMTP_FILETYPE_MP4, ctVideo, 0xB982},
    {LIBMTP_FILETYPE_UNDEF_AUDIO, ctAudio, 0xB900},
    {LIBMTP_FILETYPE_WMV, ctVideo, 0xB981},
    {LIBMTP_FILETYPE_AVI, ctVideo, 0x300A},
    {LIBMTP_FILETYPE_MPEG, ctVideo, 0x300B},
    {LIBMTP_FILETYPE_ASF, ctVideo, 0x300C},
    {LIBMTP_FILETYPE_QT, ctVideo, 0x300D},
    {LIBMTP_FILETYPE_UNDEF_VIDEO, ctVideo, 0xB980},
    {LIBMTP_FILETYPE_JPEG, ctImage, 0x3801},
    {LIBMTP_FILETYPE_JFIF, ctImage, 0x3808},
    {LIBMTP_FILETYPE_TIFF, ctImage, 0x380D},
    {LIBMTP_FILETYPE_BMP, ctImage, 0x3804},
    {LIBMTP_FILETYPE_GIF, ctImage, 0x3807},
    {LIBMTP_FILETYPE_PICT, ctImage, 0x380A},
    {LIBMTP_FILETYPE_PNG, ctImage, 0x380B},
    {LIBMTP_FILETYPE_VCALENDAR1, ctCalendar, 0xBE02},
    {LIBMTP_FILETYPE_VCALENDAR2, ctCalendar, 0xBE03},
    {LIBMTP_FILETYPE_VCARD2, ctContact, 0xBB82},
    {LIBMTP_FILETYPE_VCARD3, ctContact, 0xBB83},
    {LIBMTP_FILETYPE_WINDOWSIMAGEFORMAT, ctImage, 0xB881},
    {LIBMTP_FILETYPE_WINEXEC, ctProgram, 0xBE80},
    {LIBMTP_FILETYPE_TEXT, ctDocument, 0x3004},
    {LIBMTP_FILETYPE_HTML, ctDocument, 0x3005},
    {LIBMTP_FILETYPE_FIRMWARE, ctGenericFile, 0xB802},
    {LIBMTP_FILETYPE_AAC, ctAudio, 0xB903},
    {LIBMTP_FILETYPE_MEDIACARD, ctGenericFile, 0xB211},
    {LIBMTP_FILETYPE_FLAC, ctAudio, 0xB906},
    {LIBMTP_FILETYPE_MP2, ctAudio, 0xB983},
    {LIBMTP_FILETYPE_M4A, ctAudio, 0}, // its format has a GUID of its own
    {LIBMTP_FILETYPE_DOC, ctDocument, 0xBA83},
    {LIBMTP_FILETYPE_XML, ctDocument, 0xBA82},
    {LIBMTP_FILETYPE_XLS, ctDocument, 0xBA85},
    {LIBMTP_FILETYPE_PPT, ctDocument, 0xBA86},
    {LIBMTP_FILETYPE_MHT, ctDocument, 0xBA84},
    {LIBMTP_FILETYPE_JP2, ctImage, 0x380F},
    {LIBMTP_FILETYPE_JPX, ctImage, 0x3810},
    {LIBMTP_FILETYPE_ALBUM, ctAudioAlbum, 0xBA03},
    {LIBMTP_FILETYPE_PLAYLIST, ctPlayList, 0xBA05},
};

const TFileTypeEntry *FindFileType(int fileType)
{
    for (const TFileTypeEntry &entry : FileTypeTable)
        if (entry.FileType == fileType)
            return &entry;
    return nullptr;
}

bool Contains(const std::vector<std::uint16_t> &types, std::initializer_list<int> wanted)
{
    return std::any_of(wanted.begin(), wanted.end(), [&](int type) {
        return std::find(types.begin(), types.end(), std::uint16_t(type)) != types.end();
    });
}

bool MentionsIoFailure(const std::string &text)
{
    // libmtp reports a link that broke (a pulled cable) as PTP_ERROR_IO, 0x02FF.
    return text.find("02ff") != std::string::npos || text.find("02FF") != std::string::npos ||
           text.find("I/O") != std::string::npos;
}

} // namespace

TContentType MtpContentType(int fileType)
{
    const TFileTypeEntry *entry = FindFileType(fileType);
    // Whatever libmtp does not know is still a file whose bytes can be copied.
    return entry ? entry->ContentType : ctGenericFile;
}

std::optional<TGuid> MtpFormatOfFileType(int fileType)
{
    if (fileType == LIBMTP_FILETYPE_M4A)
        return ObjectFormatGuid(ofM4a);
    const TFileTypeEntry *entry = FindFileType(fileType);
    if (!entry)
        return std::nullopt;
    return ObjectFormatGuidOfCode(entry->FormatCode);
}

TGuid MtpFormatOfCode(std::uint16_t code)
{
    return ObjectFormatGuidOfCode(code);
}

HRESULT MtpErrorResult(int errorNumber, const std::string &text)
{
    switch (errorNumber) {
    case mtpErrNone:
        return S_OK;
    case mtpErrPtpLayer:
        return HResultFromErrno(MentionsIoFailure(text) ? EIO : EPROTO);
    case mtpErrUsbLayer:
        return HResultFromErrno(EIO);
    case mtpErrMemory:
        return E_OUTOFMEMORY;
    case mtpErrNoDevice:
        return HResultFromErrno(ENODEV);
    case mtpErrStorageFull:
        return HResultFromErrno(ENOSPC);
    case mtpErrConnecting:
        // Mostly another program holding the device.
        return HResultFromErrno(EBUSY);
    case mtpErrCancelled:
        return HResultFromErrno(ECANCELED);
    default:
        return HResultFromErrno(EIO);
    }
}

HRESULT MtpErrorsResult(const std::vector<TMtpError> &errors, HRESULT fallback)
{
    for (const TMtpError &error : errors)
        if (error.Number == mtpErrNoDevice)
            return MtpErrorResult(error.Number);
    for (const TMtpError &error : errors)
        if (error.Number != mtpErrNone)
            return MtpErrorResult(error.Number, error.Text);
    return fallback;
}

QString MtpErrorsText(const std::vector<TMtpError> &errors)
{
    QStringList lines;
    for (const TMtpError &error : errors)
        lines.append(QString::fromUtf8(error.Text).trimmed());
    return lines.join(QStringLiteral("; "));
}

std::optional<std::uint32_t> MtpPowerLevel(std::uint8_t maximum, std::uint8_t current)
{
    if (maximum == 0)
        return std::nullopt;
    return std::min<std::uint32_t>(100, (std::uint32_t(current) * 100 + maximum / 2) / maximum);
}

QString MtpProtocolText(const std::vector<TMtpExtension> &extensions)
{
    for (const TMtpExtension &extension : extensions)
        if (extension.Name == "microsoft.com")
            return QString::asprintf("MTP: %d.%02d", extension.Major, extension.Minor);
    return QStringLiteral("MTP");
}

std::optional<std::uint32_t> MtpDeviceType(const std::vector<TMtpExtension> &extensions,
                                           const std::optional<std::vector<std::uint16_t>> &fileTypes)
{
    // libmtp does not hand out the device's own "perceived device type", so
    // the type is inferred: Android's MTP extension means a phone, and a
    // device that stores only pictures or only sound says what it is.
    for (const TMtpExtension &extension : extensions)
        if (extension.Name == "android.com")
            return 3; // phone
    if (!fileTypes)
        return std::nullopt;
    const bool images = Contains(*fileTypes, {LIBMTP_FILETYPE_JPEG, LIBMTP_FILETYPE_JFIF, LIBMTP_FILETYPE_TIFF,
                                              LIBMTP_FILETYPE_PNG, LIBMTP_FILETYPE_BMP, LIBMTP_FILETYPE_GIF});
    const bool audio =
        Contains(*fileTypes, {LIBMTP_FILETYPE_MP3, LIBMTP_FILETYPE_WMA, LIBMTP_FILETYPE_OGG, LIBMTP_FILETYPE_FLAC,
                              LIBMTP_FILETYPE_AAC, LIBMTP_FILETYPE_WAV, LIBMTP_FILETYPE_M4A});
    const bool video =
        Contains(*fileTypes, {LIBMTP_FILETYPE_MP4, LIBMTP_FILETYPE_WMV, LIBMTP_FILETYPE_AVI, LIBMTP_FILETYPE_MPEG});
    if (images && !audio)
        return 1; // camera
    if (audio && !images && !video)
        return 2; // media player
    return 0;     // generic
}

QString MtpFallbackName(const std::string &friendlyName, const std::string &manufacturer, const std::string &model,
                        const TMtpRawDevice &raw)
{
    QString friendly = QString::fromUtf8(friendlyName).trimmed();
    if (!friendly.isEmpty())
        return friendly;
    QString maker = QString::fromUtf8(manufacturer).trimmed();
    QString product = QString::fromUtf8(model).trimmed();
    if (!product.isEmpty()) {
        if (maker.isEmpty() || product.startsWith(maker, Qt::CaseInsensitive))
            return product;
        return maker + QLatin1Char(' ') + product;
    }
    const QString tableVendor = QString::fromUtf8(raw.Vendor).trimmed();
    const QString tableProduct = QString::fromUtf8(raw.Product).trimmed();
    if (!tableProduct.isEmpty())
        return tableVendor.isEmpty() ? tableProduct : tableVendor + QLatin1Char(' ') + tableProduct;
    if (!maker.isEmpty())
        return maker;
    return QString::asprintf("MTP device %04X:%04X", raw.VendorId, raw.ProductId);
}
