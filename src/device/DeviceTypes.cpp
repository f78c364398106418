#include "device/DeviceTypes.h"

#include <array>

namespace {

constexpr TGuid Guid(std::uint32_t d1, std::uint16_t d2, std::uint16_t d3, std::uint16_t d4, std::uint64_t d5)
{
    return TGuid{d1,
                 d2,
                 d3,
                 {std::uint8_t(d4 >> 8), std::uint8_t(d4), std::uint8_t(d5 >> 40), std::uint8_t(d5 >> 32),
                  std::uint8_t(d5 >> 24), std::uint8_t(d5 >> 16), std::uint8_t(d5 >> 8), std::uint8_t(d5)}};
}

constexpr TGuid FormatCodeGuid(std::uint16_t code)
{
    return Guid(std::uint32_t(code) << 16, 0xAE6C, 0x4804, 0x98BA, 0xC57B46965FE7);
}

// Indexed by TContentType.
constexpr std::array<TGuid, ContentTypeCount> ContentTypeGuids = {
    Guid(0x80E170D2, 0x1055, 0x4A3E, 0xB952, 0x82CC4F8A8689), // ctUnknown: all content types
    Guid(0x99ED0160, 0x17FF, 0x4C44, 0x9D98, 0x1D7A6F941921), // ctFunctionalObject
    Guid(0x27E2E392, 0xA111, 0x48E0, 0xAB0C, 0xE17705A05F85), // ctFolder
    Guid(0xEF2107D5, 0xA52A, 0x4243, 0xA26B, 0x62D4176D7603), // ctImage
    Guid(0x680ADF52, 0x950A, 0x4041, 0x9B41, 0x65E393648155), // ctDocument
    Guid(0xEABA8313, 0x4525, 0x4707, 0x9F0E, 0x87C6808E9435), // ctContact
    Guid(0x346B8932, 0x4C36, 0x40D8, 0x9415, 0x1828291F9DE9), // ctContactGroup
    Guid(0x4AD2C85E, 0x5E2D, 0x45E5, 0x8864, 0x4F229E3C6CF0), // ctAudio
    Guid(0x9261B03C, 0x3D78, 0x4519, 0x85E3, 0x02C5E1F50BB9), // ctVideo
    Guid(0x60A169CF, 0xF2AE, 0x4E21, 0x9375, 0x9677F11C1C6E), // ctTelevision
    Guid(0x1A33F7E4, 0xAF13, 0x48F5, 0x994E, 0x77369DFE04A3), // ctPlayList
    Guid(0x00F0C3AC, 0xA593, 0x49AC, 0x9219, 0x24ABCA5A2563), // ctMixedContentAlbum
    Guid(0xAA18737E, 0x5009, 0x48FA, 0xAE21, 0x85F24383B4E6), // ctAudioAlbum
    Guid(0x75793148, 0x15F5, 0x4A30, 0xA813, 0x54ED8A37E226), // ctImageAlbum
    Guid(0x012B0DB7, 0xD4C1, 0x45D6, 0xB081, 0x94B87779614F), // ctVideoAlbum
    Guid(0x9CD20ECF, 0x3B50, 0x414F, 0xA641, 0xE473FFE45751), // ctMemo
    Guid(0x8038044A, 0x7E51, 0x4F8F, 0x883D, 0x1D0623D14533), // ctEmail
    Guid(0x0FED060E, 0x8793, 0x4B1E, 0x90C9, 0x48AC389AC631), // ctAppointment
    Guid(0x63252F2C, 0x887F, 0x4CB6, 0xB1AC, 0xD29855DCEF6C), // ctTask
    Guid(0xD269F96A, 0x247C, 0x4BFF, 0x98FB, 0x97F3C49220E6), // ctProgram
    Guid(0x0085E0A6, 0x8D34, 0x45D7, 0xBC5C, 0x447E59C73D48), // ctGenericFile
    Guid(0xA1FD5967, 0x6023, 0x49A0, 0x9DF1, 0xF8060BE751B0), // ctCalendar
    Guid(0xE80EAAF8, 0xB2DB, 0x4133, 0xB67E, 0x1BEF4B4A6E5F), // ctGenericMessage
    Guid(0x031DA7EE, 0x18C8, 0x4205, 0x847E, 0x89A11261D0F3), // ctNetworkAssociation
    Guid(0xDC3876E8, 0xA948, 0x4060, 0x9050, 0xCBD77E8A3D87), // ctTypeCertificate
    Guid(0x0BAC070A, 0x9F5F, 0x4DA4, 0xA8F6, 0x3DE44D68FD6C), // ctWirelessProfile
    Guid(0x5E88B3CC, 0x3E65, 0x4E62, 0xBFFF, 0x229495253AB0), // ctMediaCast
    Guid(0x821089F5, 0x1D91, 0x4DC9, 0xBE3C, 0xBBB1B35B18CE), // ctSection
    Guid(0x28D8D31E, 0x249C, 0x454E, 0xAABC, 0x34883168E634), // ctUnspecified
};

struct TFormatEntry
{
    TGuid Guid;
    const char *Extension;
};

// Indexed by TObjectFormat.
constexpr std::array<TFormatEntry, ObjectFormatCount> FormatTable = {{
    {FormatCodeGuid(0x3000), ""},                                      // ofUnknown
    {FormatCodeGuid(0x3002), "txt"},                                   // ofScript
    {FormatCodeGuid(0x3003), ""},                                      // ofExecutable
    {FormatCodeGuid(0x3004), "txt"},                                   // ofText
    {FormatCodeGuid(0x3005), "html"},                                  // ofHtml
    {FormatCodeGuid(0x3006), "dpof"},                                  // ofDigPrintOrder
    {FormatCodeGuid(0x3007), "aiff"},                                  // ofAudioInterchange
    {FormatCodeGuid(0x3008), "wav"},                                   // ofWave
    {FormatCodeGuid(0x3009), "mp3"},                                   // ofMp3
    {FormatCodeGuid(0x300A), "avi"},                                   // ofAvi
    {FormatCodeGuid(0x300B), "mpeg"},                                  // ofMpeg
    {FormatCodeGuid(0x300C), "asf"},                                   // ofAdvStream
    {FormatCodeGuid(0x3801), "jpg"},                                   // ofExif
    {FormatCodeGuid(0x3802), "tiffep"},                                // ofTiffEp
    {FormatCodeGuid(0x3803), "flashpix"},                              // ofFlashPix
    {FormatCodeGuid(0x3804), "bmp"},                                   // ofBmp
    {FormatCodeGuid(0x3805), "ciff"},                                  // ofCamImg
    {FormatCodeGuid(0x3807), "gif"},                                   // ofGif
    {FormatCodeGuid(0x3808), "jfif"},                                  // ofJpgInterchange
    {FormatCodeGuid(0x3809), "pcd"},                                   // ofPtCloudData
    {FormatCodeGuid(0x380A), "pict"},                                  // ofPict
    {FormatCodeGuid(0x380B), "png"},                                   // ofPng
    {FormatCodeGuid(0x380D), "tiff"},                                  // ofTiff
    {FormatCodeGuid(0x380E), "tiffit"},                                // ofTiffIt
    {FormatCodeGuid(0x380F), "jp2"},                                   // ofJp2
    {FormatCodeGuid(0x3810), "jpx"},                                   // ofJpX
    {FormatCodeGuid(0xB881), "wim"},                                   // ofWinImg
    {FormatCodeGuid(0xB901), "wma"},                                   // ofWma
    {FormatCodeGuid(0xB981), "wmv"},                                   // ofWmv
    {FormatCodeGuid(0xBA10), "wpl"},                                   // ofWplPlaylist
    {FormatCodeGuid(0xBA11), "m3u"},                                   // ofM3uPlaylist
    {FormatCodeGuid(0xBA12), "mpl"},                                   // ofMplPlaylist
    {FormatCodeGuid(0xBA13), "asx"},                                   // ofAsxPlaylist
    {FormatCodeGuid(0xBA14), "pls"},                                   // ofPlsPlaylist
    {FormatCodeGuid(0xBA06), ""},                                      // ofAbstractContactGroup
    {FormatCodeGuid(0xBA0B), ""},                                      // ofAbstractMediaCast
    {FormatCodeGuid(0xBE02), "vcs"},                                   // ofVCalendar
    {FormatCodeGuid(0xBE03), "ics"},                                   // ofICalendar
    {FormatCodeGuid(0xBB81), ""},                                      // ofAbstractContact
    {FormatCodeGuid(0xBB82), "vcf"},                                   // ofVCard2
    {FormatCodeGuid(0xBB83), "vcf"},                                   // ofVCard3
    {Guid(0x077232ED, 0x102C, 0x4638, 0x9C22, 0x83F142BFC822), "ico"}, // ofIcon
    {FormatCodeGuid(0xBA82), "xml"},                                   // ofXml
    {FormatCodeGuid(0xB903), "aac"},                                   // ofAdvAudioCoding
    {FormatCodeGuid(0xB904), "aax"},                                   // ofAudible
    {FormatCodeGuid(0xB906), "flac"},                                  // ofFlac
    {FormatCodeGuid(0xB902), "ogg"},                                   // ofOgg
    {FormatCodeGuid(0xB982), "mp4"},                                   // ofMp4
    {Guid(0x30ABA7AC, 0x6FFD, 0x4C23, 0xA359, 0x3E9B52F3F1C8), "m4a"}, // ofM4a
    {FormatCodeGuid(0xB983), "mp2"},                                   // ofMp2
    {FormatCodeGuid(0xBA83), "doc"},                                   // ofMSWord
    {FormatCodeGuid(0xBA84), "chm"},                                   // ofCompiledHtml
    {FormatCodeGuid(0xBA85), "xls"},                                   // ofMSExel
    {FormatCodeGuid(0xBA86), "pps"},                                   // ofMSPowerpoint
    {FormatCodeGuid(0xB102), ""},                                      // ofNetworkAssoc
    {FormatCodeGuid(0xB103), "x509"},                                  // ofX509Ceritficate
    {FormatCodeGuid(0xB104), "wfc"},                                   // ofMSWfc
    {FormatCodeGuid(0xB984), "3gp"},                                   // of3Gp
    {Guid(0xE5172730, 0xF971, 0x41EF, 0xA10B, 0x2271A0019D7A), "gpa"}, // of3Gpa
    {FormatCodeGuid(0x3001), ""},                                      // ofPropsOnly
}};

} // namespace

QString TGuid::ToString() const
{
    return QString::asprintf("{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", Data1, Data2, Data3, Data4[0],
                             Data4[1], Data4[2], Data4[3], Data4[4], Data4[5], Data4[6], Data4[7]);
}

TGuid ContentTypeGuid(TContentType type)
{
    if (type < 0 || type >= ContentTypeCount)
        return GUID_NULL;
    return ContentTypeGuids[type];
}

TContentType ContentTypeOf(const TGuid &guid)
{
    for (int i = 0; i < ContentTypeCount; ++i)
        if (ContentTypeGuids[i] == guid)
            return TContentType(i);
    return ctUnknown;
}

TGuid ObjectFormatGuid(TObjectFormat format)
{
    if (format < 0 || format >= ObjectFormatCount)
        return GUID_NULL;
    return FormatTable[format].Guid;
}

TObjectFormat ObjectFormatOf(const TGuid &guid)
{
    for (int i = 0; i < ObjectFormatCount; ++i)
        if (FormatTable[i].Guid == guid)
            return TObjectFormat(i);
    return ofUnknown;
}

QString ObjectFormatExtension(TObjectFormat format)
{
    if (format < 0 || format >= ObjectFormatCount)
        return QString();
    return QString::fromLatin1(FormatTable[format].Extension);
}

TGuid ObjectFormatGuidOfCode(std::uint16_t code)
{
    return FormatCodeGuid(code);
}
