#pragma once

#include "device/DeviceServices.h"
#include "device/PortableDeviceContent.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class TPortableDeviceManager;

class TDeviceData
{
public:
    explicit TDeviceData(const QString &AName) : FriendlyName(AName) {}
    QString FriendlyName;
};

// Device identifiers in the order the service reported them, each with its
// friendly name.
struct TDeviceListEntry
{
    QString DeviceID;
    TDeviceData Data;
};
using TDeviceList = std::vector<TDeviceListEntry>;

// One opened device: its object tree and the facts about it.
class TPortableDevice
{
public:
    // Opens the device; raises EDeviceCallError when it cannot be opened.
    TPortableDevice(TPortableDeviceManager &AManager, const QString &ADeviceID);
    // Closes the device; a failing close is only logged here (see Release).
    ~TPortableDevice();
    TPortableDevice(const TPortableDevice &) = delete;
    TPortableDevice &operator=(const TPortableDevice &) = delete;

    TPortableDeviceContent &Content() const { return *FContent; }
    // "DEVICE" outside the tree (parent index 0, level 0), for the device's properties.
    const TPortableDeviceObject &DeviceObject() const { return *FDeviceObject; }
    const QString &DeviceID() const { return FDeviceID; }

    // Asked of the device service on every read; raise EDeviceCallError.
    QString DeviceName() const;
    QString Manufacturer() const;
    QString Description() const;

    // Never raise; empty or 0 when the device does not report them.
    QString Firmware() const;
    QString Model() const;
    QString Protocol() const;
    QString SerialNumber() const;
    std::uint32_t PowerSource() const;
    std::uint32_t PowerLevel() const;
    std::uint32_t DeviceType() const;
    QString PowerSourceAsString() const;
    QString DeviceTypeAsString() const;
    // Whether the device reports a power source or level at all.
    bool ReportsPowerData() const;

    // Releases the tree and closes the device; the result of the close.
    // Called once by the manager; the destructor calls it when nobody did.
    HRESULT Release();

private:
    QString TextProperty(TPropertyKey key) const;
    std::uint32_t NumberProperty(TPropertyKey key) const;

    std::unique_ptr<IDeviceConnection> FConnection;
    TPortableDeviceManager &FDeviceManager;
    std::unique_ptr<TPortableDeviceContent> FContent;
    std::unique_ptr<TPortableDeviceObject> FDeviceObject;
    QString FDeviceID;
};

QString PowerSourceName(std::uint32_t powerSource);
QString DeviceTypeName(std::uint32_t deviceType);

using TDeviceServiceFactory = std::function<DeviceServicePtr()>;

// The connected devices; opens one at a time.
class TPortableDeviceManager
{
public:
    // Reads the device list; raises EDeviceCallError when there is no device
    // service at all. The factory makes a fresh service for every Refresh.
    explicit TPortableDeviceManager(TDeviceServiceFactory factory = CreateDeviceServices);
    ~TPortableDeviceManager();
    TPortableDeviceManager(const TPortableDeviceManager &) = delete;
    TPortableDeviceManager &operator=(const TPortableDeviceManager &) = delete;

    // Reads the device list anew; the selected device stays open.
    void Refresh();
    std::uint32_t DeviceCount() const { return FDeviceCount; }
    const TDeviceList &DeviceList() const { return FDeviceList; }
    // Identifier and friendly name of a list entry, without opening it.
    QString DeviceID(int Index) const;
    QString DeviceFriendlyName(int Index) const;

    // Each closes the selected device first, then opens the one asked for and
    // makes it the selected one; none when nothing matches. Raise
    // EDeviceCallError when closing or opening fails.
    TPortableDevice *GetDevice(int Index);
    TPortableDevice *Devices(int Index) { return GetDevice(Index); }
    TPortableDevice *GetDeviceByName(const QString &DeviceName);
    TPortableDevice *GetDeviceByID(const QString &DeviceID);
    TPortableDevice *SelectedDevice() const { return FCurrentDevice.get(); }

    TClientInformation GetClientInformation() const;
    IDeviceService &Service() const { return *FDeviceManager; }

private:
    TPortableDevice *OpenDevice(const QString &deviceID);
    // Closes the selected device, then opens the first list entry that matches.
    TPortableDevice *OpenFirstMatch(const std::function<bool(const TDeviceListEntry &)> &matches);
    void ReleaseSelectedDevice();

    DeviceServicePtr FDeviceManager;
    TDeviceServiceFactory FFactory;
    std::uint32_t FDeviceCount = 0;
    TDeviceList FDeviceList;
    std::unique_ptr<TPortableDevice> FCurrentDevice;
};

// The client name sent with every Open.
inline constexpr const char *DeviceClientName = "Tessaril device access";
