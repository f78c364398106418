#include "device/mtp/MtpLibrary.h"

#include <libmtp.h>

#include <cstdlib>
#include <mutex>

// The thin layer over libmtp itself. Everything that decides something lives
// in the backend above, where the fake library can reach it in tests.

namespace {

// libmtp hands out malloc'ed strings.
std::optional<std::string> TakeString(char *text)
{
    if (!text)
        return std::nullopt;
    std::string result(text);
    std::free(text);
    return result;
}

struct TFileListDeleter
{
    void operator()(LIBMTP_file_t *file) const
    {
        while (file) {
            LIBMTP_file_t *next = file->next;
            LIBMTP_destroy_file_t(file);
            file = next;
        }
    }
};

// libmtp keeps a copy of the raw device entry, whose texts point here for
// the life of the session; held on the heap so that their address is fixed.
struct TRawNames
{
    std::string Vendor;
    std::string Product;
};

class TLibMtpDevice : public IMtpDevice
{
public:
    TLibMtpDevice(LIBMTP_mtpdevice_t *device, std::unique_ptr<TRawNames> names)
        : FDevice(device), FNames(std::move(names))
    {}
    ~TLibMtpDevice() override { LIBMTP_Release_Device(FDevice); }

    std::optional<std::string> ManufacturerName() override { return TakeString(LIBMTP_Get_Manufacturername(FDevice)); }
    std::optional<std::string> ModelName() override { return TakeString(LIBMTP_Get_Modelname(FDevice)); }
    std::optional<std::string> SerialNumber() override { return TakeString(LIBMTP_Get_Serialnumber(FDevice)); }
    std::optional<std::string> DeviceVersion() override { return TakeString(LIBMTP_Get_Deviceversion(FDevice)); }
    std::optional<std::string> FriendlyName() override { return TakeString(LIBMTP_Get_Friendlyname(FDevice)); }

    std::vector<TMtpExtension> Extensions() override
    {
        std::vector<TMtpExtension> result;
        for (LIBMTP_device_extension_t *ext = FDevice->extensions; ext; ext = ext->next)
            result.push_back({ext->name ? ext->name : "", ext->major, ext->minor});
        return result;
    }

    bool BatteryLevel(std::uint8_t &maximum, std::uint8_t &current) override
    {
        return LIBMTP_Get_Batterylevel(FDevice, &maximum, &current) == 0;
    }

    bool SupportedFileTypes(std::vector<std::uint16_t> &types) override
    {
        std::uint16_t *list = nullptr;
        std::uint16_t count = 0;
        if (LIBMTP_Get_Supported_Filetypes(FDevice, &list, &count) != 0)
            return false;
        types.assign(list, list + count);
        std::free(list);
        return true;
    }

    bool Storages(std::vector<TMtpStorage> &storages) override
    {
        storages.clear();
        // 1 means "no storage", which is a valid answer.
        if (LIBMTP_Get_Storage(FDevice, LIBMTP_STORAGE_SORTBY_NOTSORTED) < 0)
            return false;
        for (LIBMTP_devicestorage_t *storage = FDevice->storage; storage; storage = storage->next)
            storages.push_back({storage->id, storage->StorageDescription ? storage->StorageDescription : "",
                                storage->VolumeIdentifier ? storage->VolumeIdentifier : ""});
        return true;
    }

    bool ListFolder(std::uint32_t storageId, std::uint32_t parentId, std::vector<TMtpObject> &objects) override
    {
        objects.clear();
        // An empty folder and a failure both give no list; the error stack tells them apart.
        LIBMTP_Clear_Errorstack(FDevice);
        std::unique_ptr<LIBMTP_file_t, TFileListDeleter> list(
            LIBMTP_Get_Files_And_Folders(FDevice, storageId, parentId));
        for (LIBMTP_file_t *file = list.get(); file; file = file->next)
            objects.push_back({file->item_id, file->parent_id, file->storage_id, file->filename ? file->filename : "",
                               file->filesize, file->modificationdate, static_cast<int>(file->filetype)});
        return list || !LIBMTP_Get_Errorstack(FDevice);
    }

    std::optional<std::uint16_t> ObjectFormatCode(std::uint32_t objectId) override
    {
        // 0 is no valid format code, so it marks a failed read.
        LIBMTP_Clear_Errorstack(FDevice);
        std::uint16_t code = LIBMTP_Get_u16_From_Object(FDevice, objectId, LIBMTP_PROPERTY_ObjectFormat, 0);
        if (code == 0)
            return std::nullopt;
        return code;
    }

    int ReadFile(std::uint32_t objectId, const TMtpDataSink &sink) override
    {
        return LIBMTP_Get_File_To_Handler(FDevice, objectId, &TLibMtpDevice::PutData, const_cast<TMtpDataSink *>(&sink),
                                          nullptr, nullptr);
    }

    std::vector<TMtpError> TakeErrors() override
    {
        std::vector<TMtpError> result;
        for (LIBMTP_error_t *error = LIBMTP_Get_Errorstack(FDevice); error; error = error->next)
            result.push_back({static_cast<int>(error->errornumber), error->error_text ? error->error_text : ""});
        LIBMTP_Clear_Errorstack(FDevice);
        return result;
    }

private:
    static uint16_t PutData(void *, void *priv, uint32_t sendlen, unsigned char *data, uint32_t *putlen)
    {
        const TMtpDataSink &sink = *static_cast<const TMtpDataSink *>(priv);
        if (!sink(data, sendlen)) {
            *putlen = 0;
            return LIBMTP_HANDLER_RETURN_CANCEL;
        }
        *putlen = sendlen;
        return LIBMTP_HANDLER_RETURN_OK;
    }

    LIBMTP_mtpdevice_t *FDevice;
    std::unique_ptr<TRawNames> FNames;
};

class TLibMtpLibrary : public IMtpLibrary
{
public:
    TLibMtpLibrary()
    {
        static std::once_flag initialised;
        std::call_once(initialised, [] { LIBMTP_Init(); });
    }

    int Detect(std::vector<TMtpRawDevice> &devices) override
    {
        devices.clear();
        LIBMTP_raw_device_t *raw = nullptr;
        int count = 0;
        LIBMTP_error_number_t error = LIBMTP_Detect_Raw_Devices(&raw, &count);
        if (error == LIBMTP_ERROR_NO_DEVICE_ATTACHED) {
            std::free(raw);
            return mtpErrNone;
        }
        if (error == LIBMTP_ERROR_NONE) {
            for (int i = 0; i < count; ++i) {
                const LIBMTP_raw_device_t &entry = raw[i];
                devices.push_back(
                    {entry.bus_location, entry.devnum, entry.device_entry.vendor_id, entry.device_entry.product_id,
                     entry.device_entry.vendor ? entry.device_entry.vendor : "",
                     entry.device_entry.product ? entry.device_entry.product : "", entry.device_entry.device_flags});
            }
        }
        std::free(raw);
        return error;
    }

    std::unique_ptr<IMtpDevice> Open(const TMtpRawDevice &device) override
    {
        auto names = std::make_unique<TRawNames>(TRawNames{device.Vendor, device.Product});
        LIBMTP_raw_device_t raw = {};
        raw.device_entry.vendor = names->Vendor.data();
        raw.device_entry.vendor_id = device.VendorId;
        raw.device_entry.product = names->Product.data();
        raw.device_entry.product_id = device.ProductId;
        raw.device_entry.device_flags = device.DeviceFlags;
        raw.bus_location = device.BusLocation;
        raw.devnum = device.DevNum;
        // Uncached: the backend lists one folder at a time and never needs
        // libmtp's copy of the whole object table.
        LIBMTP_mtpdevice_t *opened = LIBMTP_Open_Raw_Device_Uncached(&raw);
        if (!opened)
            return nullptr;
        return std::make_unique<TLibMtpDevice>(opened, std::move(names));
    }
};

} // namespace

std::shared_ptr<IMtpLibrary> CreateLibMtpLibrary()
{
    return std::make_shared<TLibMtpLibrary>();
}
