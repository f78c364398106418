#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// The few libmtp calls the backend makes, behind an interface of our own so
// that tests can replace the library with a fake device. Values are plain
// copies: nothing here points into libmtp's own structures.

// libmtp's error numbers (LIBMTP_error_number_t), kept numerically equal.
enum TMtpErrorNumber
{
    mtpErrNone = 0,
    mtpErrGeneral = 1,
    mtpErrPtpLayer = 2,
    mtpErrUsbLayer = 3,
    mtpErrMemory = 4,
    mtpErrNoDevice = 5,
    mtpErrStorageFull = 6,
    mtpErrConnecting = 7,
    mtpErrCancelled = 8
};

struct TMtpError
{
    int Number = mtpErrGeneral;
    std::string Text;
};

// One device on the USB bus, before a session is opened.
struct TMtpRawDevice
{
    std::uint32_t BusLocation = 0;
    std::uint8_t DevNum = 0;
    std::uint16_t VendorId = 0;
    std::uint16_t ProductId = 0;
    std::string Vendor;            // from libmtp's table of known devices; may be empty
    std::string Product;           // likewise
    std::uint32_t DeviceFlags = 0; // libmtp's quirk flags for this model
};

struct TMtpStorage
{
    std::uint32_t Id = 0;
    std::string Description;
    std::string VolumeIdentifier;
};

// One entry of a folder listing.
struct TMtpObject
{
    std::uint32_t Id = 0;
    std::uint32_t ParentId = 0;
    std::uint32_t StorageId = 0;
    std::string FileName; // UTF-8 as libmtp converted it; may be empty
    std::uint64_t Size = 0;
    std::time_t ModificationDate = 0; // 0: the device gave none
    int FileType = 0;                 // LIBMTP_filetype_t
};

struct TMtpExtension
{
    std::string Name;
    int Major = 0;
    int Minor = 0;
};

// The data sink of a whole-file read: false stops the transfer.
using TMtpDataSink = std::function<bool(const unsigned char *data, std::uint32_t length)>;

// One opened device (an MTP session). Not thread-safe: the caller serialises.
class IMtpDevice
{
public:
    virtual ~IMtpDevice() = default;

    // Device information; std::nullopt when the device reports none.
    virtual std::optional<std::string> ManufacturerName() = 0;
    virtual std::optional<std::string> ModelName() = 0;
    virtual std::optional<std::string> SerialNumber() = 0;
    virtual std::optional<std::string> DeviceVersion() = 0;
    virtual std::optional<std::string> FriendlyName() = 0;
    virtual std::vector<TMtpExtension> Extensions() = 0;
    // false when the device has no battery level property.
    virtual bool BatteryLevel(std::uint8_t &maximum, std::uint8_t &current) = 0;
    // libmtp file types the device can store; false when it cannot say.
    virtual bool SupportedFileTypes(std::vector<std::uint16_t> &types) = 0;

    // Reads the storage list afresh.
    virtual bool Storages(std::vector<TMtpStorage> &storages) = 0;
    // The objects of one folder (parent 0xFFFFFFFF: the storage's top level).
    // false on failure; an empty folder is success with no entries.
    virtual bool ListFolder(std::uint32_t storageId, std::uint32_t parentId, std::vector<TMtpObject> &objects) = 0;
    // One 16-bit object property (an MTP property code such as ObjectFormat);
    // std::nullopt when it cannot be read.
    virtual std::optional<std::uint16_t> ObjectFormatCode(std::uint32_t objectId) = 0;
    // Reads a whole file in one transfer, handing the bytes to `sink` as
    // they arrive. 0 on success.
    virtual int ReadFile(std::uint32_t objectId, const TMtpDataSink &sink) = 0;

    // The library's error stack for this device, emptied by the call.
    virtual std::vector<TMtpError> TakeErrors() = 0;
};

class IMtpLibrary
{
public:
    virtual ~IMtpLibrary() = default;

    // The MTP devices on the bus. Returns an error number; no device at all
    // is success with an empty list.
    virtual int Detect(std::vector<TMtpRawDevice> &devices) = 0;
    // Opens a session; nullptr when that fails.
    virtual std::unique_ptr<IMtpDevice> Open(const TMtpRawDevice &device) = 0;
};

// The real library.
std::shared_ptr<IMtpLibrary> CreateLibMtpLibrary();
