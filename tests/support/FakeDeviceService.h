#pragma once

// An in-memory device service for tests: devices whose objects, properties,
// failures and listings a test writes down directly.

#include "device/DeviceService.h"
#include "device/DeviceTypes.h"
#include "device/IdListEnumerator.h"
#include "device/PortableDevice.h"

#include <QByteArray>
#include <QHash>
#include <QStringList>

#include <functional>
#include <map>
#include <memory>
#include <vector>

struct TFakeObject
{
    QString ID;
    std::map<TPropertyKey, TPropertyValue> Properties;
    std::map<TPropertyKey, HRESULT> PropertyFailures; // reads of these keys fail
    QStringList Children;
    HRESULT EnumResult = S_OK;
    QByteArray Content;
    HRESULT StreamResult = S_OK;
    std::uint32_t BlockSize = 4096;
    bool CanWrite = false;

    TFakeObject &Set(TPropertyKey key, const TPropertyValue &value)
    {
        Properties[key] = value;
        return *this;
    }
    TFakeObject &Fail(TPropertyKey key, HRESULT hr = E_DEVICE_NO_PROPERTY)
    {
        PropertyFailures[key] = hr;
        return *this;
    }
};

class TFakeDevice
{
public:
    // Starts with the device object "DEVICE".
    TFakeDevice();

    // Adds an object listed below `parentID`, with its parent identifier,
    // content type and (when not null) object name set.
    TFakeObject &Add(const QString &id, const QString &parentID, TContentType type, const QString &name = QString());
    TFakeObject &AddStorage(const QString &id, const QString &name)
    {
        return Add(id, QStringLiteral("DEVICE"), ctFunctionalObject, name);
    }
    TFakeObject &AddFolder(const QString &id, const QString &parentID, const QString &name)
    {
        return Add(id, parentID, ctFolder, name);
    }
    TFakeObject &AddFile(const QString &id, const QString &parentID, const QString &name,
                         const QByteArray &content = {});
    TFakeObject &Object(const QString &id);
    bool Has(const QString &id) const { return FObjects.count(id) != 0; }

    // Hostile behaviour beyond the table: listings and properties made up on the fly.
    std::function<HRESULT(const QString &parentID, std::unique_ptr<IObjectIdEnumerator> &)> EnumOverride;
    std::function<bool(const QString &id, TPropertyKey key, TPropertyValue &value, HRESULT &hr)> PropertyOverride;

    int PropertyReads(const QString &id, TPropertyKey key) const;
    int TotalPropertyReads() const;
    HRESULT CloseResult = S_OK;
    int CloseCalls = 0;
    int OpenConnections = 0;

    // A connection to this device; the device must outlive it.
    std::unique_ptr<IDeviceConnection> Connect();

private:
    friend class TFakeConnection;
    std::map<QString, TFakeObject> FObjects;
    std::map<std::pair<QString, int>, int> FReads;
};

// Identifiers in batches, from a list.
struct TFakeDeviceEntry
{
    QString ID;
    QString FriendlyName;
    HRESULT NameResult = S_OK;
    QString Manufacturer;
    QString Description;
    HRESULT OpenResult = S_OK;
    std::shared_ptr<TFakeDevice> Device = std::make_shared<TFakeDevice>();
};

struct TFakeDeviceList
{
    std::vector<TFakeDeviceEntry> Devices;
    HRESULT ListResult = S_OK;
    bool NoService = false; // the factory gives no service at all
};

class TFakeDeviceService : public IDeviceService
{
public:
    explicit TFakeDeviceService(std::shared_ptr<TFakeDeviceList> list) : FList(std::move(list)) {}

    HRESULT GetDevices(QStringList &deviceIDs) override;
    HRESULT GetDeviceFriendlyName(const QString &deviceID, QString &name) override;
    HRESULT GetDeviceManufacturer(const QString &deviceID, QString &manufacturer) override;
    HRESULT GetDeviceDescription(const QString &deviceID, QString &description) override;
    HRESULT Open(const QString &deviceID, const TClientInformation &client,
                 std::unique_ptr<IDeviceConnection> &connection) override;

private:
    const TFakeDeviceEntry *Find(const QString &deviceID) const;
    std::shared_ptr<TFakeDeviceList> FList;
};

// A manager factory over the list (read again on every Refresh).
TDeviceServiceFactory FakeDeviceFactory(std::shared_ptr<TFakeDeviceList> list);
