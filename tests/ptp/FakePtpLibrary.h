#pragma once

#include "device/ptp/PtpLibrary.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

// A scripted camera for the backend's tests: what libgphoto2 would report,
// and the failures and oddities a real camera shows.
struct TFakeCameraData
{
    std::map<std::string, std::string> Settings = {{"manufacturer", "Fakon"},
                                                   {"cameramodel", "Fakon D90"},
                                                   {"serialnumber", "SER42"},
                                                   {"deviceversion", "1.01"},
                                                   {"batterylevel", "80%"}};
    int StorageResult = ptpOk;
    std::vector<TPtpStorage> StorageList = {{"/store_00010001", "SD", "Memory card"}};
    std::map<std::string, std::vector<std::string>> Folders; // path -> subfolder names
    std::map<std::string, std::vector<std::string>> Files;   // path -> file names
    std::map<std::string, int> FailingFolders;               // path -> result of listing it
    std::map<std::string, TPtpFileInfo> Infos;               // full path -> information
    std::map<std::string, std::string> Contents;             // full path -> bytes
    // What reading a part of a file gives (ptpNotSupported: a driver that reads
    // whole files only); the most it hands out per call.
    int PartReadResult = ptpOk;
    std::uint64_t MostPerRead = UINT64_MAX;
    // The camera stops sending a file after this many bytes (full path -> bytes).
    std::map<std::string, std::uint64_t> EndsEarly;

    int ReadPartCalls = 0;
    int ReadWholeCalls = 0;
    bool Released = false;

    static std::string Join(const std::string &folder, const std::string &name) { return folder + "/" + name; }

    void AddFolder(const std::string &folder, const std::string &name) { Folders[folder].push_back(name); }
    void AddFile(const std::string &folder, const std::string &name, const std::string &content,
                 std::time_t modified = 1614834367, const std::string &mimeType = "image/jpeg")
    {
        Files[folder].push_back(name);
        Infos[Join(folder, name)] = {content.size(), modified, mimeType};
        Contents[Join(folder, name)] = content;
    }
};

class TFakeCamera : public IPtpCamera
{
public:
    explicit TFakeCamera(std::shared_ptr<TFakeCameraData> data) : D(std::move(data)) {}
    ~TFakeCamera() override { D->Released = true; }

    std::optional<std::string> SettingText(const char *name) override
    {
        auto found = D->Settings.find(name);
        if (found == D->Settings.end())
            return std::nullopt;
        return found->second;
    }
    int Storages(std::vector<TPtpStorage> &storages) override
    {
        storages = D->StorageList;
        return D->StorageResult;
    }
    int ListFolders(const std::string &folder, std::vector<std::string> &names) override
    {
        return List(D->Folders, folder, names);
    }
    int ListFiles(const std::string &folder, std::vector<std::string> &names) override
    {
        return List(D->Files, folder, names);
    }
    int FileInfo(const std::string &folder, const std::string &name, TPtpFileInfo &info) override
    {
        auto found = D->Infos.find(TFakeCameraData::Join(folder, name));
        if (found == D->Infos.end())
            return ptpFileNotFound;
        info = found->second;
        return ptpOk;
    }
    int ReadPart(const std::string &folder, const std::string &name, std::uint64_t offset, char *buffer,
                 std::uint64_t &size) override
    {
        ++D->ReadPartCalls;
        if (D->PartReadResult != ptpOk)
            return D->PartReadResult;
        const std::string *content = Content(folder, name);
        if (!content)
            return ptpFileNotFound;
        const std::uint64_t end = Available(folder, name, *content);
        if (offset > end)
            return ptpBadParameters;
        size = std::min({size, end - offset, D->MostPerRead});
        std::memcpy(buffer, content->data() + offset, size);
        return ptpOk;
    }
    int ReadWhole(const std::string &folder, const std::string &name, const TPtpDataSink &sink) override
    {
        ++D->ReadWholeCalls;
        const std::string *content = Content(folder, name);
        if (!content)
            return ptpFileNotFound;
        const std::uint64_t end = Available(folder, name, *content);
        for (std::uint64_t offset = 0; offset < end; offset += 4096) {
            const std::uint64_t length = std::min<std::uint64_t>(4096, end - offset);
            if (!sink(reinterpret_cast<const unsigned char *>(content->data()) + offset, length))
                return ptpCancel;
        }
        return ptpOk;
    }

private:
    int List(const std::map<std::string, std::vector<std::string>> &table, const std::string &folder,
             std::vector<std::string> &names)
    {
        names.clear();
        auto failing = D->FailingFolders.find(folder);
        if (failing != D->FailingFolders.end())
            return failing->second;
        auto found = table.find(folder);
        if (found != table.end())
            names = found->second;
        return ptpOk;
    }
    const std::string *Content(const std::string &folder, const std::string &name)
    {
        auto found = D->Contents.find(TFakeCameraData::Join(folder, name));
        return found == D->Contents.end() ? nullptr : &found->second;
    }
    std::uint64_t Available(const std::string &folder, const std::string &name, const std::string &content)
    {
        auto early = D->EndsEarly.find(TFakeCameraData::Join(folder, name));
        return early == D->EndsEarly.end() ? content.size() : early->second;
    }

    std::shared_ptr<TFakeCameraData> D;
};

class TFakePtpLibrary : public IPtpLibrary
{
public:
    struct TEntry
    {
        TPtpCameraPort Port;
        std::shared_ptr<TFakeCameraData> Data;
        int OpenResult = ptpOk;
    };

    std::shared_ptr<TFakeCameraData> AddCamera(const std::string &port)
    {
        auto data = std::make_shared<TFakeCameraData>();
        Cameras.push_back({{"USB PTP Class Camera", port}, data, ptpOk});
        return data;
    }

    int Detect(std::vector<TPtpCameraPort> &cameras) override
    {
        cameras.clear();
        if (DetectResult < ptpOk)
            return DetectResult;
        for (const TEntry &entry : Cameras)
            cameras.push_back(entry.Port);
        return ptpOk;
    }
    int Open(const TPtpCameraPort &port, std::unique_ptr<IPtpCamera> &camera) override
    {
        OpenedPorts.push_back(port.Port);
        for (const TEntry &entry : Cameras)
            if (entry.Port.Port == port.Port) {
                if (entry.OpenResult < ptpOk)
                    return entry.OpenResult;
                camera = std::make_unique<TFakeCamera>(entry.Data);
                return ptpOk;
            }
        return ptpIoUsbFind;
    }
    std::string ResultText(int result) override { return "fake result " + std::to_string(result); }

    std::vector<TEntry> Cameras;
    int DetectResult = ptpOk;
    std::vector<std::string> OpenedPorts;
};
