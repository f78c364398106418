#include "device/DeviceError.h"
#include "device/DeviceService.h"
#include "device/DeviceTypes.h"

#include <gtest/gtest.h>

#include <set>

TEST(DeviceTables, ContentTypesHaveDistinctGuidsAndFileFlags)
{
    std::set<QString> guids;
    for (int i = 0; i < ContentTypeCount; ++i)
        guids.insert(ContentTypeGuid(TContentType(i)).ToString());
    EXPECT_EQ(guids.size(), 29u);
    EXPECT_EQ(ContentTypeGuid(ctUnknown).ToString(), QStringLiteral("{80E170D2-1055-4A3E-B952-82CC4F8A8689}"));
    EXPECT_EQ(ContentTypeOf(ContentTypeGuid(ctMediaCast)), ctMediaCast);
    EXPECT_EQ(ContentTypeOf(GUID_NULL), ctUnknown);

    const std::set<TContentType> files = {ctImage,          ctDocument,        ctContact,     ctAudio,
                                          ctVideo,          ctTelevision,      ctPlayList,    ctMemo,
                                          ctEmail,          ctProgram,         ctGenericFile, ctCalendar,
                                          ctGenericMessage, ctTypeCertificate, ctMediaCast,   ctUnspecified};
    for (int i = 0; i < ContentTypeCount; ++i)
        EXPECT_EQ(CountsAsFile(TContentType(i)), files.count(TContentType(i)) == 1) << i;
}

TEST(DeviceTables, ObjectFormatsFollowCodesAndExtensions)
{
    std::set<QString> guids;
    for (int i = 0; i < ObjectFormatCount; ++i)
        guids.insert(ObjectFormatGuid(TObjectFormat(i)).ToString());
    EXPECT_EQ(guids.size(), 60u);

    struct Case
    {
        TObjectFormat Format;
        const char *Guid;
        const char *Extension;
    };
    const Case cases[] = {
        {ofUnknown, "{30000000-AE6C-4804-98BA-C57B46965FE7}", ""},
        {ofExif, "{38010000-AE6C-4804-98BA-C57B46965FE7}", "jpg"},
        {ofWmv, "{B9810000-AE6C-4804-98BA-C57B46965FE7}", "wmv"},
        {ofWplPlaylist, "{BA100000-AE6C-4804-98BA-C57B46965FE7}", "wpl"},
        {ofIcon, "{077232ED-102C-4638-9C22-83F142BFC822}", "ico"},
        {ofM4a, "{30ABA7AC-6FFD-4C23-A359-3E9B52F3F1C8}", "m4a"},
        {of3Gpa, "{E5172730-F971-41EF-A10B-2271A0019D7A}", "gpa"},
        {ofPropsOnly, "{30010000-AE6C-4804-98BA-C57B46965FE7}", ""},
        {ofVCard3, "{BB830000-AE6C-4804-98BA-C57B46965FE7}", "vcf"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(ObjectFormatGuid(c.Format).ToString(), QLatin1String(c.Guid)) << c.Extension;
        EXPECT_EQ(ObjectFormatExtension(c.Format), QLatin1String(c.Extension));
        EXPECT_EQ(ObjectFormatOf(ObjectFormatGuid(c.Format)), c.Format);
    }
    EXPECT_EQ(ObjectFormatOf(ObjectFormatGuidOfCode(0x3809)), ofPtCloudData);
    EXPECT_EQ(ObjectFormatOf(ObjectFormatGuidOfCode(0xFFFF)), ofUnknown);
}

TEST(DeviceCallError, MessageCarriesContextTextAndCode)
{
    EXPECT_NO_THROW(CheckDeviceCall(S_OK, QStringLiteral("Ctx")));
    EXPECT_NO_THROW(CheckDeviceCall(S_FALSE, QStringLiteral("Ctx")));
    try {
        CheckDeviceCall(E_FAIL, QStringLiteral("TPortableDevice.Create:IPortableDevice.Open"));
        FAIL() << "no error raised";
    } catch (const EDeviceCallError &error) {
        EXPECT_EQ(error.ErrorCode(), E_FAIL);
        EXPECT_EQ(error.Message(),
                  QStringLiteral(
                      "Error calling: TPortableDevice.Create:IPortableDevice.Open : Unspecified error (0x80004005)"));
    }
    EXPECT_EQ(DeviceCallMessage(E_DEVICE_IO, QStringLiteral("X")),
              QStringLiteral("Error calling: X : Input/output error (0x80070005)"));
    EXPECT_EQ(DeviceCallMessage(static_cast<HRESULT>(0x8123ABCD), QStringLiteral("X")),
              QStringLiteral("Error calling: X : <Unknown error code>"));
}

TEST(DeviceCallError, ErrorListKeepsCodesByEntry)
{
    TErrorList list;
    list.AddError(QStringLiteral("a"), 0x80004005u);
    list.AddError(QStringLiteral("b"), 7u);
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Strings(1), QStringLiteral("b"));
    EXPECT_EQ(list.GetErrorCode(0), 0x80004005u);
    EXPECT_EQ(list.GetErrorCode(1), 7u);
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
}
