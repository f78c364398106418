#pragma once

#include "base/SourceStream.h"
#include "device/mtp/MtpLibrary.h"

#include <QString>

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

class TMtpTransfer;

// Serialises every call to one device: libmtp is not thread-safe, and a
// device answers one transaction at a time. A whole-file read holds the gate
// for the length of the file; when its reader has stopped taking bytes, the
// next caller cancels it rather than wait for ever.
class TMtpDeviceGate
{
public:
    using TLock = std::unique_lock<std::timed_mutex>;

    TLock Acquire();
    // The lock only when the device is free right now.
    TLock TryAcquire();
    // Acquire for a whole-file read, which others may cancel while it stalls.
    TLock AcquireFor(const std::shared_ptr<TMtpTransfer> &transfer);
    void ReleaseTransfer();

private:
    void CancelStalledTransfer();

    std::timed_mutex FMutex;
    std::mutex FTransferMutex;
    std::weak_ptr<TMtpTransfer> FTransfer;
};

// What a device tells about itself, read once when the session opens.
struct TMtpDeviceInfo
{
    QString FriendlyName; // with fall-backs, never empty
    QString Manufacturer;
    QString Model;
    std::optional<std::string> Firmware;
    std::optional<std::string> SerialNumber;
    QString Protocol;
    std::optional<std::uint32_t> DeviceType;
    std::optional<std::uint32_t> PowerLevel;
    std::optional<std::uint32_t> PowerSource;
};

// One device found on the bus and, when that worked, its open MTP session.
// Shared by the service that listed it and the connections opened on it, so
// that a connection outlives a refreshed device list.
class TMtpSession
{
public:
    TMtpSession(TMtpRawDevice raw, std::unique_ptr<IMtpDevice> device, HRESULT openResult);

    const TMtpRawDevice &Raw() const { return FRaw; }
    const QString &DeviceID() const { return FDeviceID; }
    const TMtpDeviceInfo &Info() const { return FInfo; }
    bool IsOpen() const { return FDevice != nullptr; }
    HRESULT OpenResult() const { return FOpenResult; }

    // The device; only while holding the gate.
    IMtpDevice &Device() { return *FDevice; }
    TMtpDeviceGate &Gate() { return FGate; }

    // Re-reads the battery level when the device is free; the last known
    // values otherwise, so that no caller waits behind a file transfer.
    void RefreshPower();
    std::optional<std::uint32_t> PowerLevel();
    std::optional<std::uint32_t> PowerSource();

private:
    void ReadInfo();

    TMtpRawDevice FRaw;
    std::unique_ptr<IMtpDevice> FDevice;
    HRESULT FOpenResult;
    QString FDeviceID;
    TMtpDeviceInfo FInfo;
    std::mutex FInfoMutex;
    TMtpDeviceGate FGate;
};

using TMtpSessionPtr = std::shared_ptr<TMtpSession>;
