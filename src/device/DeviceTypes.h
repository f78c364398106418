#pragma once

#include "device/DeviceGuid.h"

#include <QString>

#include <cstdint>

enum TObjectType
{
    otUnknown,
    otDevice,
    otRoot,
    otFolder,
    otFile
};

// Content types; each stands for one published content-type GUID.
enum TContentType
{
    ctUnknown,
    ctFunctionalObject,
    ctFolder,
    ctImage,
    ctDocument,
    ctContact,
    ctContactGroup,
    ctAudio,
    ctVideo,
    ctTelevision,
    ctPlayList,
    ctMixedContentAlbum,
    ctAudioAlbum,
    ctImageAlbum,
    ctVideoAlbum,
    ctMemo,
    ctEmail,
    ctAppointment,
    ctTask,
    ctProgram,
    ctGenericFile,
    ctCalendar,
    ctGenericMessage,
    ctNetworkAssociation,
    ctTypeCertificate,
    ctWirelessProfile,
    ctMediaCast,
    ctSection,
    ctUnspecified
};
inline constexpr int ContentTypeCount = ctUnspecified + 1;

// Object formats; most stand for an MTP object format code.
enum TObjectFormat
{
    ofUnknown,
    ofScript,
    ofExecutable,
    ofText,
    ofHtml,
    ofDigPrintOrder,
    ofAudioInterchange,
    ofWave,
    ofMp3,
    ofAvi,
    ofMpeg,
    ofAdvStream,
    ofExif,
    ofTiffEp,
    ofFlashPix,
    ofBmp,
    ofCamImg,
    ofGif,
    ofJpgInterchange,
    ofPtCloudData,
    ofPict,
    ofPng,
    ofTiff,
    ofTiffIt,
    ofJp2,
    ofJpX,
    ofWinImg,
    ofWma,
    ofWmv,
    ofWplPlaylist,
    ofM3uPlaylist,
    ofMplPlaylist,
    ofAsxPlaylist,
    ofPlsPlaylist,
    ofAbstractContactGroup,
    ofAbstractMediaCast,
    ofVCalendar,
    ofICalendar,
    ofAbstractContact,
    ofVCard2,
    ofVCard3,
    ofIcon,
    ofXml,
    ofAdvAudioCoding,
    ofAudible,
    ofFlac,
    ofOgg,
    ofMp4,
    ofM4a,
    ofMp2,
    ofMSWord,
    ofCompiledHtml,
    ofMSExel,
    ofMSPowerpoint,
    ofNetworkAssoc,
    ofX509Ceritficate,
    ofMSWfc,
    of3Gp,
    of3Gpa,
    ofPropsOnly
};
inline constexpr int ObjectFormatCount = ofPropsOnly + 1;

// Content types that make an object a file, as a set indexed by TContentType.
inline constexpr std::uint32_t FileContentTypes =
    (1u << ctImage) | (1u << ctDocument) | (1u << ctContact) | (1u << ctAudio) | (1u << ctVideo) |
    (1u << ctTelevision) | (1u << ctPlayList) | (1u << ctMemo) | (1u << ctEmail) | (1u << ctProgram) |
    (1u << ctGenericFile) | (1u << ctCalendar) | (1u << ctGenericMessage) | (1u << ctTypeCertificate) |
    (1u << ctMediaCast) | (1u << ctUnspecified);

constexpr bool CountsAsFile(TContentType type)
{
    return (FileContentTypes >> type) & 1u;
}

// The GUID of a content type.
TGuid ContentTypeGuid(TContentType type);
// The first table entry with this GUID; ctUnknown when there is none.
TContentType ContentTypeOf(const TGuid &guid);

// The GUID of an object format.
TGuid ObjectFormatGuid(TObjectFormat format);
// The first table entry with this GUID; ofUnknown when there is none.
TObjectFormat ObjectFormatOf(const TGuid &guid);
// The extension without dot, empty where the format has none.
QString ObjectFormatExtension(TObjectFormat format);
// The GUID of an MTP object format code: {CCCC0000-AE6C-4804-98BA-C57B46965FE7}.
// (Real devices report codes; the format table maps the known ones.)
TGuid ObjectFormatGuidOfCode(std::uint16_t code);

// WPD_CONTENT_TYPE_FUNCTIONAL_OBJECT, _FOLDER and _UNSPECIFIED, and
// WPD_OBJECT_FORMAT_UNSPECIFIED, used as defaults.
inline TGuid FunctionalObjectGuid()
{
    return ContentTypeGuid(ctFunctionalObject);
}
inline TGuid FolderGuid()
{
    return ContentTypeGuid(ctFolder);
}
inline TGuid UnspecifiedContentGuid()
{
    return ContentTypeGuid(ctUnspecified);
}
inline TGuid UnspecifiedFormatGuid()
{
    return ObjectFormatGuid(ofUnknown);
}
