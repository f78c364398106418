#include "device/DeviceServices.h"

#include "device/BackendChoice.h"
#include "device/mtp/MtpDeviceService.h"
#include "device/ptp/PtpDeviceService.h"
#include "device/sim/SimulatedDeviceService.h"

#include <QRegularExpression>

#include <set>

DeviceServicePtr CreateDeviceServices()
{
    std::vector<DeviceServicePtr> services;
    // Real devices come first.
    const TBackendChoice choice = DeviceBackendChoice();
    if (choice.Mtp)
        services.push_back(CreateMtpDeviceService());
    if (choice.Ptp)
        services.push_back(CreatePtpDeviceService());
    if (choice.Simulated)
        services.push_back(CreateSimulatedDeviceService(SimulatedDevicesFolder()));
    return std::make_unique<TCompositeDeviceService>(std::move(services));
}

TCompositeDeviceService::TCompositeDeviceService(std::vector<DeviceServicePtr> services)
    : FServices(std::move(services))
{}

HRESULT TCompositeDeviceService::GetDevices(QStringList &deviceIDs)
{
    deviceIDs.clear();
    FOwners.clear();
    std::set<std::pair<unsigned, unsigned>> usbLocations;
    for (const DeviceServicePtr &service : FServices) {
        if (!service)
            continue;
        if (auto *sharing = dynamic_cast<IUsbSharingDeviceService *>(service.get()))
            sharing->SetListedBefore(deviceIDs);
        QStringList ids;
        HRESULT hr = service->GetDevices(ids);
        // One backend that cannot list (no USB access, say) must not hide the others.
        if (Failed(hr))
            continue;
        for (const QString &id : ids) {
            unsigned bus = 0;
            unsigned address = 0;
            // One USB device reached through two libraries is one device.
            if (UsbLocationOfDeviceID(id, bus, address) && !usbLocations.insert({bus, address}).second)
                continue;
            deviceIDs.append(id);
            FOwners.emplace_back(id, service.get());
        }
    }
    return S_OK;
}

IDeviceService *TCompositeDeviceService::ServiceOf(const QString &deviceID)
{
    if (FOwners.empty()) {
        QStringList ids;
        GetDevices(ids);
    }
    for (const auto &[id, service] : FOwners)
        if (id == deviceID)
            return service;
    return nullptr;
}

HRESULT TCompositeDeviceService::GetDeviceFriendlyName(const QString &deviceID, QString &name)
{
    IDeviceService *service = ServiceOf(deviceID);
    return service ? service->GetDeviceFriendlyName(deviceID, name) : E_DEVICE_GONE;
}

HRESULT TCompositeDeviceService::GetDeviceManufacturer(const QString &deviceID, QString &manufacturer)
{
    IDeviceService *service = ServiceOf(deviceID);
    return service ? service->GetDeviceManufacturer(deviceID, manufacturer) : E_DEVICE_GONE;
}

HRESULT TCompositeDeviceService::GetDeviceDescription(const QString &deviceID, QString &description)
{
    IDeviceService *service = ServiceOf(deviceID);
    return service ? service->GetDeviceDescription(deviceID, description) : E_DEVICE_GONE;
}

HRESULT TCompositeDeviceService::Open(const QString &deviceID, const TClientInformation &client,
                                      std::unique_ptr<IDeviceConnection> &connection)
{
    connection.reset();
    IDeviceService *service = ServiceOf(deviceID);
    return service ? service->Open(deviceID, client, connection) : E_DEVICE_GONE;
}

bool UsbLocationOfDeviceID(const QString &deviceID, unsigned &bus, unsigned &address)
{
    static const QRegularExpression pattern(QStringLiteral("^(?:mtp|ptp):usb-(\\d{1,3})-(\\d{1,3})(:|$)"));
    const QRegularExpressionMatch match = pattern.match(deviceID);
    bus = 0;
    address = 0;
    if (!match.hasMatch())
        return false;
    bus = match.captured(1).toUInt();
    address = match.captured(2).toUInt();
    return true;
}

QString DeviceBackendName(const QString &deviceID)
{
    if (deviceID.startsWith(QLatin1String("mtp:")))
        return QStringLiteral("libmtp");
    if (deviceID.startsWith(QLatin1String("ptp:")))
        return QStringLiteral("libgphoto2");
    if (deviceID.startsWith(QLatin1String("sim:")))
        return QStringLiteral("simulated");
    return {};
}
