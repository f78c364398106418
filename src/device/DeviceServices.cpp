#include "device/DeviceServices.h"

#include "device/BackendChoice.h"
#include "device/mtp/MtpDeviceService.h"
#include "device/ptp/PtpDeviceService.h"
#include "device/sim/SimulatedDeviceService.h"

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

namespace {

// One to three decimal digits at position; position moves past them.
bool ReadUsbNumber(const QString &text, qsizetype &position, unsigned &number)
{
    number = 0;
    const qsizetype start = position;
    while (position < text.size() && position - start < 4 && text[position] >= u'0' && text[position] <= u'9') {
        number = number * 10 + unsigned(text[position].unicode() - u'0');
        ++position;
    }
    const qsizetype digits = position - start;
    return digits >= 1 && digits <= 3;
}

} // namespace

bool UsbLocationOfDeviceID(const QString &deviceID, unsigned &bus, unsigned &address)
{
    // Parsed by hand: a regular expression here cost a pattern compilation
    // at every program start, for the first device listed.
    bus = 0;
    address = 0;
    if (!deviceID.startsWith(QLatin1String("mtp:usb-")) && !deviceID.startsWith(QLatin1String("ptp:usb-")))
        return false;
    qsizetype position = 8;
    unsigned busNumber = 0;
    unsigned addressNumber = 0;
    if (!ReadUsbNumber(deviceID, position, busNumber) || position >= deviceID.size() ||
        deviceID[position] != QLatin1Char('-'))
        return false;
    ++position;
    if (!ReadUsbNumber(deviceID, position, addressNumber))
        return false;
    if (position < deviceID.size() && deviceID[position] != QLatin1Char(':'))
        return false;
    bus = busNumber;
    address = addressNumber;
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
