#include "device/PortableDevice.h"

#include <QCoreApplication>
#include <QtGlobal>

namespace {

const char *const PowerSourceNames[] = {
    QT_TRANSLATE_NOOP("PrgText", "Battery"),
    QT_TRANSLATE_NOOP("PrgText", "External"),
};

const char *const DeviceTypeNames[] = {
    QT_TRANSLATE_NOOP("PrgText", "Generic"),        QT_TRANSLATE_NOOP("PrgText", "Camera"),
    QT_TRANSLATE_NOOP("PrgText", "Media Player"),   QT_TRANSLATE_NOOP("PrgText", "Phone"),
    QT_TRANSLATE_NOOP("PrgText", "Video"),          QT_TRANSLATE_NOOP("PrgText", "Personal Information Manager"),
    QT_TRANSLATE_NOOP("PrgText", "Audio Recorder"),
};

template <std::size_t N> QString NameOf(const char *const (&names)[N], std::uint32_t value)
{
    if (value >= N)
        return QString();
    return QCoreApplication::translate("PrgText", names[value]);
}

QString UnknownDeviceName()
{
    return QCoreApplication::translate("PrgText", "<Unknown device>");
}

} // namespace

QString PowerSourceName(std::uint32_t powerSource)
{
    return NameOf(PowerSourceNames, powerSource);
}

QString DeviceTypeName(std::uint32_t deviceType)
{
    return NameOf(DeviceTypeNames, deviceType);
}

// ---------------------------------------------------------------------------
// TPortableDevice

TPortableDevice::TPortableDevice(TPortableDeviceManager &AManager, const QString &ADeviceID)
    : FDeviceManager(AManager), FDeviceID(ADeviceID)
{
    HRESULT hr = AManager.Service().Open(ADeviceID, AManager.GetClientInformation(), FConnection);
    if (Succeeded(hr) && !FConnection)
        hr = E_UNEXPECTED;
    CheckDeviceCall(hr, QStringLiteral("TPortableDevice.Create:IPortableDevice.Open"));
    FContent = std::make_unique<TPortableDeviceContent>(*FConnection, this);
    FDeviceObject = std::make_unique<TPortableDeviceObject>(*FContent, QString::fromLatin1(DEVICE_OBJECT_ID), 0, 0);
}

TPortableDevice::~TPortableDevice()
{
    HRESULT hr = Release();
    if (Failed(hr))
        qWarning("%s", qPrintable(DeviceCallMessage(hr, QStringLiteral("TPortableDevice.Destroy:pDevice.Close"))));
}

HRESULT TPortableDevice::Release()
{
    if (!FConnection)
        return S_OK;
    FDeviceObject.reset();
    FContent.reset();
    HRESULT hr = FConnection->Close();
    FConnection.reset();
    return hr;
}

QString TPortableDevice::DeviceName() const
{
    QString name;
    CheckDeviceCall(FDeviceManager.Service().GetDeviceFriendlyName(FDeviceID, name),
                    QStringLiteral("TPortableDevice.GetDeviceName:IDeviceManager.GetDeviceFriendlyName"));
    return name;
}

QString TPortableDevice::Manufacturer() const
{
    QString manufacturer;
    CheckDeviceCall(FDeviceManager.Service().GetDeviceManufacturer(FDeviceID, manufacturer),
                    QStringLiteral("TPortableDevice.GetManufacturer:IDeviceManager.GetDeviceManufacturer"));
    return manufacturer;
}

QString TPortableDevice::Description() const
{
    QString description;
    CheckDeviceCall(FDeviceManager.Service().GetDeviceDescription(FDeviceID, description),
                    QStringLiteral("TPortableDevice.GetDescription:IDeviceManager.GetDeviceDescription"));
    return description;
}

QString TPortableDevice::TextProperty(TPropertyKey key) const
{
    TPropertyValue value;
    if (!FDeviceObject || Failed(FDeviceObject->GetProperty(key, value)) || value.Type != vtText)
        return QString();
    return value.Text;
}

std::uint32_t TPortableDevice::NumberProperty(TPropertyKey key) const
{
    TPropertyValue value;
    if (!FDeviceObject || Failed(FDeviceObject->GetProperty(key, value)) || value.Type != vtUInt32)
        return 0;
    return std::uint32_t(value.Number);
}

QString TPortableDevice::Firmware() const
{
    return TextProperty(pkFirmwareVersion);
}
QString TPortableDevice::Model() const
{
    return TextProperty(pkModel);
}
QString TPortableDevice::Protocol() const
{
    return TextProperty(pkProtocol);
}
QString TPortableDevice::SerialNumber() const
{
    return TextProperty(pkSerialNumber);
}
std::uint32_t TPortableDevice::PowerSource() const
{
    return NumberProperty(pkPowerSource);
}
std::uint32_t TPortableDevice::PowerLevel() const
{
    return NumberProperty(pkPowerLevel);
}
std::uint32_t TPortableDevice::DeviceType() const
{
    return NumberProperty(pkDeviceType);
}
QString TPortableDevice::PowerSourceAsString() const
{
    return PowerSourceName(PowerSource());
}
QString TPortableDevice::DeviceTypeAsString() const
{
    return DeviceTypeName(DeviceType());
}

bool TPortableDevice::ReportsPowerData() const
{
    for (TPropertyKey key : {pkPowerSource, pkPowerLevel}) {
        TPropertyValue value;
        if (FDeviceObject && !Failed(FDeviceObject->GetProperty(key, value)) && value.Type == vtUInt32)
            return true;
    }
    return false;
}

// ---------------------------------------------------------------------------
// TPortableDeviceManager

TPortableDeviceManager::TPortableDeviceManager(TDeviceServiceFactory factory) : FFactory(std::move(factory))
{
    Refresh();
}

TPortableDeviceManager::~TPortableDeviceManager()
{
    // The device's own destructor logs a failing close: nothing may raise here.
    FCurrentDevice.reset();
}

void TPortableDeviceManager::Refresh()
{
    DeviceServicePtr service = FFactory ? FFactory() : nullptr;
    CheckDeviceCall(service ? S_OK : E_CLASS_NOT_REGISTERED,
                    QStringLiteral("TPortableDeviceManager.Refresh: CoCreateInstance CLSID_PortableDeviceManager"));
    QStringList ids;
    CheckDeviceCall(service->GetDevices(ids),
                    QStringLiteral("TPortableDeviceManager.Refresh:IDeviceManager.GetDevices: DeviceCount"));
    // The open device keeps its own connection, so the old service may go.
    FDeviceManager = std::move(service);
    FDeviceCount = std::uint32_t(ids.size());

    FDeviceList.clear();
    for (const QString &id : ids) {
        QString name;
        if (Failed(FDeviceManager->GetDeviceFriendlyName(id, name)))
            name = UnknownDeviceName();
        FDeviceList.push_back(TDeviceListEntry{id, TDeviceData(name)});
    }
}

QString TPortableDeviceManager::DeviceID(int Index) const
{
    if (Index < 0 || Index >= int(FDeviceList.size()))
        return QString();
    return FDeviceList[std::size_t(Index)].DeviceID;
}

QString TPortableDeviceManager::DeviceFriendlyName(int Index) const
{
    if (Index < 0 || Index >= int(FDeviceList.size()))
        return QString();
    return FDeviceList[std::size_t(Index)].Data.FriendlyName;
}

void TPortableDeviceManager::ReleaseSelectedDevice()
{
    std::unique_ptr<TPortableDevice> device = std::move(FCurrentDevice);
    if (!device)
        return;
    HRESULT hr = device->Release();
    device.reset();
    CheckDeviceCall(hr, QStringLiteral("TPortableDevice.Destroy:pDevice.Close"));
}

TPortableDevice *TPortableDeviceManager::OpenDevice(const QString &deviceID)
{
    FCurrentDevice = std::make_unique<TPortableDevice>(*this, deviceID);
    return FCurrentDevice.get();
}

TPortableDevice *TPortableDeviceManager::GetDevice(int Index)
{
    ReleaseSelectedDevice();
    if (Index < 0 || Index >= int(FDeviceList.size()))
        return nullptr;
    return OpenDevice(FDeviceList[std::size_t(Index)].DeviceID);
}

TPortableDevice *TPortableDeviceManager::OpenFirstMatch(const std::function<bool(const TDeviceListEntry &)> &matches)
{
    ReleaseSelectedDevice();
    // The list holds exactly the FDeviceCount entries of the last Refresh.
    for (const TDeviceListEntry &entry : FDeviceList)
        if (matches(entry))
            return OpenDevice(entry.DeviceID);
    return nullptr;
}

TPortableDevice *TPortableDeviceManager::GetDeviceByName(const QString &DeviceName)
{
    return OpenFirstMatch([&](const TDeviceListEntry &entry) {
        return entry.Data.FriendlyName.compare(DeviceName, Qt::CaseInsensitive) == 0;
    });
}

TPortableDevice *TPortableDeviceManager::GetDeviceByID(const QString &DeviceID)
{
    return OpenFirstMatch(
        [&](const TDeviceListEntry &entry) { return entry.DeviceID.compare(DeviceID, Qt::CaseInsensitive) == 0; });
}

TClientInformation TPortableDeviceManager::GetClientInformation() const
{
    TClientInformation client;
    client.ClientName = QString::fromLatin1(DeviceClientName);
    client.MajorVersion = 1;
    client.MinorVersion = 0;
    client.Revision = 4;
    client.SecurityQualityOfService = 0x20000; // impersonation
    return client;
}
