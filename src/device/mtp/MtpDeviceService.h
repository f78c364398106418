#pragma once

#include "device/DeviceService.h"
#include "device/mtp/MtpLibrary.h"
#include "device/mtp/MtpSession.h"
#include "device/mtp/MtpStream.h"

#include <memory>
#include <mutex>
#include <vector>

// The devices libmtp finds, with their sessions kept open while they stay
// plugged in. One registry serves every device list the program reads, so a
// refreshed list does not reopen (or lose) a device that is in use.
class TMtpRegistry
{
public:
    explicit TMtpRegistry(std::shared_ptr<IMtpLibrary> library, TMtpStreamLimits limits = {});

    // Detects the devices on the bus; opens those that are new.
    HRESULT Refresh(std::vector<TMtpSessionPtr> &sessions);
    const TMtpStreamLimits &StreamLimits() const { return FLimits; }

    // The registry of the real library, created on first use.
    static std::shared_ptr<TMtpRegistry> Default();

private:
    TMtpSessionPtr OpenSession(const TMtpRawDevice &raw);

    std::shared_ptr<IMtpLibrary> FLibrary;
    TMtpStreamLimits FLimits;
    std::mutex FMutex; // detection and opening touch libmtp's global state
    std::vector<TMtpSessionPtr> FSessions;
};

// Real devices through libmtp.
class TMtpDeviceService : public IDeviceService
{
public:
    explicit TMtpDeviceService(std::shared_ptr<TMtpRegistry> registry);

    HRESULT GetDevices(QStringList &deviceIDs) override;
    HRESULT GetDeviceFriendlyName(const QString &deviceID, QString &name) override;
    HRESULT GetDeviceManufacturer(const QString &deviceID, QString &manufacturer) override;
    HRESULT GetDeviceDescription(const QString &deviceID, QString &description) override;
    HRESULT Open(const QString &deviceID, const TClientInformation &client,
                 std::unique_ptr<IDeviceConnection> &connection) override;

private:
    TMtpSessionPtr SessionOf(const QString &deviceID);

    std::shared_ptr<TMtpRegistry> FRegistry;
    std::vector<TMtpSessionPtr> FSessions;
    bool FListed = false;
};

DeviceServicePtr CreateMtpDeviceService();
