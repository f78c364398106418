#include "support/FakeDeviceService.h"

#include <cstring>

// Forwards to a TFakeDevice and counts property reads.
class TFakeConnection : public IDeviceConnection
{
public:
    explicit TFakeConnection(TFakeDevice &device) : FDevice(device) { ++FDevice.OpenConnections; }
    ~TFakeConnection() override { --FDevice.OpenConnections; }

    HRESULT EnumObjects(const QString &parentID, std::unique_ptr<IObjectIdEnumerator> &enumerator) override
    {
        enumerator.reset();
        if (FDevice.EnumOverride)
            return FDevice.EnumOverride(parentID, enumerator);
        auto found = FDevice.FObjects.find(parentID);
        if (found == FDevice.FObjects.end())
            return E_DEVICE_NO_OBJECT;
        if (Failed(found->second.EnumResult))
            return found->second.EnumResult;
        enumerator = std::make_unique<TIdListEnumerator>(found->second.Children);
        return found->second.EnumResult;
    }

    HRESULT GetProperty(const QString &objectID, TPropertyKey key, TPropertyValue &value) override
    {
        value.Clear();
        ++FDevice.FReads[{objectID, int(key)}];
        HRESULT hr = S_OK;
        if (FDevice.PropertyOverride && FDevice.PropertyOverride(objectID, key, value, hr))
            return hr;
        auto found = FDevice.FObjects.find(objectID);
        if (found == FDevice.FObjects.end())
            return E_DEVICE_NO_OBJECT;
        const TFakeObject &object = found->second;
        if (auto failure = object.PropertyFailures.find(key); failure != object.PropertyFailures.end())
            return failure->second;
        auto property = object.Properties.find(key);
        if (property == object.Properties.end())
            return E_DEVICE_NO_PROPERTY;
        value = property->second;
        return S_OK;
    }

    HRESULT CanWriteProperty(const QString &objectID, TPropertyKey, bool &canWrite) override
    {
        auto found = FDevice.FObjects.find(objectID);
        if (found == FDevice.FObjects.end())
            return E_DEVICE_NO_OBJECT;
        canWrite = found->second.CanWrite;
        return S_OK;
    }

    HRESULT OpenStream(const QString &objectID, SourceStreamPtr &stream, std::uint32_t &preferredBlockSize) override;

    HRESULT Close() override
    {
        ++FDevice.CloseCalls;
        return FDevice.CloseResult;
    }

private:
    TFakeDevice &FDevice;
};

namespace {

class TMemoryStream : public ISourceStream
{
public:
    explicit TMemoryStream(QByteArray data) : FData(std::move(data)) {}
    HRESULT Read(void *buffer, std::uint32_t size, std::uint32_t &bytesRead) override
    {
        bytesRead = std::uint32_t(std::min<qsizetype>(size, FData.size() - FPosition));
        std::memcpy(buffer, FData.constData() + FPosition, bytesRead);
        FPosition += bytesRead;
        return S_OK;
    }

private:
    QByteArray FData;
    qsizetype FPosition = 0;
};

} // namespace

HRESULT TFakeConnection::OpenStream(const QString &objectID, SourceStreamPtr &stream, std::uint32_t &preferredBlockSize)
{
    auto found = FDevice.FObjects.find(objectID);
    if (found == FDevice.FObjects.end())
        return E_DEVICE_NO_OBJECT;
    if (Failed(found->second.StreamResult))
        return found->second.StreamResult;
    stream = std::make_shared<TMemoryStream>(found->second.Content);
    preferredBlockSize = found->second.BlockSize;
    return S_OK;
}

TFakeDevice::TFakeDevice()
{
    TFakeObject &device = FObjects[QStringLiteral("DEVICE")];
    device.ID = QStringLiteral("DEVICE");
    device.Set(pkParentID, TPropertyValue::FromText(QString()));
    device.Set(pkContentType, TPropertyValue::FromGuid(ContentTypeGuid(ctFunctionalObject)));
}

TFakeObject &TFakeDevice::Add(const QString &id, const QString &parentID, TContentType type, const QString &name)
{
    TFakeObject &object = FObjects[id];
    object.ID = id;
    object.Set(pkParentID, TPropertyValue::FromText(parentID));
    object.Set(pkContentType, TPropertyValue::FromGuid(ContentTypeGuid(type)));
    if (!name.isNull())
        object.Set(pkObjectName, TPropertyValue::FromText(name));
    FObjects[parentID].Children.append(id);
    return object;
}

TFakeObject &TFakeDevice::AddFile(const QString &id, const QString &parentID, const QString &name,
                                  const QByteArray &content)
{
    TFakeObject &object = Add(id, parentID, ctGenericFile, name);
    if (!name.isNull())
        object.Set(pkOriginalFileName, TPropertyValue::FromText(name));
    object.Set(pkObjectSize, TPropertyValue::FromUInt64(std::uint64_t(content.size())));
    object.Content = content;
    return object;
}

TFakeObject &TFakeDevice::Object(const QString &id)
{
    TFakeObject &object = FObjects[id];
    object.ID = id;
    return object;
}

int TFakeDevice::PropertyReads(const QString &id, TPropertyKey key) const
{
    auto found = FReads.find({id, int(key)});
    return found == FReads.end() ? 0 : found->second;
}

int TFakeDevice::TotalPropertyReads() const
{
    int total = 0;
    for (const auto &[key, count] : FReads)
        total += count;
    return total;
}

std::unique_ptr<IDeviceConnection> TFakeDevice::Connect()
{
    return std::make_unique<TFakeConnection>(*this);
}

const TFakeDeviceEntry *TFakeDeviceService::Find(const QString &deviceID) const
{
    for (const TFakeDeviceEntry &entry : FList->Devices)
        if (entry.ID == deviceID)
            return &entry;
    return nullptr;
}

HRESULT TFakeDeviceService::GetDevices(QStringList &deviceIDs)
{
    deviceIDs.clear();
    if (Failed(FList->ListResult))
        return FList->ListResult;
    for (const TFakeDeviceEntry &entry : FList->Devices)
        deviceIDs.append(entry.ID);
    return S_OK;
}

HRESULT TFakeDeviceService::GetDeviceFriendlyName(const QString &deviceID, QString &name)
{
    const TFakeDeviceEntry *entry = Find(deviceID);
    if (!entry)
        return E_DEVICE_GONE;
    name = entry->FriendlyName;
    return entry->NameResult;
}

HRESULT TFakeDeviceService::GetDeviceManufacturer(const QString &deviceID, QString &manufacturer)
{
    const TFakeDeviceEntry *entry = Find(deviceID);
    if (!entry)
        return E_DEVICE_GONE;
    manufacturer = entry->Manufacturer;
    return S_OK;
}

HRESULT TFakeDeviceService::GetDeviceDescription(const QString &deviceID, QString &description)
{
    const TFakeDeviceEntry *entry = Find(deviceID);
    if (!entry)
        return E_DEVICE_GONE;
    description = entry->Description;
    return S_OK;
}

HRESULT TFakeDeviceService::Open(const QString &deviceID, const TClientInformation &,
                                 std::unique_ptr<IDeviceConnection> &connection)
{
    const TFakeDeviceEntry *entry = Find(deviceID);
    if (!entry)
        return E_DEVICE_GONE;
    if (Failed(entry->OpenResult))
        return entry->OpenResult;
    connection = entry->Device->Connect();
    return S_OK;
}

TDeviceServiceFactory FakeDeviceFactory(std::shared_ptr<TFakeDeviceList> list)
{
    return [list]() -> DeviceServicePtr {
        if (list->NoService)
            return nullptr;
        return std::make_unique<TFakeDeviceService>(list);
    };
}
