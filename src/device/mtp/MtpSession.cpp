#include "device/mtp/MtpSession.h"

#include "device/mtp/MtpMapping.h"
#include "device/mtp/MtpTrace.h"
#include "device/mtp/MtpTransfer.h"

namespace {

constexpr std::chrono::milliseconds GatePoll{100};

QString Text(const std::optional<std::string> &value)
{
    return value ? QString::fromUtf8(*value).trimmed() : QString();
}

} // namespace

TMtpDeviceGate::TLock TMtpDeviceGate::Acquire()
{
    TLock lock(FMutex, std::defer_lock);
    while (!lock.try_lock_for(GatePoll))
        CancelStalledTransfer();
    return lock;
}

TMtpDeviceGate::TLock TMtpDeviceGate::TryAcquire()
{
    return TLock(FMutex, std::try_to_lock);
}

TMtpDeviceGate::TLock TMtpDeviceGate::AcquireFor(const std::shared_ptr<TMtpTransfer> &transfer)
{
    TLock lock = Acquire();
    std::lock_guard guard(FTransferMutex);
    FTransfer = transfer;
    return lock;
}

void TMtpDeviceGate::ReleaseTransfer()
{
    std::lock_guard guard(FTransferMutex);
    FTransfer.reset();
}

void TMtpDeviceGate::CancelStalledTransfer()
{
    std::shared_ptr<TMtpTransfer> transfer;
    {
        std::lock_guard guard(FTransferMutex);
        transfer = FTransfer.lock();
    }
    if (transfer)
        transfer->CancelIfStalled();
}

TMtpSession::TMtpSession(TMtpRawDevice raw, std::unique_ptr<IMtpDevice> device, HRESULT openResult)
    : FRaw(std::move(raw)), FDevice(std::move(device)), FOpenResult(openResult)
{
    ReadInfo();
}

void TMtpSession::ReadInfo()
{
    MTP_TRACE("device details begin");
    std::string serial;
    std::string friendly;
    std::string manufacturer;
    std::string model;
    if (FDevice) {
        TMtpDeviceGate::TLock lock = FGate.Acquire();
        IMtpDevice &device = *FDevice;
        FInfo.SerialNumber = device.SerialNumber();
        FInfo.Firmware = device.DeviceVersion();
        friendly = device.FriendlyName().value_or(std::string());
        manufacturer = device.ManufacturerName().value_or(std::string());
        model = device.ModelName().value_or(std::string());
        const std::vector<TMtpExtension> extensions = device.Extensions();
        FInfo.Protocol = MtpProtocolText(extensions);
        std::vector<std::uint16_t> types;
        std::optional<std::vector<std::uint16_t>> supported;
        if (device.SupportedFileTypes(types))
            supported = std::move(types);
        FInfo.DeviceType = MtpDeviceType(extensions, supported);
        std::uint8_t maximum = 0;
        std::uint8_t current = 0;
        if (device.BatteryLevel(maximum, current)) {
            FInfo.PowerLevel = MtpPowerLevel(maximum, current);
            // A device that reports a battery level runs on its battery.
            if (FInfo.PowerLevel)
                FInfo.PowerSource = 0;
        }
        device.TakeErrors(); // missing properties leave entries behind
        serial = Text(FInfo.SerialNumber).toStdString();
    }
    MTP_TRACE("device details end");
    FInfo.FriendlyName = MtpFallbackName(friendly, manufacturer, model, FRaw);
    FInfo.Manufacturer = QString::fromUtf8(manufacturer).trimmed();
    if (FInfo.Manufacturer.isEmpty())
        FInfo.Manufacturer = QString::fromUtf8(FRaw.Vendor).trimmed();
    FInfo.Model = QString::fromUtf8(model).trimmed();
    if (FInfo.Model.isEmpty())
        FInfo.Model = QString::fromUtf8(FRaw.Product).trimmed();
    // Bus and device number tell two devices of one kind apart (even two with
    // one serial number); the serial number tells a re-plugged device that
    // got the same number from a different one.
    FDeviceID = QString::asprintf("mtp:usb-%u-%u", FRaw.BusLocation, unsigned(FRaw.DevNum));
    QString printable = QString::fromStdString(serial);
    printable.removeIf([](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7F; });
    if (!printable.isEmpty())
        FDeviceID += QLatin1Char(':') + printable;
}

void TMtpSession::RefreshPower()
{
    if (!FDevice)
        return;
    TMtpDeviceGate::TLock lock = FGate.TryAcquire();
    if (!lock.owns_lock())
        return;
    std::uint8_t maximum = 0;
    std::uint8_t current = 0;
    MTP_TRACE("battery level");
    const bool read = FDevice->BatteryLevel(maximum, current);
    FDevice->TakeErrors();
    lock.unlock();
    if (!read)
        return;
    std::lock_guard guard(FInfoMutex);
    FInfo.PowerLevel = MtpPowerLevel(maximum, current);
    if (FInfo.PowerLevel)
        FInfo.PowerSource = 0;
}

std::optional<std::uint32_t> TMtpSession::PowerLevel()
{
    std::lock_guard guard(FInfoMutex);
    return FInfo.PowerLevel;
}

std::optional<std::uint32_t> TMtpSession::PowerSource()
{
    std::lock_guard guard(FInfoMutex);
    return FInfo.PowerSource;
}
