#pragma once

#include "device/DeviceService.h"

#include <vector>

// All device backends combined into one list: real devices first, then the
// simulated ones (the folder named by TESSARIL_DEVICES).
DeviceServicePtr CreateDeviceServices();

// Several services as one: the device lists are joined in the given order;
// every other call goes to the service that listed the device.
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
