#pragma once

#include "device/DeviceService.h"

#include <vector>

// All device backends combined into one list: real devices first (libmtp,
// then cameras through libgphoto2), then the simulated ones (the folder
// named by TESSARIL_DEVICES).
DeviceServicePtr CreateDeviceServices();

// A backend that reaches USB devices another backend may serve as well (a
// phone is both an MTP device and a PTP camera). Told which devices the
// backends before it listed, it leaves them out without opening them.
class IUsbSharingDeviceService
{
public:
    virtual ~IUsbSharingDeviceService() = default;
    virtual void SetListedBefore(const QStringList &deviceIDs) = 0;
};

// USB bus and device address of a device identifier of the form
// "<backend>:usb-<bus>-<address>[:<serial>]"; false for any other form.
bool UsbLocationOfDeviceID(const QString &deviceID, unsigned &bus, unsigned &address);

// Which backend serves a device: "libmtp", "libgphoto2" or "simulated" by
// its identifier; empty when the identifier names none of them.
QString DeviceBackendName(const QString &deviceID);

// Several services as one: the device lists are joined in the given order,
// a USB device that an earlier service listed is not listed again; every
// other call goes to the service that listed the device.
class TCompositeDeviceService : public IDeviceService
{
public:
    explicit TCompositeDeviceService(std::vector<DeviceServicePtr> services);

    HRESULT GetDevices(QStringList &deviceIDs) override;
    HRESULT GetDeviceFriendlyName(const QString &deviceID, QString &name) override;
    HRESULT GetDeviceManufacturer(const QString &deviceID, QString &manufacturer) override;
    HRESULT GetDeviceDescription(const QString &deviceID, QString &description) override;
    HRESULT Open(const QString &deviceID, const TClientInformation &client,
                 std::unique_ptr<IDeviceConnection> &connection) override;

private:
    IDeviceService *ServiceOf(const QString &deviceID);

    std::vector<DeviceServicePtr> FServices;
    std::vector<std::pair<QString, IDeviceService *>> FOwners;
};
