#include "device/ptp/PtpConnection.h"

#include "device/DeviceDates.h"
#include "device/IdListEnumerator.h"
#include "device/ptp/PtpMapping.h"

#include <QSet>
#include <QStringList>

#include <cerrno>
#include <set>

namespace {

HRESULT OptionalText(const std::optional<std::string> &text, TPropertyValue &value)
{
    if (!text)
        return E_DEVICE_NO_PROPERTY;
    value = TPropertyValue::FromText(QString::fromUtf8(*text).trimmed());
    return S_OK;
}

HRESULT Text(const QString &text, TPropertyValue &value)
{
    if (text.isEmpty())
        return E_DEVICE_NO_PROPERTY;
    value = TPropertyValue::FromText(text);
    return S_OK;
}

bool IsDevice(const QString &objectID)
{
    return objectID.compare(QLatin1String(DEVICE_OBJECT_ID), Qt::CaseInsensitive) == 0;
}

std::string ChildPath(const std::string &folder, const std::string &name)
{
    return folder == "/" ? folder + name : folder + '/' + name;
}

// A storage's folder as libgphoto2 names it: absolute, without "." or ".."
// elements that would lead the listing somewhere else.
bool UsableBaseFolder(const std::string &path)
{
    if (path.empty() || path.front() != '/' || path.size() > TPtpConnection::MaxPathLength)
        return false;
    std::size_t start = 1;
    while (start < path.size()) {
        const std::size_t end = std::min(path.find('/', start), path.size());
        if (!PtpUsableName(path.substr(start, end - start)))
            return false;
        start = end + 1;
    }
    return true;
}

QString LastElement(const std::string &path)
{
    const std::size_t slash = path.rfind('/');
    return QString::fromUtf8(slash == std::string::npos ? path : path.substr(slash + 1));
}

} // namespace

TPtpConnection::TPtpConnection(TPtpSessionPtr session, TPtpStreamLimits limits)
    : FSession(std::move(session)), FLimits(limits)
{}

QString TPtpConnection::AddNode(const TNode &node, char prefix)
{
    QString id = QLatin1Char(prefix) + QString::number(FNextNumber++);
    FNodes.insert(id, node);
    return id;
}

HRESULT TPtpConnection::Fail(HRESULT result, const char *what, const std::string &path, int libraryResult)
{
    qWarning("PTP: %s %s failed: %s", what, path.c_str(), FSession->ResultText(libraryResult).c_str());
    return result;
}

HRESULT TPtpConnection::EnumObjects(const QString &parentID, std::unique_ptr<IObjectIdEnumerator> &enumerator)
{
    enumerator.reset();
    if (FClosed)
        return E_UNEXPECTED;
    QStringList ids;
    HRESULT result = S_OK;
    if (IsDevice(parentID)) {
        result = ListStorages(ids);
    } else {
        auto node = FNodes.constFind(parentID);
        if (node == FNodes.constEnd())
            return E_DEVICE_NO_OBJECT;
        // Files have no children; asking the camera would cost a round trip each.
        if (node->Kind != nkFile)
            result = ListFolder(parentID, *node, ids);
    }
    if (Failed(result))
        return result;
    enumerator = std::make_unique<TIdListEnumerator>(std::move(ids));
    return S_OK;
}

HRESULT TPtpConnection::ListStorages(QStringList &ids)
{
    std::vector<TPtpStorage> storages;
    int result = ptpOk;
    {
        std::unique_lock lock = FSession->Lock();
        result = FSession->Camera().Storages(storages);
    }
    // A driver without storage information shows its whole file system as one storage.
    if (result == ptpNotSupported)
        storages = {{"/", std::string(), FSession->Info().FriendlyName.toStdString()}};
    else if (result < ptpOk)
        return Fail(PtpErrorResult(result), "listing the storages of", FSession->Port().Port, result);
    std::set<std::string> seen;
    for (const TPtpStorage &storage : storages) {
        if (!UsableBaseFolder(storage.BaseFolder) || !seen.insert(storage.BaseFolder).second) {
            qWarning("PTP: storage folder \"%s\" ignored", storage.BaseFolder.c_str());
            continue;
        }
        TNode node;
        node.Kind = nkStorage;
        node.ParentID = QLatin1String(DEVICE_OBJECT_ID);
        node.Folder = storage.BaseFolder;
        node.DisplayName = QString::fromUtf8(storage.Description).trimmed();
        if (node.DisplayName.isEmpty())
            node.DisplayName = QString::fromUtf8(storage.Label).trimmed();
        if (node.DisplayName.isEmpty())
            node.DisplayName = LastElement(storage.BaseFolder);
        ids.append(AddNode(node, 's'));
    }
    return S_OK;
}

HRESULT TPtpConnection::ListFolder(const QString &folderID, const TNode &folder, QStringList &ids)
{
    if (folder.Depth >= MaxDepth)
        return HResultFromErrno(ENAMETOOLONG);
    const std::string path = folder.Folder;
    const int depth = folder.Depth;
    std::vector<std::string> folders;
    std::vector<std::string> files;
    std::vector<TPtpFileInfo> infos;
    {
        std::unique_lock lock = FSession->Lock();
        IPtpCamera &camera = FSession->Camera();
        int result = camera.ListFolders(path, folders);
        if (result < ptpOk)
            return Fail(PtpErrorResult(result), "listing the folders of", path, result);
        result = camera.ListFiles(path, files);
        if (result < ptpOk)
            return Fail(PtpErrorResult(result), "listing the files of", path, result);
        if (folders.size() + files.size() > MaxEntries) {
            qWarning("PTP: %s lists %zu entries; refused", path.c_str(), folders.size() + files.size());
            return HResultFromErrno(E2BIG);
        }
        infos.resize(files.size());
        for (std::size_t i = 0; i < files.size(); ++i) {
            if (!PtpUsableName(files[i]))
                continue;
            result = camera.FileInfo(path, files[i], infos[i]);
            // The file stays listed, without size and date.
            if (result < ptpOk)
                qWarning("PTP: no information on %s: %s", ChildPath(path, files[i]).c_str(),
                         FSession->ResultText(result).c_str());
        }
    }
    // A name listed twice, or one that is no single path element, would make
    // two objects of one file or address another folder: each keeps one place.
    const auto usable = [&](const std::string &name, std::set<std::string> &seen) {
        if (PtpUsableName(name) && ChildPath(path, name).size() <= MaxPathLength && seen.insert(name).second)
            return true;
        qWarning("PTP: entry \"%s\" of %s ignored", name.c_str(), path.c_str());
        return false;
    };
    std::set<std::string> seenFolders;
    for (const std::string &name : folders) {
        if (!usable(name, seenFolders))
            continue;
        TNode node;
        node.Kind = nkFolder;
        node.ParentID = folderID;
        node.Folder = ChildPath(path, name);
        node.Name = name;
        node.DisplayName = QString::fromUtf8(name);
        node.Depth = depth + 1;
        ids.append(AddNode(node, 'f'));
    }
    std::set<std::string> seenFiles;
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (!usable(files[i], seenFiles))
            continue;
        TNode node;
        node.Kind = nkFile;
        node.ParentID = folderID;
        node.Folder = path;
        node.Name = files[i];
        node.DisplayName = QString::fromUtf8(files[i]);
        node.Size = infos[i].Size;
        node.Modified = infos[i].Modified;
        node.MimeType = infos[i].MimeType;
        node.Depth = depth + 1;
        ids.append(AddNode(node, 'o'));
    }
    return S_OK;
}

HRESULT TPtpConnection::GetProperty(const QString &objectID, TPropertyKey key, TPropertyValue &value)
{
    value.Clear();
    if (FClosed)
        return E_UNEXPECTED;
    if (IsDevice(objectID))
        return DeviceProperty(key, value);
    auto node = FNodes.constFind(objectID);
    if (node == FNodes.constEnd())
        return E_DEVICE_NO_OBJECT;
    return ObjectProperty(*node, key, value);
}

HRESULT TPtpConnection::DeviceProperty(TPropertyKey key, TPropertyValue &value)
{
    const TPtpCameraInfo &info = FSession->Info();
    switch (key) {
    case pkParentID:
        value = TPropertyValue::FromText(QString());
        return S_OK;
    case pkObjectName:
    case pkOriginalFileName:
        return Text(info.FriendlyName, value);
    case pkContentType:
        value = TPropertyValue::FromGuid(FunctionalObjectGuid());
        return S_OK;
    case pkFirmwareVersion:
        return OptionalText(info.Firmware, value);
    case pkPowerLevel:
        if (!info.PowerLevel)
            return E_DEVICE_NO_PROPERTY;
        value = TPropertyValue::FromUInt32(*info.PowerLevel);
        return S_OK;
    case pkPowerSource:
        // A camera that reports a battery level runs on its battery.
        if (!info.PowerLevel)
            return E_DEVICE_NO_PROPERTY;
        value = TPropertyValue::FromUInt32(0);
        return S_OK;
    case pkProtocol:
        value = TPropertyValue::FromText(QStringLiteral("PTP"));
        return S_OK;
    case pkModel:
        return Text(info.Model, value);
    case pkSerialNumber:
        return OptionalText(info.SerialNumber, value);
    case pkDeviceType:
        value = TPropertyValue::FromUInt32(1); // camera
        return S_OK;
    default:
        return E_DEVICE_NO_PROPERTY;
    }
}

HRESULT TPtpConnection::ObjectProperty(const TNode &node, TPropertyKey key, TPropertyValue &value)
{
    switch (key) {
    case pkParentID:
        value = TPropertyValue::FromText(node.ParentID);
        return S_OK;
    case pkObjectName:
    case pkOriginalFileName:
        return Text(node.DisplayName, value);
    case pkContentType:
        if (node.Kind == nkStorage)
            value = TPropertyValue::FromGuid(FunctionalObjectGuid());
        else if (node.Kind == nkFolder)
            value = TPropertyValue::FromGuid(FolderGuid());
        else
            value = TPropertyValue::FromGuid(ContentTypeGuid(PtpContentType(node.MimeType)));
        return S_OK;
    case pkObjectFormat:
        if (node.Kind == nkStorage)
            return E_DEVICE_NO_PROPERTY;
        value = TPropertyValue::FromGuid(node.Kind == nkFolder ? ObjectFormatGuid(ofPropsOnly)
                                                               : PtpFormatOfMimeType(node.MimeType));
        return S_OK;
    case pkObjectSize:
        if (node.Kind != nkFile || !node.Size)
            return E_DEVICE_NO_PROPERTY;
        value = TPropertyValue::FromUInt64(*node.Size);
        return S_OK;
    case pkDateModified: {
        const std::optional<TDateTime> date = node.Modified ? DeviceLocalDateTime(*node.Modified) : std::nullopt;
        if (!date)
            return E_DEVICE_NO_PROPERTY;
        value = TPropertyValue::FromDate(*date);
        return S_OK;
    }
    default:
        // libgphoto2 tells no creation date.
        return E_DEVICE_NO_PROPERTY;
    }
}

HRESULT TPtpConnection::CanWriteProperty(const QString &objectID, TPropertyKey, bool &canWrite)
{
    canWrite = false;
    if (FClosed)
        return E_UNEXPECTED;
    // The backend reads only; it changes nothing on a camera.
    if (!IsDevice(objectID) && !FNodes.contains(objectID))
        return E_DEVICE_NO_OBJECT;
    return S_OK;
}

HRESULT TPtpConnection::OpenStream(const QString &objectID, SourceStreamPtr &stream, std::uint32_t &preferredBlockSize)
{
    stream.reset();
    preferredBlockSize = 0;
    if (FClosed)
        return E_UNEXPECTED;
    auto node = FNodes.constFind(objectID);
    if (node == FNodes.constEnd())
        return E_DEVICE_NO_OBJECT;
    if (node->Kind != nkFile)
        return HResultFromErrno(EISDIR);
    stream = std::make_shared<TPtpStream>(FSession, node->Folder, node->Name, node->Size, FLimits);
    preferredBlockSize = BlockSize;
    return S_OK;
}

HRESULT TPtpConnection::Close()
{
    FClosed = true;
    FNodes.clear();
    // Streams still being read keep the session; the registry closes it once
    // the camera is gone from the bus.
    FSession.reset();
    return S_OK;
}
