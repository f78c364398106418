#include "device/ptp/PtpDeviceService.h"

#include "device/ptp/PtpConnection.h"
#include "device/ptp/PtpMapping.h"

#include <QStringList>

TPtpRegistry::TPtpRegistry(std::shared_ptr<IPtpLibrary> library, TPtpStreamLimits limits)
    : FLibrary(std::move(library)), FLimits(limits)
{}

std::shared_ptr<TPtpRegistry> TPtpRegistry::Default()
{
    static std::shared_ptr<TPtpRegistry> registry = std::make_shared<TPtpRegistry>(CreateLibGphotoLibrary());
    return registry;
}

HRESULT TPtpRegistry::Refresh(const TUsbLocations &taken, std::vector<TPtpSessionPtr> &sessions)
{
    sessions.clear();
    std::lock_guard guard(FMutex);
    std::vector<TPtpCameraPort> found;
    const int result = FLibrary->Detect(found);
    if (result < ptpOk) {
        qWarning("PTP: camera detection failed: %s", FLibrary->ResultText(result).c_str());
        return PtpErrorResult(result);
    }
    std::vector<TPtpSessionPtr> kept;
    std::set<std::string> ports;
    for (const TPtpCameraPort &port : found) {
        // One port listed twice (two drivers claiming it) is one camera.
        if (!ports.insert(port.Port).second)
            continue;
        unsigned bus = 0;
        unsigned address = 0;
        // Opening would take the device from the backend that serves it.
        if (PtpUsbLocation(port.Port, bus, address) && taken.count({bus, address}) > 0)
            continue;
        TPtpSessionPtr session;
        for (const TPtpSessionPtr &known : FSessions)
            if (known->IsOpen() && known->Port().Port == port.Port && known->Port().Model == port.Model)
                session = known;
        // A camera that could not be opened last time gets another chance.
        if (!session)
            session = OpenSession(port);
        kept.push_back(session);
    }
    // Sessions of cameras that left the bus close here, or with the last
    // connection or stream that still holds them.
    FSessions = kept;
    sessions = std::move(kept);
    return S_OK;
}

TPtpSessionPtr TPtpRegistry::OpenSession(const TPtpCameraPort &port)
{
    std::unique_ptr<IPtpCamera> camera;
    const int result = FLibrary->Open(port, camera);
    if (result < ptpOk || !camera) {
        qWarning("PTP: cannot open the camera at %s: %s", port.Port.c_str(), FLibrary->ResultText(result).c_str());
        return std::make_shared<TPtpSession>(FLibrary, port, nullptr,
                                             PtpErrorResult(result < ptpOk ? result : ptpError));
    }
    return std::make_shared<TPtpSession>(FLibrary, port, std::move(camera), S_OK);
}

TPtpDeviceService::TPtpDeviceService(std::shared_ptr<TPtpRegistry> registry) : FRegistry(std::move(registry))
{}

void TPtpDeviceService::SetListedBefore(const QStringList &deviceIDs)
{
    FTaken.clear();
    for (const QString &id : deviceIDs) {
        unsigned bus = 0;
        unsigned address = 0;
        if (UsbLocationOfDeviceID(id, bus, address))
            FTaken.insert({bus, address});
    }
}

HRESULT TPtpDeviceService::GetDevices(QStringList &deviceIDs)
{
    deviceIDs.clear();
    FListed = true;
    const HRESULT result = FRegistry->Refresh(FTaken, FSessions);
    if (Failed(result))
        return result;
    for (const TPtpSessionPtr &session : FSessions)
        deviceIDs.append(session->DeviceID());
    return S_OK;
}

TPtpSessionPtr TPtpDeviceService::SessionOf(const QString &deviceID)
{
    if (!FListed) {
        QStringList ids;
        GetDevices(ids);
    }
    for (const TPtpSessionPtr &session : FSessions)
        if (session->DeviceID().compare(deviceID, Qt::CaseInsensitive) == 0)
            return session;
    return nullptr;
}

HRESULT TPtpDeviceService::GetDeviceFriendlyName(const QString &deviceID, QString &name)
{
    name.clear();
    TPtpSessionPtr session = SessionOf(deviceID);
    if (!session)
        return E_DEVICE_GONE;
    name = session->Info().FriendlyName;
    return S_OK;
}

HRESULT TPtpDeviceService::GetDeviceManufacturer(const QString &deviceID, QString &manufacturer)
{
    manufacturer.clear();
    TPtpSessionPtr session = SessionOf(deviceID);
    if (!session)
        return E_DEVICE_GONE;
    manufacturer = session->Info().Manufacturer;
    return S_OK;
}

HRESULT TPtpDeviceService::GetDeviceDescription(const QString &deviceID, QString &description)
{
    description.clear();
    TPtpSessionPtr session = SessionOf(deviceID);
    if (!session)
        return E_DEVICE_GONE;
    description = session->Info().Model;
    return S_OK;
}

HRESULT TPtpDeviceService::Open(const QString &deviceID, const TClientInformation &,
                                std::unique_ptr<IDeviceConnection> &connection)
{
    connection.reset();
    TPtpSessionPtr session = SessionOf(deviceID);
    if (!session)
        return E_DEVICE_GONE;
    if (!session->IsOpen())
        return session->OpenResult();
    connection = std::make_unique<TPtpConnection>(session, FRegistry->StreamLimits());
    return S_OK;
}

DeviceServicePtr CreatePtpDeviceService()
{
    return std::make_unique<TPtpDeviceService>(TPtpRegistry::Default());
}
