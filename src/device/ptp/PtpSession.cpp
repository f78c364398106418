#include "device/ptp/PtpSession.h"

#include "device/ptp/PtpMapping.h"

namespace {

QString Printable(const std::string &text)
{
    QString printable = QString::fromUtf8(text).trimmed();
    printable.removeIf([](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7F; });
    return printable;
}

} // namespace

QString PtpDeviceID(const TPtpCameraPort &port, const std::string &serialNumber)
{
    unsigned bus = 0;
    unsigned address = 0;
    // Bus and address tell two cameras of one kind apart; the serial number a
    // re-plugged camera that got the same address from a different one.
    QString id = PtpUsbLocation(port.Port, bus, address) ? QString::asprintf("ptp:usb-%u-%u", bus, address)
                                                         : QStringLiteral("ptp:") + Printable(port.Port);
    const QString serial = Printable(serialNumber);
    if (!serial.isEmpty())
        id += QLatin1Char(':') + serial;
    return id;
}

TPtpSession::TPtpSession(std::shared_ptr<IPtpLibrary> library, TPtpCameraPort port, std::unique_ptr<IPtpCamera> camera,
                         HRESULT openResult)
    : FLibrary(std::move(library)), FPort(std::move(port)), FCamera(std::move(camera)), FOpenResult(openResult)
{
    ReadInfo();
}

void TPtpSession::ReadInfo()
{
    std::string manufacturer;
    std::string model;
    if (FCamera) {
        std::lock_guard guard(FMutex);
        manufacturer = FCamera->SettingText("manufacturer").value_or(std::string());
        model = FCamera->SettingText("cameramodel").value_or(std::string());
        FInfo.SerialNumber = FCamera->SettingText("serialnumber");
        FInfo.Firmware = FCamera->SettingText("deviceversion");
        if (const std::optional<std::string> battery = FCamera->SettingText("batterylevel"))
            FInfo.PowerLevel = PtpPowerLevel(*battery);
    }
    FInfo.FriendlyName = PtpFriendlyName(manufacturer, model, FPort);
    FInfo.Manufacturer = QString::fromUtf8(manufacturer).trimmed();
    FInfo.Model = QString::fromUtf8(model).trimmed();
    if (FInfo.Model.isEmpty())
        FInfo.Model = QString::fromUtf8(FPort.Model).trimmed();
    FDeviceID = PtpDeviceID(FPort, FInfo.SerialNumber.value_or(std::string()));
}
