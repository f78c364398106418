#pragma once

#include "base/FileData.h"
#include "base/SourceStream.h"
#include "device/DeviceGuid.h"

#include <QString>
#include <QStringList>

#include <cerrno>
#include <cstdint>
#include <memory>

// The device service: the few operations the object tree and the device
// manager need from a device, in neutral terms. Backends (libmtp for real
// devices, a folder of simulated devices) implement it; nothing above this
// header knows which backend answers. Every call returns an HRESULT-style
// code: negative is failure, S_OK success, S_FALSE "success, but the end".

// Object identifier of the device object itself.
inline constexpr const char *DEVICE_OBJECT_ID = "DEVICE";

// Codes backends use for the common failures (errno values in the composite
// form, so that they get a system text).
inline constexpr HRESULT E_DEVICE_NO_OBJECT = HResultFromErrno(ENOENT);    // unknown object identifier
inline constexpr HRESULT E_DEVICE_NO_PROPERTY = HResultFromErrno(ENODATA); // property not reported
inline constexpr HRESULT E_DEVICE_IO = HResultFromErrno(EIO);              // the link to the device failed
inline constexpr HRESULT E_DEVICE_NOT_FOLDER = HResultFromErrno(ENOTDIR);  // children of a non-container
inline constexpr HRESULT E_DEVICE_GONE = HResultFromErrno(ENODEV);         // device no longer connected
// No device service at all (the class is not registered).
inline constexpr HRESULT E_CLASS_NOT_REGISTERED = static_cast<HRESULT>(0x80040154);

// The properties the device layer reads. Object properties first, then the
// properties of the device object "DEVICE".
enum TPropertyKey
{
    pkParentID,         // text
    pkObjectName,       // text
    pkObjectFormat,     // GUID (see DeviceTypes.h)
    pkContentType,      // GUID (see DeviceTypes.h)
    pkObjectSize,       // 64-bit unsigned
    pkOriginalFileName, // text
    pkDateCreated,      // date (local date-time, days since 1899-12-30)
    pkDateModified,     // date (local date-time)
    pkFirmwareVersion,  // text     (device object only)
    pkPowerLevel,       // 32-bit unsigned, 0..100
    pkPowerSource,      // 32-bit unsigned, 0 battery, 1 external
    pkProtocol,         // text
    pkModel,            // text
    pkSerialNumber,     // text
    pkDeviceType        // 32-bit unsigned, 0..6
};

enum TValueType
{
    vtEmpty,
    vtText,
    vtUInt32,
    vtUInt64,
    vtGuid,
    vtDate
};

// One property value. A reader accepts only the type it expects; any other
// type counts as absent.
struct TPropertyValue
{
    TValueType Type = vtEmpty;
    QString Text;
    std::uint64_t Number = 0; // vtUInt32 and vtUInt64
    TGuid Guid;
    TDateTime Date = 0;

    void Clear() { *this = TPropertyValue(); }

    static TPropertyValue FromText(const QString &text)
    {
        TPropertyValue value;
        value.Type = vtText;
        value.Text = text;
        return value;
    }
    static TPropertyValue FromUInt32(std::uint32_t number)
    {
        TPropertyValue value;
        value.Type = vtUInt32;
        value.Number = number;
        return value;
    }
    static TPropertyValue FromUInt64(std::uint64_t number)
    {
        TPropertyValue value;
        value.Type = vtUInt64;
        value.Number = number;
        return value;
    }
    static TPropertyValue FromGuid(const TGuid &guid)
    {
        TPropertyValue value;
        value.Type = vtGuid;
        value.Guid = guid;
        return value;
    }
    static TPropertyValue FromDate(TDateTime date)
    {
        TPropertyValue value;
        value.Type = vtDate;
        value.Date = date;
        return value;
    }
};

// Who is asking; sent with every Open. Backends may ignore it.
struct TClientInformation
{
    QString ClientName;
    std::uint32_t MajorVersion = 0;
    std::uint32_t MinorVersion = 0;
    std::uint32_t Revision = 0;
    std::int32_t SecurityQualityOfService = 0;
};

// The children of one object, fetched in batches.
class IObjectIdEnumerator
{
public:
    virtual ~IObjectIdEnumerator() = default;

    // Appends up to `count` child identifiers to `ids` (which the caller
    // empties first). S_OK while more may follow, S_FALSE at the end (with
    // the last, possibly empty, batch), negative on failure.
    virtual HRESULT Next(std::uint32_t count, QStringList &ids) = 0;
};

// One opened device. Used by one thread at a time, except that streams
// returned by OpenStream may be read and committed on another thread while
// this thread waits.
class IDeviceConnection
{
public:
    virtual ~IDeviceConnection() = default;

    // Lists the children of `parentID` ("DEVICE" gives the storages). An
    // object without children may leave `enumerator` empty.
    virtual HRESULT EnumObjects(const QString &parentID, std::unique_ptr<IObjectIdEnumerator> &enumerator) = 0;

    // Reads one property of one object. A property the object does not
    // report is a failure (E_DEVICE_NO_PROPERTY); `value` is cleared first.
    virtual HRESULT GetProperty(const QString &objectID, TPropertyKey key, TPropertyValue &value) = 0;

    // Whether the device lets this property of this object be changed.
    virtual HRESULT CanWriteProperty(const QString &objectID, TPropertyKey key, bool &canWrite) = 0;

    // Opens the bytes of a file object for reading; `preferredBlockSize` is
    // the read size the device handles best (never 0 on success).
    virtual HRESULT OpenStream(const QString &objectID, SourceStreamPtr &stream, std::uint32_t &preferredBlockSize) = 0;

    // Ends the session. Called once; no other call follows.
    virtual HRESULT Close() = 0;
};

// A source of devices: one backend, or several combined (DeviceServices.h).
class IDeviceService
{
public:
    virtual ~IDeviceService() = default;

    // The identifiers of the connected devices, in a fixed order.
    virtual HRESULT GetDevices(QStringList &deviceIDs) = 0;

    virtual HRESULT GetDeviceFriendlyName(const QString &deviceID, QString &name) = 0;
    virtual HRESULT GetDeviceManufacturer(const QString &deviceID, QString &manufacturer) = 0;
    virtual HRESULT GetDeviceDescription(const QString &deviceID, QString &description) = 0;

    // Opens a device. The connection stays usable after this service is
    // destroyed (a fresh service replaces the old one on every list refresh).
    virtual HRESULT Open(const QString &deviceID, const TClientInformation &client,
                         std::unique_ptr<IDeviceConnection> &connection) = 0;
};

using DeviceServicePtr = std::unique_ptr<IDeviceService>;
