#include "device/sim/SimulatedDeviceService.h"

namespace
{

class TSimulatedDeviceService : public IDeviceService
{
public:
    HRESULT GetDevices(QStringList &deviceIDs) override
    {
        deviceIDs.clear();
        return S_OK;
    }
    HRESULT GetDeviceFriendlyName(const QString &, QString &) override { return E_DEVICE_GONE; }
    HRESULT GetDeviceManufacturer(const QString &, QString &) override { return E_DEVICE_GONE; }
    HRESULT GetDeviceDescription(const QString &, QString &) override { return E_DEVICE_GONE; }
    HRESULT Open(const QString &, const TClientInformation &, std::unique_ptr<IDeviceConnection> &) override
    {
        return E_DEVICE_GONE;
    }
};

} // namespace

DeviceServicePtr CreateSimulatedDeviceService(const QString &)
{
    return std::make_unique<TSimulatedDeviceService>();
}

QString SimulatedDevicesFolder()
{
    return qEnvironmentVariable("TESSARIL_DEVICES");
}
