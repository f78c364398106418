#include "device/mtp/MtpMapping.h"
#include "device/DeviceDates.h"

#include <gtest/gtest.h>
#include <libmtp.h>

#include <QDateTime>

#include <cerrno>

TEST(MtpMapping, FileTypesGiveContentTypeAndFormat)
{
    struct TCase
    {
        int FileType;
        TContentType Content;
        TObjectFormat Format;
    };
    const TCase cases[] = {
        {LIBMTP_FILETYPE_FOLDER, ctFolder, ofPropsOnly},
        {LIBMTP_FILETYPE_JPEG, ctImage, ofExif},
        {LIBMTP_FILETYPE_JFIF, ctImage, ofJpgInterchange},
        {LIBMTP_FILETYPE_PNG, ctImage, ofPng},
        {LIBMTP_FILETYPE_TIFF, ctImage, ofTiff},
        {LIBMTP_FILETYPE_MP3, ctAudio, ofMp3},
        {LIBMTP_FILETYPE_WAV, ctAudio, ofWave},
        {LIBMTP_FILETYPE_FLAC, ctAudio, ofFlac},
        {LIBMTP_FILETYPE_OGG, ctAudio, ofOgg},
        {LIBMTP_FILETYPE_AAC, ctAudio, ofAdvAudioCoding},
        {LIBMTP_FILETYPE_M4A, ctAudio, ofM4a},
        {LIBMTP_FILETYPE_MP4, ctVideo, ofMp4},
        {LIBMTP_FILETYPE_AVI, ctVideo, ofAvi},
        {LIBMTP_FILETYPE_WMV, ctVideo, ofWmv},
        {LIBMTP_FILETYPE_TEXT, ctDocument, ofText},
        {LIBMTP_FILETYPE_HTML, ctDocument, ofHtml},
        {LIBMTP_FILETYPE_XML, ctDocument, ofXml},
        {LIBMTP_FILETYPE_DOC, ctDocument, ofMSWord},
        {LIBMTP_FILETYPE_VCARD3, ctContact, ofVCard3},
        {LIBMTP_FILETYPE_VCALENDAR2, ctCalendar, ofICalendar},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(LIBMTP_Get_Filetype_Description(LIBMTP_filetype_t(c.FileType)));
        EXPECT_EQ(MtpContentType(c.FileType), c.Content);
        ASSERT_TRUE(MtpFormatOfFileType(c.FileType).has_value());
        EXPECT_EQ(ObjectFormatOf(*MtpFormatOfFileType(c.FileType)), c.Format);
    }
}

TEST(MtpMapping, UnknownFileTypeIsACopyableFileWhoseFormatTheDeviceMustTell)
{
    for (int type : {int(LIBMTP_FILETYPE_UNKNOWN), 9999, -1}) {
        EXPECT_EQ(MtpContentType(type), ctGenericFile);
        EXPECT_TRUE(CountsAsFile(MtpContentType(type)));
        EXPECT_FALSE(MtpFormatOfFileType(type).has_value());
    }
    // The device's own code maps onto the format table; codes beyond it keep their GUID.
    EXPECT_EQ(ObjectFormatOf(MtpFormatOfCode(0x3801)), ofExif);
    EXPECT_EQ(ObjectFormatOf(MtpFormatOfCode(0xB984)), of3Gp);
    EXPECT_EQ(ObjectFormatOf(MtpFormatOfCode(0x3000)), ofUnknown);
    EXPECT_EQ(MtpFormatOfCode(0xB909).Data1, 0xB9090000u);
}

TEST(MtpMapping, ErrorNumbersBecomeResultCodesWithTexts)
{
    struct TCase
    {
        int Number;
        std::string Text;
        HRESULT Result;
    };
    const TCase cases[] = {
        {mtpErrNone, "", S_OK},
        {mtpErrGeneral, "", HResultFromErrno(EIO)},
        {mtpErrPtpLayer, "PTP Layer error 2009: invalid object handle", HResultFromErrno(EPROTO)},
        {mtpErrPtpLayer, "PTP Layer error 02ff: could not get object", HResultFromErrno(EIO)},
        {mtpErrPtpLayer, "PTP I/O Error", HResultFromErrno(EIO)},
        {mtpErrUsbLayer, "", HResultFromErrno(EIO)},
        {mtpErrMemory, "", E_OUTOFMEMORY},
        {mtpErrNoDevice, "", HResultFromErrno(ENODEV)},
        {mtpErrStorageFull, "", HResultFromErrno(ENOSPC)},
        {mtpErrConnecting, "", HResultFromErrno(EBUSY)},
        {mtpErrCancelled, "", HResultFromErrno(ECANCELED)},
        {42, "", HResultFromErrno(EIO)},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Number);
        EXPECT_EQ(MtpErrorResult(c.Number, c.Text), c.Result);
        if (c.Number != mtpErrNone) {
            EXPECT_LT(MtpErrorResult(c.Number, c.Text), 0);
        }
    }
}

TEST(MtpMapping, ErrorStackPrefersAVanishedDeviceAndKeepsTheTexts)
{
    EXPECT_EQ(MtpErrorsResult({}, E_FAIL), E_FAIL);
    const std::vector<TMtpError> stack = {{mtpErrPtpLayer, "PTP Layer error 2009: x "}, {mtpErrNoDevice, "gone"}};
    EXPECT_EQ(MtpErrorsResult(stack, E_FAIL), HResultFromErrno(ENODEV));
    EXPECT_EQ(MtpErrorsResult({{mtpErrUsbLayer, "usb"}}, E_FAIL), HResultFromErrno(EIO));
    EXPECT_EQ(MtpErrorsText(stack), QStringLiteral("PTP Layer error 2009: x; gone"));
}

TEST(MtpMapping, DatesAreHandedOnAsLocalDateTimes)
{
    // The tests run in Europe/Berlin: 05:06:07 UTC on 4 March 2021 is 06:06:07 local.
    const std::time_t winter = QDateTime(QDate(2021, 3, 4), QTime(5, 6, 7), Qt::UTC).toSecsSinceEpoch();
    const TDateTime expected = QDate(1899, 12, 30).daysTo(QDate(2021, 3, 4)) + (6 * 3600 + 6 * 60 + 7) / 86400.0;
    ASSERT_TRUE(DeviceLocalDateTime(winter).has_value());
    EXPECT_NEAR(*DeviceLocalDateTime(winter), expected, 1e-9);
    // Summer time: 12:00 UTC is 14:00 local.
    const std::time_t summer = QDateTime(QDate(2022, 7, 1), QTime(12, 0), Qt::UTC).toSecsSinceEpoch();
    EXPECT_NEAR(*DeviceLocalDateTime(summer), QDate(1899, 12, 30).daysTo(QDate(2022, 7, 1)) + 14 / 24.0, 1e-9);
    // libmtp gives 0 when the device sent no date.
    EXPECT_FALSE(DeviceLocalDateTime(0).has_value());
}

TEST(MtpMapping, DevicePropertiesFromWhatLibmtpTells)
{
    EXPECT_EQ(MtpPowerLevel(100, 57), 57u);
    EXPECT_EQ(MtpPowerLevel(4, 3), 75u);
    EXPECT_EQ(MtpPowerLevel(10, 200), 100u);
    EXPECT_FALSE(MtpPowerLevel(0, 50).has_value());

    EXPECT_EQ(MtpProtocolText({{"microsoft.com", 1, 0}, {"android.com", 1, 0}}), QStringLiteral("MTP: 1.00"));
    EXPECT_EQ(MtpProtocolText({}), QStringLiteral("MTP"));

    using Types = std::vector<std::uint16_t>;
    const Types camera = {LIBMTP_FILETYPE_JPEG, LIBMTP_FILETYPE_FOLDER};
    const Types player = {LIBMTP_FILETYPE_MP3, LIBMTP_FILETYPE_WMA};
    const Types everything = {LIBMTP_FILETYPE_JPEG, LIBMTP_FILETYPE_MP3, LIBMTP_FILETYPE_MP4};
    EXPECT_EQ(MtpDeviceType({{"android.com", 1, 0}}, everything), 3u);
    EXPECT_EQ(MtpDeviceType({}, camera), 1u);
    EXPECT_EQ(MtpDeviceType({}, player), 2u);
    EXPECT_EQ(MtpDeviceType({}, everything), 0u);
    EXPECT_EQ(MtpDeviceType({}, Types{LIBMTP_FILETYPE_FOLDER}), 0u);
    EXPECT_FALSE(MtpDeviceType({}, std::nullopt).has_value());
}

TEST(MtpMapping, NameFallsBackFromFriendlyNameToModelToLibmtpTable)
{
    const TMtpRawDevice raw{1, 2, 0x18D1, 0x4EE1, "Google", "Nexus", 0};
    const TMtpRawDevice unknown{1, 2, 0x18D1, 0x4EE1, "", "", 0};
    EXPECT_EQ(MtpFallbackName(" My phone ", "Google", "Pixel 7", raw), QStringLiteral("My phone"));
    EXPECT_EQ(MtpFallbackName("", "Google", "Pixel 7", raw), QStringLiteral("Google Pixel 7"));
    EXPECT_EQ(MtpFallbackName("", "QEMU", "QEMU filesharing", raw), QStringLiteral("QEMU filesharing"));
    EXPECT_EQ(MtpFallbackName("", "", "", raw), QStringLiteral("Google Nexus"));
    EXPECT_EQ(MtpFallbackName("", "Acme", "", unknown), QStringLiteral("Acme"));
    EXPECT_EQ(MtpFallbackName("", "", "", unknown), QStringLiteral("MTP device 18D1:4EE1"));
}
