#pragma once

#include "device/DeviceService.h"
#include "device/ptp/PtpSession.h"
#include "device/ptp/PtpStream.h"

#include <QHash>
#include <QString>

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

// One opened camera as the device layer sees it. Storages are the children
// of "DEVICE"; folders are listed one at a time, and everything a listing
// tells (names, sizes, dates, types) is kept, so that reading a property
// never waits for the camera. libgphoto2 addresses files by folder path and
// name; identifiers are numbers of our own, so that names differing only in
// letter case stay apart.
class TPtpConnection : public IDeviceConnection
{
public:
    TPtpConnection(TPtpSessionPtr session, TPtpStreamLimits limits);

    HRESULT EnumObjects(const QString &parentID, std::unique_ptr<IObjectIdEnumerator> &enumerator) override;
    HRESULT GetProperty(const QString &objectID, TPropertyKey key, TPropertyValue &value) override;
    HRESULT CanWriteProperty(const QString &objectID, TPropertyKey key, bool &canWrite) override;
    HRESULT OpenStream(const QString &objectID, SourceStreamPtr &stream, std::uint32_t &preferredBlockSize) override;
    HRESULT Close() override;

    // Deeper folders than this are not listed: a camera that nests folders
    // without end must not take the program with it.
    static constexpr int MaxDepth = 128;
    // Nor a folder path longer than this (libgphoto2 copies paths into
    // fixed buffers of about this size).
    static constexpr std::size_t MaxPathLength = 1024;
    // A folder listing more entries than this is refused as a whole.
    static constexpr std::size_t MaxEntries = 1u << 20;
    // The read size handed to the copy worker: one block per camera request.
    static constexpr std::uint32_t BlockSize = 1u << 20;

private:
    enum TNodeKind
    {
        nkStorage,
        nkFolder,
        nkFile
    };

    struct TNode
    {
        TNodeKind Kind = nkFile;
        QString ParentID;
        std::string Folder; // a storage's or folder's own path; the folder a file lies in
        std::string Name;   // as the camera listed it; empty for a storage
        QString DisplayName;
        std::optional<std::uint64_t> Size;
        std::optional<std::time_t> Modified;
        std::string MimeType;
        int Depth = 0;
    };

    HRESULT ListStorages(QStringList &ids);
    HRESULT ListFolder(const QString &folderID, const TNode &folder, QStringList &ids);
    HRESULT Fail(HRESULT result, const char *what, const std::string &path, int libraryResult);
    QString AddNode(const TNode &node, char prefix);
    HRESULT DeviceProperty(TPropertyKey key, TPropertyValue &value);
    HRESULT ObjectProperty(const TNode &node, TPropertyKey key, TPropertyValue &value);

    TPtpSessionPtr FSession;
    TPtpStreamLimits FLimits;
    QHash<QString, TNode> FNodes;
    std::uint64_t FNextNumber = 1;
    bool FClosed = false;
};
