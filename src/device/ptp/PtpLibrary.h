#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// The few libgphoto2 calls the camera backend makes, behind an interface of
// our own so that tests can replace the library with a fake camera. Values
// are plain copies: nothing here points into libgphoto2's own structures.

// libgphoto2's result codes that the backend tells apart, kept numerically equal.
enum TPtpResult
{
    ptpOk = 0,
    ptpError = -1,
    ptpBadParameters = -2,
    ptpNoMemory = -3,
    ptpLibraryError = -4,
    ptpUnknownPort = -5,
    ptpNotSupported = -6,
    ptpIo = -7,
    ptpFixedLimitExceeded = -8,
    ptpTimeout = -10,
    ptpIoSupportedUsb = -21,
    ptpIoInit = -31,
    ptpIoRead = -34,
    ptpIoWrite = -35,
    ptpIoUsbFind = -52,
    ptpIoUsbClaim = -53,
    ptpIoLock = -60,
    ptpCorruptedData = -102,
    ptpModelNotFound = -105,
    ptpDirectoryNotFound = -107,
    ptpFileNotFound = -108,
    ptpCameraBusy = -110,
    ptpCancel = -112,
    ptpCameraError = -113,
    ptpOsFailure = -114,
    ptpNoSpace = -115
};

// One camera the library detected, before it is opened.
struct TPtpCameraPort
{
    std::string Model; // the driver's name for it ("USB PTP Class Camera" for any PTP camera)
    std::string Port;  // "usb:001,004"
};

struct TPtpStorage
{
    std::string BaseFolder; // the storage's folder in the library's file system ("/store_00010001")
    std::string Label;
    std::string Description;
};

struct TPtpFileInfo
{
    std::optional<std::uint64_t> Size;
    std::optional<std::time_t> Modified;
    std::string MimeType; // may be empty
};

// The data sink of a whole-file read: false stops the transfer.
using TPtpDataSink = std::function<bool(const unsigned char *data, std::uint64_t length)>;

// One opened camera (a PTP session). Not thread-safe: the caller serialises.
// Folders are absolute paths in the library's file system; names are single
// path elements as the camera reported them.
class IPtpCamera
{
public:
    virtual ~IPtpCamera() = default;

    // A text the driver offers as a setting ("manufacturer", "cameramodel",
    // "serialnumber", "deviceversion", "batterylevel"); std::nullopt when it has none.
    virtual std::optional<std::string> SettingText(const char *name) = 0;

    virtual int Storages(std::vector<TPtpStorage> &storages) = 0;
    virtual int ListFolders(const std::string &folder, std::vector<std::string> &names) = 0;
    virtual int ListFiles(const std::string &folder, std::vector<std::string> &names) = 0;
    virtual int FileInfo(const std::string &folder, const std::string &name, TPtpFileInfo &info) = 0;
    // Reads up to `size` bytes at `offset`; `size` becomes the number read.
    // ptpNotSupported when the driver cannot read parts of a file.
    virtual int ReadPart(const std::string &folder, const std::string &name, std::uint64_t offset, char *buffer,
                         std::uint64_t &size) = 0;
    // Reads a whole file, handing the bytes to `sink` as they arrive.
    virtual int ReadWhole(const std::string &folder, const std::string &name, const TPtpDataSink &sink) = 0;
};

class IPtpLibrary
{
public:
    virtual ~IPtpLibrary() = default;

    // The cameras on the bus. No camera at all is success with an empty list.
    virtual int Detect(std::vector<TPtpCameraPort> &cameras) = 0;
    // Opens a session; on failure `camera` stays empty and the result says why.
    virtual int Open(const TPtpCameraPort &port, std::unique_ptr<IPtpCamera> &camera) = 0;
    // The library's text for a result code.
    virtual std::string ResultText(int result) = 0;
};

// The real library.
std::shared_ptr<IPtpLibrary> CreateLibGphotoLibrary();
