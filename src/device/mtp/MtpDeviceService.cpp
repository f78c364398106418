#include "device/mtp/MtpDeviceService.h"

#include "device/mtp/MtpConnection.h"
#include "device/mtp/MtpMapping.h"
#include "device/mtp/MtpTrace.h"

#include <QStringList>

namespace {

bool SameDevice(const TMtpRawDevice &a, const TMtpRawDevice &b)
{
    return a.BusLocation == b.BusLocation && a.DevNum == b.DevNum && a.VendorId == b.VendorId &&
           a.ProductId == b.ProductId;
}

} // namespace

TMtpRegistry::TMtpRegistry(std::shared_ptr<IMtpLibrary> library, TMtpStreamLimits limits)
    : FLibrary(std::move(library)), FLimits(limits)
{}

std::shared_ptr<TMtpRegistry> TMtpRegistry::Default()
{
    static std::shared_ptr<TMtpRegistry> registry = std::make_shared<TMtpRegistry>(CreateLibMtpLibrary());
    return registry;
}

HRESULT TMtpRegistry::Refresh(std::vector<TMtpSessionPtr> &sessions)
{
    sessions.clear();
    std::lock_guard guard(FMutex);
    std::vector<TMtpRawDevice> found;
    MTP_TRACE("detect begin");
    const int error = FLibrary->Detect(found);
    MTP_TRACE("detect end: %zu devices, error %d", found.size(), error);
    if (error != mtpErrNone) {
        qWarning("MTP: device detection failed (libmtp error %d)", error);
        return MtpErrorResult(error);
    }
    std::vector<TMtpSessionPtr> kept;
    for (const TMtpRawDevice &raw : found) {
        TMtpSessionPtr session;
        for (const TMtpSessionPtr &known : FSessions)
            if (known->IsOpen() && SameDevice(known->Raw(), raw))
                session = known;
        // A device that could not be opened last time gets another chance.
        if (!session)
            session = OpenSession(raw);
        kept.push_back(session);
    }
    // Sessions of devices that left the bus close here, or with the last
    // connection or stream that still holds them.
    FSessions = kept;
    sessions = std::move(kept);
    return S_OK;
}

TMtpSessionPtr TMtpRegistry::OpenSession(const TMtpRawDevice &raw)
{
    MTP_TRACE("open begin");
    std::unique_ptr<IMtpDevice> device = FLibrary->Open(raw);
    MTP_TRACE("open end");
    if (!device) {
        // libmtp says no more than that; the usual reason is another program
        // (a desktop file manager) holding the device.
        qWarning("MTP: cannot open the device on bus %u, device %u", raw.BusLocation, unsigned(raw.DevNum));
        return std::make_shared<TMtpSession>(raw, nullptr, MtpErrorResult(mtpErrConnecting));
    }
    return std::make_shared<TMtpSession>(raw, std::move(device), S_OK);
}

TMtpDeviceService::TMtpDeviceService(std::shared_ptr<TMtpRegistry> registry) : FRegistry(std::move(registry))
{}

HRESULT TMtpDeviceService::GetDevices(QStringList &deviceIDs)
{
    deviceIDs.clear();
    MTP_TRACE("device list asked");
    FListed = true;
    const HRESULT result = FRegistry->Refresh(FSessions);
    if (Failed(result))
        return result;
    for (const TMtpSessionPtr &session : FSessions)
        deviceIDs.append(session->DeviceID());
    return S_OK;
}

TMtpSessionPtr TMtpDeviceService::SessionOf(const QString &deviceID)
{
    if (!FListed) {
        QStringList ids;
        GetDevices(ids);
    }
    for (const TMtpSessionPtr &session : FSessions)
        if (session->DeviceID().compare(deviceID, Qt::CaseInsensitive) == 0)
            return session;
    return nullptr;
}

HRESULT TMtpDeviceService::GetDeviceFriendlyName(const QString &deviceID, QString &name)
{
    name.clear();
    TMtpSessionPtr session = SessionOf(deviceID);
    if (!session)
        return E_DEVICE_GONE;
    name = session->Info().FriendlyName;
    return S_OK;
}

HRESULT TMtpDeviceService::GetDeviceManufacturer(const QString &deviceID, QString &manufacturer)
{
    manufacturer.clear();
    TMtpSessionPtr session = SessionOf(deviceID);
    if (!session)
        return E_DEVICE_GONE;
    manufacturer = session->Info().Manufacturer;
    return S_OK;
}

HRESULT TMtpDeviceService::GetDeviceDescription(const QString &deviceID, QString &description)
{
    description.clear();
    TMtpSessionPtr session = SessionOf(deviceID);
    if (!session)
        return E_DEVICE_GONE;
    description = session->Info().Model;
    return S_OK;
}

HRESULT TMtpDeviceService::Open(const QString &deviceID, const TClientInformation &,
                                std::unique_ptr<IDeviceConnection> &connection)
{
    connection.reset();
    TMtpSessionPtr session = SessionOf(deviceID);
    if (!session)
        return E_DEVICE_GONE;
    if (!session->IsOpen())
        return session->OpenResult();
    MTP_TRACE("connection opened");
    connection = std::make_unique<TMtpConnection>(session, FRegistry->StreamLimits());
    return S_OK;
}

DeviceServicePtr CreateMtpDeviceService()
{
    return std::make_unique<TMtpDeviceService>(TMtpRegistry::Default());
}
