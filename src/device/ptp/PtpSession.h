#pragma once

#include "base/Result.h"
#include "device/ptp/PtpLibrary.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

// What a camera tells about itself, read once when the session opens.
struct TPtpCameraInfo
{
    QString FriendlyName; // with fall-backs, never empty
    QString Manufacturer;
    QString Model;
    std::optional<std::string> Firmware;
    std::optional<std::string> SerialNumber;
    std::optional<std::uint32_t> PowerLevel;
};

// One camera found on the bus and, when that worked, its open session.
// Shared by the service that listed it and the connections and streams
// opened on it, so that a connection outlives a refreshed device list.
// libgphoto2 serves one call per camera at a time: every caller holds the
// lock while it talks to the camera.
class TPtpSession
{
public:
    TPtpSession(std::shared_ptr<IPtpLibrary> library, TPtpCameraPort port, std::unique_ptr<IPtpCamera> camera,
                HRESULT openResult);

    const TPtpCameraPort &Port() const { return FPort; }
    const QString &DeviceID() const { return FDeviceID; }
    const TPtpCameraInfo &Info() const { return FInfo; }
    bool IsOpen() const { return FCamera != nullptr; }
    HRESULT OpenResult() const { return FOpenResult; }

    std::unique_lock<std::mutex> Lock() { return std::unique_lock<std::mutex>(FMutex); }
    // The camera; only while holding the lock.
    IPtpCamera &Camera() { return *FCamera; }
    // The library's text for one of its result codes.
    std::string ResultText(int result) const { return FLibrary->ResultText(result); }

private:
    void ReadInfo();

    std::shared_ptr<IPtpLibrary> FLibrary;
    TPtpCameraPort FPort;
    std::unique_ptr<IPtpCamera> FCamera;
    HRESULT FOpenResult;
    QString FDeviceID;
    TPtpCameraInfo FInfo;
    std::mutex FMutex;
};

using TPtpSessionPtr = std::shared_ptr<TPtpSession>;

// The device identifier of a camera on a port: "ptp:usb-BUS-ADDRESS" (or the
// port path for a camera elsewhere), then ":" and the printable serial number.
QString PtpDeviceID(const TPtpCameraPort &port, const std::string &serialNumber);
