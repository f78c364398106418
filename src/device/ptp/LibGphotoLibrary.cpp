#include "device/ptp/PtpLibrary.h"

#include "device/ptp/GphotoFunctions.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QtGlobal>

#include <clocale>
#include <dlfcn.h>
#include <langinfo.h>
#include <locale.h>

#include <cstdlib>
#include <cstring>
#include <mutex>

namespace {

// libgphoto2 writes its own complaints (a camera that stopped answering, a
// claimed interface) to the context; they go to the log with ours.
void ContextError(GPContext *, const char *text, void *)
{
    qWarning("PTP: %s", text);
}

// TESSARIL_PTP_DEBUG=1 shows libgphoto2's own log: what a camera that cannot
// be reached said, driver by driver.
void DebugLog(GPLogLevel, const char *domain, const char *text, void *)
{
    std::fprintf(stderr, "gphoto2 %s: %s\n", domain, text);
}

// A few drivers leak a little when libgphoto2 reads their tables, and it
// unloads them right after: the leak checker could then name no module to
// suppress. Sanitizer builds keep every driver loaded.
void KeepDriversLoaded()
{
#if defined(__SANITIZE_ADDRESS__)
    const std::pair<const char *, const char *> folders[] = {{"CAMLIBS", TESSARIL_GPHOTO2_CAMLIBS},
                                                             {"IOLIBS", TESSARIL_GPHOTO2_IOLIBS}};
    for (const auto &[variable, builtIn] : folders) {
        const QString folder = qEnvironmentVariable(variable, QString::fromUtf8(builtIn));
        const QStringList drivers = QDir(folder).entryList({QStringLiteral("*.so")}, QDir::Files);
        for (const QString &driver : drivers)
            dlopen(QFile::encodeName(folder + QLatin1Char('/') + driver).constData(),
                   RTLD_LAZY | RTLD_LOCAL | RTLD_NODELETE);
    }
#endif
}

std::string Text(const char *text, std::size_t capacity)
{
    return std::string(text, strnlen(text, capacity));
}

// Names of a CameraList, copied out.
void CopyNames(CameraList *list, std::vector<std::string> &names)
{
    const int count = Gphoto().gp_list_count(list);
    names.reserve(std::size_t(std::max(count, 0)));
    for (int i = 0; i < count; ++i) {
        const char *name = nullptr;
        if (Gphoto().gp_list_get_name(list, i, &name) >= GP_OK && name)
            names.emplace_back(name);
    }
}

// The PTP driver converts names into the character set of the locale when
// the camera is opened; under the C locale every letter beyond ASCII would
// come out as "?" (and two names could become one). Names are UTF-8 here
// whatever the locale, so the opening thread uses UTF-8 meanwhile.
class TUtf8Locale
{
public:
    TUtf8Locale()
    {
        if (std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0)
            return;
        FLocale = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t(nullptr));
        if (FLocale != locale_t(nullptr))
            FPrevious = uselocale(FLocale);
        else
            qWarning("PTP: no UTF-8 locale; names beyond ASCII may reach us as \"?\"");
    }
    ~TUtf8Locale()
    {
        if (FLocale == locale_t(nullptr))
            return;
        uselocale(FPrevious);
        freelocale(FLocale);
    }
    TUtf8Locale(const TUtf8Locale &) = delete;
    TUtf8Locale &operator=(const TUtf8Locale &) = delete;

private:
    locale_t FLocale = locale_t(nullptr);
    locale_t FPrevious = locale_t(nullptr);
};

class TList
{
public:
    TList() { Gphoto().gp_list_new(&FList); }
    ~TList()
    {
        if (FList)
            Gphoto().gp_list_free(FList);
    }
    TList(const TList &) = delete;
    TList &operator=(const TList &) = delete;
    CameraList *Get() const { return FList; }

private:
    CameraList *FList = nullptr;
};

// A CameraFile whose bytes go straight to a sink instead of memory.
struct TSinkFile
{
    const TPtpDataSink *Sink = nullptr;
    std::uint64_t Written = 0;

    static int Size(void *self, std::uint64_t *size)
    {
        *size = static_cast<TSinkFile *>(self)->Written;
        return GP_OK;
    }
    static int Read(void *, unsigned char *, std::uint64_t *) { return GP_ERROR_NOT_SUPPORTED; }
    static int Write(void *self, unsigned char *data, std::uint64_t *length)
    {
        auto *file = static_cast<TSinkFile *>(self);
        if (!(*file->Sink)(data, *length))
            return GP_ERROR_CANCEL;
        file->Written += *length;
        return GP_OK;
    }
};

class TGphotoCamera : public IPtpCamera
{
public:
    TGphotoCamera(Camera *camera, GPContext *context) : FCamera(camera), FContext(context) {}
    ~TGphotoCamera() override
    {
        Gphoto().gp_camera_exit(FCamera, FContext);
        Gphoto().gp_camera_unref(FCamera);
        Gphoto().gp_context_unref(FContext);
    }
    TGphotoCamera(const TGphotoCamera &) = delete;
    TGphotoCamera &operator=(const TGphotoCamera &) = delete;

    std::optional<std::string> SettingText(const char *name) override
    {
        CameraWidget *widget = nullptr;
        if (Gphoto().gp_camera_get_single_config(FCamera, name, &widget, FContext) < GP_OK || !widget)
            return std::nullopt;
        std::optional<std::string> result;
        CameraWidgetType type;
        const char *value = nullptr;
        if (Gphoto().gp_widget_get_type(widget, &type) >= GP_OK &&
            (type == GP_WIDGET_TEXT || type == GP_WIDGET_MENU || type == GP_WIDGET_RADIO) &&
            Gphoto().gp_widget_get_value(widget, &value) >= GP_OK && value)
            result = std::string(value);
        Gphoto().gp_widget_free(widget);
        return result;
    }

    int Storages(std::vector<TPtpStorage> &storages) override
    {
        storages.clear();
        CameraStorageInformation *infos = nullptr;
        int count = 0;
        const int result = Gphoto().gp_camera_get_storageinfo(FCamera, &infos, &count, FContext);
        if (result < GP_OK)
            return result;
        for (int i = 0; i < count; ++i) {
            const CameraStorageInformation &info = infos[i];
            if (!(info.fields & GP_STORAGEINFO_BASE))
                continue;
            TPtpStorage storage;
            storage.BaseFolder = Text(info.basedir, sizeof info.basedir);
            if (info.fields & GP_STORAGEINFO_LABEL)
                storage.Label = Text(info.label, sizeof info.label);
            if (info.fields & GP_STORAGEINFO_DESCRIPTION)
                storage.Description = Text(info.description, sizeof info.description);
            storages.push_back(std::move(storage));
        }
        std::free(infos);
        return GP_OK;
    }

    int ListFolders(const std::string &folder, std::vector<std::string> &names) override
    {
        names.clear();
        TList list;
        const int result = Gphoto().gp_camera_folder_list_folders(FCamera, folder.c_str(), list.Get(), FContext);
        if (result >= GP_OK)
            CopyNames(list.Get(), names);
        return result;
    }

    int ListFiles(const std::string &folder, std::vector<std::string> &names) override
    {
        names.clear();
        TList list;
        const int result = Gphoto().gp_camera_folder_list_files(FCamera, folder.c_str(), list.Get(), FContext);
        if (result >= GP_OK)
            CopyNames(list.Get(), names);
        return result;
    }

    int FileInfo(const std::string &folder, const std::string &name, TPtpFileInfo &info) override
    {
        info = TPtpFileInfo();
        CameraFileInfo raw;
        std::memset(&raw, 0, sizeof raw);
        const int result = Gphoto().gp_camera_file_get_info(FCamera, folder.c_str(), name.c_str(), &raw, FContext);
        if (result < GP_OK)
            return result;
        if (raw.file.fields & GP_FILE_INFO_SIZE)
            info.Size = raw.file.size;
        if (raw.file.fields & GP_FILE_INFO_MTIME)
            info.Modified = raw.file.mtime;
        if (raw.file.fields & GP_FILE_INFO_TYPE)
            info.MimeType = Text(raw.file.type, sizeof raw.file.type);
        return GP_OK;
    }

    int ReadPart(const std::string &folder, const std::string &name, std::uint64_t offset, char *buffer,
                 std::uint64_t &size) override
    {
        return Gphoto().gp_camera_file_read(FCamera, folder.c_str(), name.c_str(), GP_FILE_TYPE_NORMAL, offset, buffer,
                                            &size, FContext);
    }

    int ReadWhole(const std::string &folder, const std::string &name, const TPtpDataSink &sink) override
    {
        TSinkFile target;
        target.Sink = &sink;
        CameraFileHandler handler{&TSinkFile::Size, &TSinkFile::Read, &TSinkFile::Write};
        CameraFile *file = nullptr;
        int result = Gphoto().gp_file_new_from_handler(&file, &handler, &target);
        if (result < GP_OK)
            return result;
        result =
            Gphoto().gp_camera_file_get(FCamera, folder.c_str(), name.c_str(), GP_FILE_TYPE_NORMAL, file, FContext);
        Gphoto().gp_file_unref(file);
        return result;
    }

private:
    Camera *FCamera;
    GPContext *FContext;
};

class TLibGphotoLibrary : public IPtpLibrary
{
public:
    TLibGphotoLibrary()
    {
        std::string error;
        FLoaded = LoadGphotoFunctions(error) != nullptr;
        if (!FLoaded) {
            // Said once: a watch looks for cameras every few seconds.
            FLoadError = "libgphoto2 cannot be loaded (" + error + ")";
            qWarning("PTP: cameras cannot be reached: %s", FLoadError.c_str());
            return;
        }
        if (qEnvironmentVariableIntValue("TESSARIL_PTP_DEBUG") > 0)
            Gphoto().gp_log_add_func(GP_LOG_DEBUG, &DebugLog, nullptr);
        KeepDriversLoaded();
    }
    ~TLibGphotoLibrary() override
    {
        if (FAbilities)
            Gphoto().gp_abilities_list_free(FAbilities);
        if (FPorts)
            Gphoto().gp_port_info_list_free(FPorts);
    }
    TLibGphotoLibrary(const TLibGphotoLibrary &) = delete;
    TLibGphotoLibrary &operator=(const TLibGphotoLibrary &) = delete;

    int Detect(std::vector<TPtpCameraPort> &cameras) override
    {
        cameras.clear();
        // Without the library there is no camera to find; the reason was logged once.
        if (!FLoaded)
            return GP_OK;
        // The driver table is read once (that loads every driver); the ports
        // on every look, as cameras come and go.
        int result = LoadAbilities();
        if (result >= GP_OK)
            result = LoadPorts();
        if (result < GP_OK)
            return result;
        // Detection asks every USB device once per known camera model (thousands):
        // not worth it when no USB device is there at all, as on most looks of
        // a watch that waits for a phone.
        if (!HasUsbDevice())
            return GP_OK;
        GPContext *context = NewContext();
        TList list;
        result = Gphoto().gp_abilities_list_detect(FAbilities, FPorts, list.Get(), context);
        Gphoto().gp_context_unref(context);
        if (result < GP_OK)
            return result;
        for (int i = 0; i < Gphoto().gp_list_count(list.Get()); ++i) {
            const char *model = nullptr;
            const char *port = nullptr;
            if (Gphoto().gp_list_get_name(list.Get(), i, &model) < GP_OK ||
                Gphoto().gp_list_get_value(list.Get(), i, &port) < GP_OK || !model || !port)
                continue;
            // "usb:" alone is the placeholder of the USB port driver, no camera;
            // other ports (mounted "disk:" folders, serial lines) are no PTP cameras.
            if (!IsUsbDevicePath(port))
                continue;
            cameras.push_back({model, port});
        }
        return GP_OK;
    }

    int Open(const TPtpCameraPort &port, std::unique_ptr<IPtpCamera> &camera) override
    {
        camera.reset();
        if (!FLoaded)
            return GP_ERROR_LIBRARY;
        int result = LoadAbilities();
        if (result >= GP_OK && !FPorts)
            result = LoadPorts();
        if (result < GP_OK)
            return result;
        const int model = Gphoto().gp_abilities_list_lookup_model(FAbilities, port.Model.c_str());
        if (model < GP_OK)
            return model;
        CameraAbilities abilities;
        result = Gphoto().gp_abilities_list_get_abilities(FAbilities, model, &abilities);
        if (result < GP_OK)
            return result;
        const int portIndex = Gphoto().gp_port_info_list_lookup_path(FPorts, port.Port.c_str());
        if (portIndex < GP_OK)
            return portIndex;
        GPPortInfo portInfo;
        result = Gphoto().gp_port_info_list_get_info(FPorts, portIndex, &portInfo);
        if (result < GP_OK)
            return result;
        Camera *raw = nullptr;
        result = Gphoto().gp_camera_new(&raw);
        if (result < GP_OK)
            return result;
        GPContext *context = NewContext();
        result = Gphoto().gp_camera_set_abilities(raw, abilities);
        if (result >= GP_OK)
            result = Gphoto().gp_camera_set_port_info(raw, portInfo);
        if (result >= GP_OK) {
            const TUtf8Locale utf8;
            result = Gphoto().gp_camera_init(raw, context);
        }
        if (result < GP_OK) {
            Gphoto().gp_camera_unref(raw);
            Gphoto().gp_context_unref(context);
            return result;
        }
        camera = std::make_unique<TGphotoCamera>(raw, context);
        return GP_OK;
    }

    std::string ResultText(int result) override
    {
        if (!FLoaded)
            return FLoadError;
        const char *text = Gphoto().gp_result_as_string(result);
        return text ? text : std::string();
    }

private:
    static GPContext *NewContext()
    {
        GPContext *context = Gphoto().gp_context_new();
        Gphoto().gp_context_set_error_func(context, &ContextError, nullptr);
        return context;
    }

    int LoadAbilities()
    {
        if (FAbilities)
            return GP_OK;
        GPContext *context = NewContext();
        int result = Gphoto().gp_abilities_list_new(&FAbilities);
        if (result >= GP_OK)
            result = Gphoto().gp_abilities_list_load(FAbilities, context);
        Gphoto().gp_context_unref(context);
        if (result < GP_OK && FAbilities) {
            Gphoto().gp_abilities_list_free(FAbilities);
            FAbilities = nullptr;
        }
        return result;
    }

    static bool IsUsbDevicePath(const char *path) { return std::strncmp(path, "usb:", 4) == 0 && path[4] != '\0'; }

    bool HasUsbDevice() const
    {
        const int count = Gphoto().gp_port_info_list_count(FPorts);
        for (int i = 0; i < count; ++i) {
            GPPortInfo info;
            char *path = nullptr;
            if (Gphoto().gp_port_info_list_get_info(FPorts, i, &info) >= GP_OK &&
                Gphoto().gp_port_info_get_path(info, &path) >= GP_OK && path != nullptr && IsUsbDevicePath(path))
                return true;
        }
        return false;
    }

    int LoadPorts()
    {
        GPPortInfoList *ports = nullptr;
        int result = Gphoto().gp_port_info_list_new(&ports);
        if (result >= GP_OK)
            result = Gphoto().gp_port_info_list_load(ports);
        if (result < GP_OK) {
            if (ports)
                Gphoto().gp_port_info_list_free(ports);
            return result;
        }
        if (FPorts)
            Gphoto().gp_port_info_list_free(FPorts);
        FPorts = ports;
        return GP_OK;
    }

    bool FLoaded = false;
    std::string FLoadError;
    CameraAbilitiesList *FAbilities = nullptr;
    GPPortInfoList *FPorts = nullptr;
};

} // namespace

std::shared_ptr<IPtpLibrary> CreateLibGphotoLibrary()
{
    return std::make_shared<TLibGphotoLibrary>();
}
