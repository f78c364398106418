#pragma once

#include "device/mtp/MtpLibrary.h"

#include <libmtp.h>

#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

// A scripted MTP device for the backend's tests: what libmtp would report,
// and the failures a real device shows (lost links, broken listings).
struct TFakeMtpDeviceData
{
    std::optional<std::string> Manufacturer = "Fakemaker";
    std::optional<std::string> Model = "Fakephone 3";
    std::optional<std::string> Serial = "SER123";
    std::optional<std::string> Version = "1.2.3";
    std::optional<std::string> Friendly;
    std::vector<TMtpExtension> Extensions = {{"microsoft.com", 1, 0}};
    std::optional<std::pair<std::uint8_t, std::uint8_t>> Battery; // maximum, current
    std::optional<std::vector<std::uint16_t>> FileTypes;

    std::vector<TMtpStorage> StorageList = {{0x10001, "Internal storage", "vol1"}};
    // (storage, parent) -> listing; parent 0xFFFFFFFF is a storage's top level.
    std::map<std::pair<std::uint32_t, std::uint32_t>, std::vector<TMtpObject>> Folders;
    // Listings that fail: (storage, parent) -> (error number, text).
    std::map<std::pair<std::uint32_t, std::uint32_t>, TMtpError> FailingFolders;
    std::map<std::uint32_t, std::string> Contents;
    std::map<std::uint32_t, std::uint16_t> FormatCodes;
    // The link breaks after this many bytes of an object: (bytes, error).
    std::map<std::uint32_t, std::pair<std::uint64_t, TMtpError>> BreakAfter;
    // Objects whose bytes are generated: size, byte i is (i * 7 + i / 4096) & 0xFF.
    std::map<std::uint32_t, std::uint64_t> Generated;
    std::uint32_t ChunkSize = 16384;
    // A slow link: a pause before every chunk.
    std::chrono::milliseconds ChunkDelay{0};

    std::atomic<int> ListCalls = 0;
    std::atomic<int> ReadCalls = 0;
    std::atomic<int> FormatCalls = 0;
    std::atomic<int> CancelledReads = 0;
    std::atomic<bool> Released = false;
    std::vector<TMtpError> PendingErrors;

    void AddObject(std::uint32_t storage, std::uint32_t parent, TMtpObject object)
    {
        object.StorageId = storage;
        object.ParentId = parent == 0xFFFFFFFFu ? 0 : parent;
        Folders[{storage, parent}].push_back(object);
    }
    void AddFile(std::uint32_t storage, std::uint32_t parent, std::uint32_t id, const std::string &name,
                 const std::string &content, std::time_t modified = 1614834367, int type = LIBMTP_FILETYPE_UNKNOWN)
    {
        AddObject(storage, parent, {id, 0, 0, name, content.size(), modified, type});
        Contents[id] = content;
    }
    void AddFolder(std::uint32_t storage, std::uint32_t parent, std::uint32_t id, const std::string &name)
    {
        AddObject(storage, parent, {id, 0, 0, name, 0, 1614834367, LIBMTP_FILETYPE_FOLDER});
    }
};

class TFakeMtpDevice : public IMtpDevice
{
public:
    explicit TFakeMtpDevice(std::shared_ptr<TFakeMtpDeviceData> data) : D(std::move(data)) {}
    ~TFakeMtpDevice() override { D->Released = true; }

    std::optional<std::string> ManufacturerName() override { return D->Manufacturer; }
    std::optional<std::string> ModelName() override { return D->Model; }
    std::optional<std::string> SerialNumber() override { return D->Serial; }
    std::optional<std::string> DeviceVersion() override { return D->Version; }
    std::optional<std::string> FriendlyName() override { return D->Friendly; }
    std::vector<TMtpExtension> Extensions() override { return D->Extensions; }
    bool BatteryLevel(std::uint8_t &maximum, std::uint8_t &current) override
    {
        if (!D->Battery) {
            D->PendingErrors.push_back({mtpErrGeneral, "LIBMTP_Get_Batterylevel(): no battery"});
            return false;
        }
        maximum = D->Battery->first;
        current = D->Battery->second;
        return true;
    }
    bool SupportedFileTypes(std::vector<std::uint16_t> &types) override
    {
        if (!D->FileTypes)
            return false;
        types = *D->FileTypes;
        return true;
    }
    bool Storages(std::vector<TMtpStorage> &storages) override
    {
        storages = D->StorageList;
        return true;
    }
    bool ListFolder(std::uint32_t storageId, std::uint32_t parentId, std::vector<TMtpObject> &objects) override
    {
        ++D->ListCalls;
        objects.clear();
        auto failing = D->FailingFolders.find({storageId, parentId});
        if (failing != D->FailingFolders.end()) {
            D->PendingErrors.push_back(failing->second);
            return false;
        }
        auto folder = D->Folders.find({storageId, parentId});
        if (folder != D->Folders.end())
            objects = folder->second;
        return true;
    }
    std::optional<std::uint16_t> ObjectFormatCode(std::uint32_t objectId) override
    {
        ++D->FormatCalls;
        auto code = D->FormatCodes.find(objectId);
        if (code == D->FormatCodes.end())
            return std::nullopt;
        return code->second;
    }
    int ReadFile(std::uint32_t objectId, const TMtpDataSink &sink) override
    {
        ++D->ReadCalls;
        std::string content;
        std::uint64_t size = 0;
        auto generated = D->Generated.find(objectId);
        if (generated != D->Generated.end()) {
            size = generated->second;
        } else {
            auto found = D->Contents.find(objectId);
            if (found == D->Contents.end()) {
                D->PendingErrors.push_back({mtpErrPtpLayer, "PTP Layer error 2009: invalid object handle"});
                return -1;
            }
            content = found->second;
            size = content.size();
        }
        std::uint64_t breakAt = UINT64_MAX;
        auto broken = D->BreakAfter.find(objectId);
        if (broken != D->BreakAfter.end())
            breakAt = broken->second.first;
        std::vector<unsigned char> chunk;
        for (std::uint64_t offset = 0; offset < size;) {
            if (offset >= breakAt) {
                D->PendingErrors.push_back(broken->second.second);
                return -1;
            }
            const std::uint64_t length = std::min<std::uint64_t>({D->ChunkSize, size - offset, breakAt - offset});
            if (D->ChunkDelay.count() > 0)
                std::this_thread::sleep_for(D->ChunkDelay);
            chunk.resize(length);
            for (std::uint64_t i = 0; i < length; ++i)
                chunk[i] = generated != D->Generated.end() ? GeneratedByte(offset + i)
                                                           : static_cast<unsigned char>(content[offset + i]);
            if (!sink(chunk.data(), std::uint32_t(length))) {
                ++D->CancelledReads;
                D->PendingErrors.push_back({mtpErrCancelled, "transfer cancelled"});
                return -1;
            }
            offset += length;
        }
        return 0;
    }
    std::vector<TMtpError> TakeErrors() override { return std::exchange(D->PendingErrors, {}); }

    static unsigned char GeneratedByte(std::uint64_t i) { return static_cast<unsigned char>(i * 7 + i / 4096); }

private:
    std::shared_ptr<TFakeMtpDeviceData> D;
};

class TFakeMtpLibrary : public IMtpLibrary
{
public:
    struct TEntry
    {
        TMtpRawDevice Raw;
        std::shared_ptr<TFakeMtpDeviceData> Data;
        bool Busy = false; // opening fails
    };

    std::shared_ptr<TFakeMtpDeviceData> AddDevice(std::uint32_t bus, std::uint8_t devnum)
    {
        auto data = std::make_shared<TFakeMtpDeviceData>();
        Devices.push_back({{bus, devnum, 0x1234, 0x5678, "Tablevendor", "Tableproduct", 0}, data, false});
        return data;
    }

    int Detect(std::vector<TMtpRawDevice> &devices) override
    {
        devices.clear();
        if (DetectError != mtpErrNone)
            return DetectError;
        for (const TEntry &entry : Devices)
            devices.push_back(entry.Raw);
        return mtpErrNone;
    }
    std::unique_ptr<IMtpDevice> Open(const TMtpRawDevice &device) override
    {
        ++OpenCalls;
        for (const TEntry &entry : Devices)
            if (entry.Raw.BusLocation == device.BusLocation && entry.Raw.DevNum == device.DevNum)
                return entry.Busy ? nullptr : std::make_unique<TFakeMtpDevice>(entry.Data);
        return nullptr;
    }

    std::vector<TEntry> Devices;
    int DetectError = mtpErrNone;
    int OpenCalls = 0;
};
