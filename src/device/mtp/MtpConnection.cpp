#include "device/mtp/MtpConnection.h"

#include "device/DeviceDates.h"
#include "device/IdListEnumerator.h"
#include "device/mtp/MtpMapping.h"
#include "device/mtp/MtpTrace.h"

#include <libmtp.h>

#include <QSet>
#include <QStringList>

#include <iterator>

namespace {

constexpr std::uint32_t TopLevel = 0xFFFFFFFFu;

QString StorageID(std::uint32_t id)
{
    return QString::asprintf("s%08X", id);
}

QString ObjectID(std::uint32_t handle)
{
    // Once per listed object: no format string to parse.
    char16_t text[12];
    char16_t *start = std::end(text);
    do {
        *--start = char16_t(u'0' + handle % 10);
        handle /= 10;
    } while (handle != 0);
    *--start = u'o';
    return QString(reinterpret_cast<const QChar *>(start), std::end(text) - start);
}

HRESULT OptionalText(const std::optional<std::string> &text, TPropertyValue &value)
{
    if (!text)
        return E_DEVICE_NO_PROPERTY;
    value = TPropertyValue::FromText(QString::fromUtf8(*text).trimmed());
    return S_OK;
}

HRESULT OptionalNumber(const std::optional<std::uint32_t> &number, TPropertyValue &value)
{
    if (!number)
        return E_DEVICE_NO_PROPERTY;
    value = TPropertyValue::FromUInt32(*number);
    return S_OK;
}

HRESULT Text(const QString &text, TPropertyValue &value)
{
    if (text.isEmpty())
        return E_DEVICE_NO_PROPERTY;
    value = TPropertyValue::FromText(text);
    return S_OK;
}

} // namespace

TMtpConnection::TMtpConnection(TMtpSessionPtr session, TMtpStreamLimits limits)
    : FSession(std::move(session)), FLimits(limits)
{}

HRESULT TMtpConnection::EnumObjects(const QString &parentID, std::unique_ptr<IObjectIdEnumerator> &enumerator)
{
    enumerator.reset();
    if (FClosed)
        return E_UNEXPECTED;
    QStringList ids;
    HRESULT result = S_OK;
    if (parentID.compare(QLatin1String(DEVICE_OBJECT_ID), Qt::CaseInsensitive) == 0) {
        result = ListStorages(ids);
    } else {
        auto node = FNodes.constFind(parentID);
        if (node == FNodes.constEnd())
            return E_DEVICE_NO_OBJECT;
        // Files have no children; asking the device would cost a round trip each.
        if (node->Kind != nkFile)
            result = ListFolder(parentID, *node, ids);
    }
    if (Failed(result))
        return result;
    enumerator = std::make_unique<TIdListEnumerator>(std::move(ids));
    return S_OK;
}

HRESULT TMtpConnection::ListStorages(QStringList &ids)
{
    std::vector<TMtpStorage> storages;
    std::vector<TMtpError> errors;
    bool listed = false;
    {
        TMtpDeviceGate::TLock lock = FSession->Gate().Acquire();
        MTP_TRACE("storages begin");
        listed = FSession->Device().Storages(storages);
        errors = FSession->Device().TakeErrors();
        MTP_TRACE("storages end: %zu", storages.size());
    }
    if (!listed) {
        qWarning("MTP: listing the storages failed: %s", qUtf8Printable(MtpErrorsText(errors)));
        return MtpErrorsResult(errors, E_DEVICE_IO);
    }
    QSet<QString> seen;
    for (const TMtpStorage &storage : storages) {
        const QString id = StorageID(storage.Id);
        if (seen.contains(id))
            continue;
        seen.insert(id);
        TNode node;
        node.Kind = nkStorage;
        node.StorageId = storage.Id;
        node.Handle = TopLevel;
        node.ParentID = QLatin1String(DEVICE_OBJECT_ID);
        node.Name = QString::fromUtf8(storage.Description).trimmed();
        if (node.Name.isEmpty())
            node.Name = QString::fromUtf8(storage.VolumeIdentifier).trimmed();
        ForgetLookUp();
        FNodes.insert(id, node);
        ids.append(id);
    }
    return S_OK;
}

HRESULT TMtpConnection::ListFolder(const QString &folderID, const TNode &entry, QStringList &ids)
{
    // A copy: the entry lives in FNodes, which moves its entries when it grows below.
    const TNode folder = entry;
    if (folder.Depth >= MaxDepth)
        return HResultFromErrno(ENAMETOOLONG);
    std::vector<TMtpObject> objects;
    std::vector<TMtpError> errors;
    bool listed = false;
    {
        TMtpDeviceGate::TLock lock = FSession->Gate().Acquire();
        MTP_TRACE("list %s begin", qUtf8Printable(folderID));
        listed = FSession->Device().ListFolder(folder.StorageId, folder.Handle, objects);
        errors = FSession->Device().TakeErrors();
        MTP_TRACE("list %s end: %zu objects", qUtf8Printable(folderID), objects.size());
    }
    if (!listed) {
        qWarning("MTP: listing %s failed: %s", qUtf8Printable(folderID), qUtf8Printable(MtpErrorsText(errors)));
        return MtpErrorsResult(errors, E_DEVICE_IO);
    }
    // Folders of tens of thousands of photos are common: no linear searches here.
    QSet<QString> seen;
    seen.reserve(qsizetype(objects.size()));
    ForgetLookUp();
    FNodes.reserve(FNodes.size() + qsizetype(objects.size()));
    ids.reserve(qsizetype(objects.size()));
    for (const TMtpObject &object : objects) {
        const QString id = ObjectID(object.Id);
        // A device that lists an object twice, or an ancestor as a child,
        // would make the tree endless: each object has one place only.
        auto known = FNodes.constFind(id);
        if (id == folderID || seen.contains(id) || (known != FNodes.constEnd() && known->ParentID != folderID)) {
            qWarning("MTP: object %s listed again below %s; ignored", qUtf8Printable(id), qUtf8Printable(folderID));
            continue;
        }
        TNode node;
        node.Kind = object.FileType == LIBMTP_FILETYPE_FOLDER ? nkFolder : nkFile;
        node.StorageId = folder.StorageId;
        node.Handle = object.Id;
        node.ParentID = folderID;
        node.Name = QString::fromUtf8(object.FileName);
        node.Size = object.Size;
        node.Modified = object.ModificationDate;
        node.FileType = object.FileType;
        node.Depth = folder.Depth + 1;
        ForgetLookUp();
        FNodes.insert(id, node);
        seen.insert(id);
        ids.append(id);
    }
    return S_OK;
}

HRESULT TMtpConnection::GetProperty(const QString &objectID, TPropertyKey key, TPropertyValue &value)
{
    value.Clear();
    if (FClosed)
        return E_UNEXPECTED;
    if (TNode *node = LookUp(objectID))
        return ObjectProperty(*node, key, value);
    if (objectID.compare(QLatin1String(DEVICE_OBJECT_ID), Qt::CaseInsensitive) == 0)
        return DeviceProperty(key, value);
    return E_DEVICE_NO_OBJECT;
}

TMtpConnection::TNode *TMtpConnection::LookUp(const QString &objectID)
{
    if (FLastNode != nullptr && objectID == FLastID)
        return FLastNode;
    auto node = FNodes.find(objectID);
    if (node == FNodes.end())
        return nullptr;
    FLastID = objectID;
    FLastNode = &*node;
    return FLastNode;
}

HRESULT TMtpConnection::DeviceProperty(TPropertyKey key, TPropertyValue &value)
{
    const TMtpDeviceInfo &info = FSession->Info();
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
        FSession->RefreshPower();
        return OptionalNumber(FSession->PowerLevel(), value);
    case pkPowerSource:
        return OptionalNumber(FSession->PowerSource(), value);
    case pkProtocol:
        return Text(info.Protocol, value);
    case pkModel:
        return Text(info.Model, value);
    case pkSerialNumber:
        return OptionalText(info.SerialNumber, value);
    case pkDeviceType:
        return OptionalNumber(info.DeviceType, value);
    default:
        return E_DEVICE_NO_PROPERTY;
    }
}

HRESULT TMtpConnection::ObjectProperty(TNode &node, TPropertyKey key, TPropertyValue &value)
{
    switch (key) {
    case pkParentID:
        value = TPropertyValue::FromText(node.ParentID);
        return S_OK;
    case pkObjectName:
    case pkOriginalFileName:
        return Text(node.Name, value);
    case pkContentType:
        if (node.Kind == nkStorage)
            value = TPropertyValue::FromGuid(FunctionalObjectGuid());
        else
            value = TPropertyValue::FromGuid(ContentTypeGuid(MtpContentType(node.FileType)));
        return S_OK;
    case pkObjectFormat:
        return FormatOf(node, value);
    case pkObjectSize:
        if (node.Kind == nkStorage)
            return E_DEVICE_NO_PROPERTY;
        value = TPropertyValue::FromUInt64(node.Size);
        return S_OK;
    case pkDateModified: {
        if (!node.LocalModified)
            node.LocalModified = node.Kind == nkStorage ? std::nullopt : DeviceLocalDateTime(node.Modified);
        const std::optional<TDateTime> &date = *node.LocalModified;
        if (!date)
            return E_DEVICE_NO_PROPERTY;
        value = TPropertyValue::FromDate(*date);
        return S_OK;
    }
    default:
        // The listing carries no creation date, and MTP devices rarely keep one.
        return E_DEVICE_NO_PROPERTY;
    }
}

HRESULT TMtpConnection::FormatOf(TNode &node, TPropertyValue &value)
{
    if (node.Kind == nkStorage)
        return E_DEVICE_NO_PROPERTY;
    if (!node.Format)
        node.Format = MtpFormatOfFileType(node.FileType);
    if (!node.Format) {
        // libmtp's type lost the format code; ask the device, but never wait
        // behind a file transfer for it.
        TMtpDeviceGate::TLock lock = FSession->Gate().TryAcquire();
        if (!lock.owns_lock())
            return HResultFromErrno(EBUSY);
        MTP_TRACE("format of %u asked", node.Handle);
        const std::optional<std::uint16_t> code = FSession->Device().ObjectFormatCode(node.Handle);
        FSession->Device().TakeErrors();
        lock.unlock();
        if (!code)
            return E_DEVICE_NO_PROPERTY;
        node.Format = MtpFormatOfCode(*code);
    }
    value = TPropertyValue::FromGuid(*node.Format);
    return S_OK;
}

HRESULT TMtpConnection::CanWriteProperty(const QString &objectID, TPropertyKey, bool &canWrite)
{
    canWrite = false;
    if (FClosed)
        return E_UNEXPECTED;
    // The backend reads only; it changes nothing on a device.
    if (objectID.compare(QLatin1String(DEVICE_OBJECT_ID), Qt::CaseInsensitive) != 0 && !FNodes.contains(objectID))
        return E_DEVICE_NO_OBJECT;
    return S_OK;
}

HRESULT TMtpConnection::OpenStream(const QString &objectID, SourceStreamPtr &stream, std::uint32_t &preferredBlockSize)
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
    MTP_TRACE("open stream %u", node->Handle);
    stream = std::make_shared<TMtpStream>(FSession, node->Handle, node->Size, FLimits);
    preferredBlockSize = BlockSize;
    return S_OK;
}

HRESULT TMtpConnection::Close()
{
    MTP_TRACE("connection closed");
    FClosed = true;
    ForgetLookUp();
    FNodes.clear();
    // Streams still being read keep the session; the registry closes it once
    // the device is gone from the bus.
    FSession.reset();
    return S_OK;
}
