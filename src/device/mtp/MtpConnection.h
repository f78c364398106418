#pragma once

#include "device/DeviceService.h"
#include "device/mtp/MtpSession.h"
#include "device/mtp/MtpStream.h"

#include <QHash>
#include <QString>

#include <optional>

// One opened MTP device as the device layer sees it. Storages are the
// children of "DEVICE"; folders are listed one at a time, and everything a
// listing tells (names, sizes, dates, types) is kept, so that reading a
// property never waits for the device.
class TMtpConnection : public IDeviceConnection
{
public:
    TMtpConnection(TMtpSessionPtr session, TMtpStreamLimits limits);

    HRESULT EnumObjects(const QString &parentID, std::unique_ptr<IObjectIdEnumerator> &enumerator) override;
    HRESULT GetProperty(const QString &objectID, TPropertyKey key, TPropertyValue &value) override;
    HRESULT CanWriteProperty(const QString &objectID, TPropertyKey key, bool &canWrite) override;
    HRESULT OpenStream(const QString &objectID, SourceStreamPtr &stream, std::uint32_t &preferredBlockSize) override;
    HRESULT Close() override;

    // Deeper folders than this are not listed: a device that nests folders
    // without end must not take the program with it.
    static constexpr int MaxDepth = 128;
    // The read size handed to the copy worker.
    static constexpr std::uint32_t BlockSize = 512u << 10;

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
        std::uint32_t StorageId = 0;
        std::uint32_t Handle = 0;
        QString ParentID;
        QString Name;
        std::uint64_t Size = 0;
        std::time_t Modified = 0;
        int FileType = 0;
        int Depth = 0;
        std::optional<TGuid> Format;
        // The local date-time, converted on first use: a run reads it more
        // than once per file, and each conversion consults the time zone.
        std::optional<std::optional<TDateTime>> LocalModified;
    };

    HRESULT ListStorages(QStringList &ids);
    HRESULT ListFolder(const QString &folderID, const TNode &entry, QStringList &ids);
    HRESULT DeviceProperty(TPropertyKey key, TPropertyValue &value);
    HRESULT ObjectProperty(TNode &node, TPropertyKey key, TPropertyValue &value);
    HRESULT FormatOf(TNode &node, TPropertyValue &value);

    TMtpSessionPtr FSession;
    TMtpStreamLimits FLimits;
    // The node a property was last read of: a file's properties are read one
    // after another. Forgotten whenever FNodes changes, which moves its entries.
    TNode *LookUp(const QString &objectID);
    void ForgetLookUp() { FLastNode = nullptr; }

    QHash<QString, TNode> FNodes;
    QString FLastID;
    TNode *FLastNode = nullptr;
    bool FClosed = false;
};
