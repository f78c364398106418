#pragma once

#include "device/DeviceServices.h"
#include "device/ptp/PtpLibrary.h"
#include "device/ptp/PtpSession.h"
#include "device/ptp/PtpStream.h"

#include <memory>
#include <mutex>
#include <set>
#include <utility>
#include <vector>

// The cameras libgphoto2 finds, with their sessions kept open while they stay
// plugged in. One registry serves every device list the program reads, so a
// refreshed list does not reopen (or lose) a camera that is in use.
class TPtpRegistry
{
public:
    using TUsbLocations = std::set<std::pair<unsigned, unsigned>>; // bus, address

    explicit TPtpRegistry(std::shared_ptr<IPtpLibrary> library, TPtpStreamLimits limits = {});

    // Detects the cameras on the bus and opens those that are new, leaving
    // out (unopened) those at `taken`: another backend serves them.
    HRESULT Refresh(const TUsbLocations &taken, std::vector<TPtpSessionPtr> &sessions);
    const TPtpStreamLimits &StreamLimits() const { return FLimits; }

    // The registry of the real library, created on first use.
    static std::shared_ptr<TPtpRegistry> Default();

private:
    TPtpSessionPtr OpenSession(const TPtpCameraPort &port);

    std::shared_ptr<IPtpLibrary> FLibrary;
    TPtpStreamLimits FLimits;
    std::mutex FMutex; // detection and opening touch libgphoto2's global state
    std::vector<TPtpSessionPtr> FSessions;
};

// Cameras through libgphoto2 (PTP cameras that libmtp does not claim).
class TPtpDeviceService : public IDeviceService, public IUsbSharingDeviceService
{
public:
    explicit TPtpDeviceService(std::shared_ptr<TPtpRegistry> registry);

    HRESULT GetDevices(QStringList &deviceIDs) override;
    HRESULT GetDeviceFriendlyName(const QString &deviceID, QString &name) override;
    HRESULT GetDeviceManufacturer(const QString &deviceID, QString &manufacturer) override;
    HRESULT GetDeviceDescription(const QString &deviceID, QString &description) override;
    HRESULT Open(const QString &deviceID, const TClientInformation &client,
                 std::unique_ptr<IDeviceConnection> &connection) override;
    void SetListedBefore(const QStringList &deviceIDs) override;

private:
    TPtpSessionPtr SessionOf(const QString &deviceID);

    std::shared_ptr<TPtpRegistry> FRegistry;
    TPtpRegistry::TUsbLocations FTaken;
    std::vector<TPtpSessionPtr> FSessions;
    bool FListed = false;
};

DeviceServicePtr CreatePtpDeviceService();
