#include "device/sim/SimulatedDeviceService.h"

#include "base/FileTimes.h"
#include "device/DeviceTypes.h"
#include "device/IdListEnumerator.h"
#include "device/sim/SimulatedDeviceConfig.h"
#include "settings/StreamErrors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <unordered_map>

namespace {

const QString DeviceIDPrefix = QStringLiteral("sim:");
constexpr std::uint32_t PreferredBlockSize = 256 * 1024;
constexpr std::int64_t DelayUnit = std::int64_t{64} * 1024;

QByteArray LocalPath(const QString &path)
{
    return QFile::encodeName(path);
}

// ---------------------------------------------------------------------------
// Streams

// A file's bytes, with the faults of the device: a read that fails once a
// number of bytes went out, and a delay per 64 KiB.
class TSimulatedStream : public ISourceStream
{
public:
    TSimulatedStream(int fd, std::int64_t fileSize, std::int64_t failAfter, std::int64_t delayUs)
        : FFd(fd), FFileSize(fileSize), FFailAfter(failAfter), FDelayUs(delayUs)
    {}
    ~TSimulatedStream() override { ::close(FFd); }

    // Only a device without read faults or delays may be copied past Read.
    int LocalDescriptor() const override { return FFailAfter < 0 && FDelayUs <= 0 ? FFd : -1; }

    HRESULT Read(void *buffer, std::uint32_t size, std::uint32_t &bytesRead) override
    {
        bytesRead = 0;
        std::uint32_t wanted = size;
        bool failing = false;
        if (FFailAfter >= 0 && FFileSize > FFailAfter && FDelivered + std::int64_t(size) > FFailAfter) {
            // The device goes away within this read: what came before it
            // arrives, then the read fails.
            wanted = std::uint32_t(std::max<std::int64_t>(0, FFailAfter - FDelivered));
            failing = true;
        }
        HRESULT hr = ReadFully(static_cast<char *>(buffer), wanted, bytesRead);
        FDelivered += bytesRead;
        Delay(bytesRead);
        if (Failed(hr))
            return hr;
        return failing ? E_DEVICE_IO : S_OK;
    }

private:
    HRESULT ReadFully(char *buffer, std::uint32_t size, std::uint32_t &bytesRead)
    {
        while (bytesRead < size) {
            ssize_t n = ::read(FFd, buffer + bytesRead, size - bytesRead);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                return HResultFromErrno(errno);
            if (n == 0)
                break;
            bytesRead += std::uint32_t(n);
        }
        return S_OK;
    }

    void Delay(std::uint32_t bytes)
    {
        if (FDelayUs <= 0 || bytes == 0)
            return;
        std::this_thread::sleep_for(std::chrono::microseconds(FDelayUs * std::int64_t(bytes) / DelayUnit));
    }

    int FFd;
    std::int64_t FFileSize;
    std::int64_t FFailAfter; // -1: never
    std::int64_t FDelayUs;
    std::int64_t FDelivered = 0;
};

// ---------------------------------------------------------------------------
// One opened simulated device

enum TNodeKind : std::uint8_t
{
    nkDevice,
    nkStorage,
    nkFolder,
    nkFile
};

// A device folder may hold hundreds of thousands of entries: a node keeps
// its name in the connection's byte store and its children as a range of
// the shared child list, not as strings and vectors of its own.
struct TNode
{
    int Parent;
    std::uint32_t NameStart = 0; // the name on disk, in FNameBytes
    std::uint32_t FirstChild = 0;
    std::uint32_t ChildCount = 0;
    // From the listing, as a device reports what it enumerated: size and
    // modification time of the file (or of what a link leads to).
    std::int64_t Size = 0;
    std::int64_t ModifiedSeconds = 0;
    std::int32_t ModifiedNanoseconds = 0;
    std::uint8_t NameLength = 0; // NAME_MAX is 255 bytes
    TNodeKind Kind = nkDevice;
    bool Stated = false;
};

// What one listing learned of an entry: what the properties are answered
// from, kept small since a listing sorts these.
struct TListedEntry
{
    QString Name;       // for the order of the listing
    std::string OnDisk; // the bytes readdir gave
    TNodeKind Kind = nkFile;
    std::int64_t Size = 0;
    std::int64_t ModifiedSeconds = 0;
    std::int32_t ModifiedNanoseconds = 0;
};

// Most names are ASCII, which needs no decoder.
QString DecodeName(QByteArrayView bytes)
{
    for (char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80)
            return QFile::decodeName(bytes.toByteArray());
    return QString::fromLatin1(bytes);
}

class TSimulatedConnection : public IDeviceConnection
{
public:
    TSimulatedConnection(const QString &folder, TSimulatedDeviceConfig config)
        : FFolder(folder), FConfig(std::move(config))
    {
        FNodes.push_back(TNode{-1});
    }

    HRESULT EnumObjects(const QString &parentID, std::unique_ptr<IObjectIdEnumerator> &enumerator) override
    {
        enumerator.reset();
        const int index = IndexOf(parentID);
        if (index < 0)
            return E_DEVICE_NO_OBJECT;
        if (HasFault(FConfig.Faults.EnumFail, index))
            return E_DEVICE_IO;
        // A file has no children to list: no enumerator, as a device answers
        // with an empty list.
        if (FNodes[std::size_t(index)].Kind == nkFile)
            return S_OK;
        HRESULT hr = ListChildren(index);
        if (Failed(hr))
            return hr;
        const TNode &node = FNodes[std::size_t(index)];
        QStringList ids;
        ids.reserve(qsizetype(node.ChildCount));
        for (std::uint32_t i = 0; i < node.ChildCount; ++i)
            ids.append(IDOf(FChildren[node.FirstChild + i]));
        enumerator = std::make_unique<TIdListEnumerator>(std::move(ids));
        return S_OK;
    }

    HRESULT GetProperty(const QString &objectID, TPropertyKey key, TPropertyValue &value) override
    {
        value.Clear();
        const int index = IndexOf(objectID);
        if (index < 0)
            return E_DEVICE_NO_OBJECT;
        switch (FNodes[std::size_t(index)].Kind) {
        case nkDevice:
            return DeviceProperty(key, value);
        case nkStorage:
            return StorageProperty(index, key, value);
        case nkFolder:
        case nkFile:
            return ItemProperty(index, key, value);
        }
        return E_DEVICE_NO_PROPERTY;
    }

    HRESULT CanWriteProperty(const QString &objectID, TPropertyKey, bool &canWrite) override
    {
        canWrite = false;
        return IndexOf(objectID) < 0 ? E_DEVICE_NO_OBJECT : S_OK;
    }

    HRESULT OpenStream(const QString &objectID, SourceStreamPtr &stream, std::uint32_t &preferredBlockSize) override
    {
        stream.reset();
        preferredBlockSize = 0;
        const int index = IndexOf(objectID);
        if (index < 0)
            return E_DEVICE_NO_OBJECT;
        if (FNodes[std::size_t(index)].Kind != nkFile)
            return HResultFromErrno(EISDIR);
        if (HasFault(FConfig.Faults.StreamFail, index))
            return E_DEVICE_IO;

        int fd = ::open(DiskPath(index).constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return HResultFromErrno(errno);
        struct stat status = {};
        if (::fstat(fd, &status) != 0) {
            HRESULT hr = HResultFromErrno(errno);
            ::close(fd);
            return hr;
        }
        const std::int64_t failAfter =
            FConfig.Faults.ReadFailAfter.isEmpty() ? -1 : FConfig.Faults.ReadFailAfter.value(FaultPath(index), -1);
        stream =
            std::make_shared<TSimulatedStream>(fd, std::int64_t(status.st_size), failAfter, FConfig.Faults.ReadDelayUs);
        preferredBlockSize = PreferredBlockSize;
        return S_OK;
    }

    HRESULT Close() override { return S_OK; }

private:
    // "o" and the index in lower-case hexadecimal, built in one allocation:
    // a listing makes one per entry.
    static QString IDOf(int index)
    {
        if (index == 0)
            return QString::fromLatin1(DEVICE_OBJECT_ID);
        int digits = 1;
        for (auto rest = unsigned(index) >> 4; rest != 0; rest >>= 4)
            ++digits;
        QString id(digits + 1, Qt::Uninitialized);
        QChar *out = id.data();
        out[0] = QLatin1Char('o');
        for (auto rest = unsigned(index); digits > 0; rest >>= 4)
            out[digits--] = QLatin1Char("0123456789abcdef"[rest & 15]);
        return id;
    }

    int IndexOf(const QString &id) const
    {
        if (id == QLatin1String(DEVICE_OBJECT_ID))
            return 0;
        // Only the form IDOf writes: lower-case hexadecimal without leading zeros.
        if (id.size() < 2 || id.size() > 9 || id[0] != QLatin1Char('o') || id[1] == QLatin1Char('0'))
            return -1;
        qlonglong index = 0;
        for (qsizetype i = 1; i < id.size(); ++i) {
            const char16_t c = id[i].unicode();
            const int digit = c >= u'0' && c <= u'9' ? c - u'0' : c >= u'a' && c <= u'f' ? c - u'a' + 10 : -1;
            if (digit < 0)
                return -1;
            index = index * 16 + digit;
        }
        if (index >= qlonglong(FNodes.size()))
            return -1;
        return int(index);
    }

    QByteArray DiskName(int index) const
    {
        const TNode &node = FNodes[std::size_t(index)];
        return QByteArray::fromRawData(FNameBytes.data() + node.NameStart, node.NameLength);
    }

    QString NameOf(int index) const { return DecodeName(DiskName(index)); }

    // Names from the device folder down to the node, without the device.
    QStringList NamesOf(int index) const
    {
        QStringList names;
        for (; index > 0; index = FNodes[std::size_t(index)].Parent)
            names.prepend(NameOf(index));
        return names;
    }

    QString FaultPath(int index) const { return NamesOf(index).join(QLatin1Char('/')); }

    // Building the path costs more than the lookup; most devices have no faults.
    bool HasFault(const QSet<QString> &paths, int index) const
    {
        return !paths.isEmpty() && paths.contains(FaultPath(index));
    }

    QByteArray DiskPath(int index) const
    {
        std::vector<int> chain;
        for (; index > 0; index = FNodes[std::size_t(index)].Parent)
            chain.push_back(index);
        QByteArray path = LocalPath(FFolder);
        for (auto node = chain.rbegin(); node != chain.rend(); ++node)
            path += '/' + DiskName(*node);
        return path;
    }

    // Reads the folder from disk. Objects seen in an earlier listing keep
    // their identifiers, so identifiers are stable across listings.
    HRESULT ListChildren(int index)
    {
        DIR *dir = ::opendir(DiskPath(index).constData());
        if (!dir)
            return HResultFromErrno(errno);
        // One status per entry, taken here: the properties are answered from it.
        std::vector<TListedEntry> entries;
        std::size_t nameBytes = 0;
        while (dirent *entry = ::readdir(dir)) {
            const char *name = entry->d_name;
            if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
                continue;
            TListedEntry listed;
            struct stat status = {};
            if (!KindOf(dirfd(dir), entry, listed.Kind, status))
                continue;
            if (index == 0 && listed.Kind != nkFolder)
                continue; // device.ini and other files beside the storages
            if (index == 0)
                listed.Kind = nkStorage;
            listed.OnDisk = name;
            listed.Name = DecodeName(listed.OnDisk);
            listed.Size = S_ISREG(status.st_mode) ? std::int64_t(status.st_size) : 0;
            listed.ModifiedSeconds = status.st_mtim.tv_sec;
            listed.ModifiedNanoseconds = std::int32_t(status.st_mtim.tv_nsec);
            nameBytes += listed.OnDisk.size();
            entries.push_back(std::move(listed));
        }
        ::closedir(dir);
        if (FNameBytes.size() + nameBytes > UINT32_MAX)
            return HResultFromErrno(ENOMEM);
        std::sort(entries.begin(), entries.end(), [](const auto &a, const auto &b) { return a.Name < b.Name; });

        // The views stay valid: the store grows by at most nameBytes below.
        // Doubling, since reserving only what this folder needs would copy
        // the whole store once per folder.
        const std::size_t needed = FNameBytes.size() + nameBytes;
        if (needed > FNameBytes.capacity())
            FNameBytes.reserve(std::max(needed, FNameBytes.capacity() * 2));
        std::unordered_map<std::string_view, int> known;
        const TNode &parent = FNodes[std::size_t(index)];
        for (std::uint32_t i = 0; i < parent.ChildCount; ++i) {
            const int child = FChildren[parent.FirstChild + i];
            const QByteArray name = DiskName(child);
            known.emplace(std::string_view(name.constData(), std::size_t(name.size())), child);
        }
        std::vector<int> children;
        children.reserve(entries.size());
        for (const TListedEntry &entry : entries) {
            const auto found = known.find(entry.OnDisk);
            int child = found == known.end() ? -1 : found->second;
            if (child < 0 || FNodes[std::size_t(child)].Kind != entry.Kind)
                child = AddNode(index, entry);
            TNode &node = FNodes[std::size_t(child)];
            node.Stated = true;
            node.Size = entry.Size;
            node.ModifiedSeconds = entry.ModifiedSeconds;
            node.ModifiedNanoseconds = entry.ModifiedNanoseconds;
            children.push_back(child);
        }
        SetChildren(index, children);
        return S_OK;
    }

    int AddNode(int parent, const TListedEntry &entry)
    {
        TNode node{parent};
        node.NameStart = std::uint32_t(FNameBytes.size());
        node.NameLength = std::uint8_t(std::min<std::size_t>(entry.OnDisk.size(), 255));
        node.Kind = entry.Kind;
        FNameBytes.insert(FNameBytes.end(), entry.OnDisk.begin(), entry.OnDisk.begin() + node.NameLength);
        FNodes.push_back(node);
        return int(FNodes.size() - 1);
    }

    // A listing that did not grow reuses its range; a larger one moves to the end.
    void SetChildren(int index, const std::vector<int> &children)
    {
        TNode &node = FNodes[std::size_t(index)];
        if (children.size() > node.ChildCount) {
            node.FirstChild = std::uint32_t(FChildren.size());
            FChildren.resize(FChildren.size() + children.size());
        }
        std::copy(children.begin(), children.end(), FChildren.begin() + node.FirstChild);
        node.ChildCount = std::uint32_t(children.size());
    }

    // Folders and regular files; a link counts as what it points to, except
    // that links to folders are left out (they could loop).
    static bool KindOf(int dirFd, const dirent *entry, TNodeKind &kind, struct stat &status)
    {
        unsigned char type = entry->d_type;
        const int flags = type == DT_LNK ? 0 : AT_SYMLINK_NOFOLLOW;
        if (::fstatat(dirFd, entry->d_name, &status, flags) != 0)
            return false;
        if (type == DT_UNKNOWN || type == DT_LNK) {
            if (type == DT_LNK && S_ISDIR(status.st_mode))
                return false;
            type = S_ISDIR(status.st_mode) ? DT_DIR : S_ISREG(status.st_mode) ? DT_REG : DT_UNKNOWN;
        }
        if (type == DT_DIR)
            kind = nkFolder;
        else if (type == DT_REG)
            kind = nkFile;
        else
            return false;
        return true;
    }

    HRESULT DeviceProperty(TPropertyKey key, TPropertyValue &value) const
    {
        switch (key) {
        case pkParentID:
            value = TPropertyValue::FromText(QString());
            return S_OK;
        case pkObjectName:
            value = TPropertyValue::FromText(FConfig.FriendlyName);
            return S_OK;
        case pkContentType:
            value = TPropertyValue::FromGuid(FunctionalObjectGuid());
            return S_OK;
        case pkObjectFormat:
            value = TPropertyValue::FromGuid(ObjectFormatGuid(ofPropsOnly));
            return S_OK;
        default:
            break;
        }
        auto found = FConfig.DeviceProperties.find(key);
        if (found == FConfig.DeviceProperties.end())
            return E_DEVICE_NO_PROPERTY;
        value = found->second;
        return S_OK;
    }

    QString ReportedName(int index) const
    {
        if (FConfig.Faults.Names.isEmpty())
            return NameOf(index);
        const auto found = FConfig.Faults.Names.constFind(FaultPath(index));
        return found != FConfig.Faults.Names.constEnd() ? found.value() : NameOf(index);
    }

    HRESULT StorageProperty(int index, TPropertyKey key, TPropertyValue &value) const
    {
        switch (key) {
        case pkParentID:
            value = TPropertyValue::FromText(QString::fromLatin1(DEVICE_OBJECT_ID));
            return S_OK;
        case pkObjectName:
            value = TPropertyValue::FromText(ReportedName(index));
            return S_OK;
        case pkContentType:
            value = TPropertyValue::FromGuid(FunctionalObjectGuid());
            return S_OK;
        case pkObjectFormat:
            value = TPropertyValue::FromGuid(ObjectFormatGuid(ofPropsOnly));
            return S_OK;
        default:
            return E_DEVICE_NO_PROPERTY;
        }
    }

    // From the bytes on disk: the extensions asked for are ASCII, and a
    // listing asks every file's type once.
    static void TypeOfFile(const QByteArray &name, TContentType &content, TObjectFormat &format)
    {
        const QByteArray extension = name.mid(name.lastIndexOf('.') + 1);
        auto is = [&](const char *wanted) { return extension.compare(wanted, Qt::CaseInsensitive) == 0; };
        content = ctGenericFile;
        format = ofUnknown;
        if (!name.contains('.'))
            return;
        if (is("jpg") || is("jpeg")) {
            content = ctImage;
            format = ofExif;
        } else if (is("mp3")) {
            content = ctAudio;
            format = ofMp3;
        } else if (is("mp4")) {
            content = ctVideo;
            format = ofMp4;
        } else if (is("txt")) {
            content = ctDocument;
            format = ofText;
        }
    }

    HRESULT ItemProperty(int index, TPropertyKey key, TPropertyValue &value) const
    {
        const TNode &node = FNodes[std::size_t(index)];
        TContentType content = ctFolder;
        TObjectFormat format = ofPropsOnly;
        if (node.Kind == nkFile && (key == pkContentType || key == pkObjectFormat))
            TypeOfFile(DiskName(index), content, format);
        switch (key) {
        case pkParentID:
            value = TPropertyValue::FromText(IDOf(node.Parent));
            return S_OK;
        case pkObjectName:
        case pkOriginalFileName:
            value = TPropertyValue::FromText(ReportedName(index));
            return S_OK;
        case pkContentType:
            value = TPropertyValue::FromGuid(ContentTypeGuid(content));
            return S_OK;
        case pkObjectFormat:
            value = TPropertyValue::FromGuid(ObjectFormatGuid(format));
            return S_OK;
        case pkObjectSize:
        case pkDateCreated:
        case pkDateModified:
            return StatProperty(index, key, value);
        default:
            return E_DEVICE_NO_PROPERTY;
        }
    }

    HRESULT StatProperty(int index, TPropertyKey key, TPropertyValue &value) const
    {
        if (key == pkDateModified && HasFault(FConfig.Faults.NoDate, index))
            return E_DEVICE_NO_PROPERTY;
        const TNode &node = FNodes[std::size_t(index)];
        std::int64_t size = node.Size;
        std::int64_t seconds = node.ModifiedSeconds;
        std::int64_t nanoseconds = node.ModifiedNanoseconds;
        if (!node.Stated) {
            struct stat status = {};
            if (::stat(DiskPath(index).constData(), &status) != 0)
                return HResultFromErrno(errno);
            size = S_ISREG(status.st_mode) ? std::int64_t(status.st_size) : 0;
            seconds = status.st_mtim.tv_sec;
            nanoseconds = status.st_mtim.tv_nsec;
        }
        if (key == pkObjectSize) {
            value = TPropertyValue::FromUInt64(std::uint64_t(size));
            return S_OK;
        }
        TDateTime date = 0;
        const TFileTime fileTime = UnixPartsToFileTime(seconds, nanoseconds);
        if (!FileTimeToLocalDateTime(fileTime, date))
            return E_DEVICE_NO_PROPERTY;
        value = TPropertyValue::FromDate(date);
        return S_OK;
    }

    QString FFolder;
    TSimulatedDeviceConfig FConfig;
    std::deque<TNode> FNodes; // index 0 is the device object
    std::vector<int> FChildren;
    std::vector<char> FNameBytes;
};

// ---------------------------------------------------------------------------
// The list of simulated devices

class TSimulatedDeviceService : public IDeviceService
{
public:
    explicit TSimulatedDeviceService(const QString &folder) : FFolder(folder) {}

    HRESULT GetDevices(QStringList &deviceIDs) override
    {
        deviceIDs.clear();
        if (FFolder.isEmpty())
            return S_OK;
        const QDir root(FFolder);
        if (!root.exists())
            return S_OK;
        const QStringList names = root.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
        for (const QString &name : names)
            deviceIDs.append(DeviceIDPrefix + name);
        return S_OK;
    }

    HRESULT GetDeviceFriendlyName(const QString &deviceID, QString &name) override
    {
        return ConfigText(deviceID, &TSimulatedDeviceConfig::FriendlyName, name);
    }

    HRESULT GetDeviceManufacturer(const QString &deviceID, QString &manufacturer) override
    {
        return ConfigText(deviceID, &TSimulatedDeviceConfig::Manufacturer, manufacturer);
    }

    HRESULT GetDeviceDescription(const QString &deviceID, QString &description) override
    {
        return ConfigText(deviceID, &TSimulatedDeviceConfig::Description, description);
    }

    HRESULT Open(const QString &deviceID, const TClientInformation &,
                 std::unique_ptr<IDeviceConnection> &connection) override
    {
        connection.reset();
        TSimulatedDeviceConfig config;
        HRESULT hr = Config(deviceID, config);
        if (Failed(hr))
            return hr;
        if (config.Faults.OpenFail)
            return E_DEVICE_GONE;
        connection = std::make_unique<TSimulatedConnection>(FolderOf(deviceID), std::move(config));
        return S_OK;
    }

private:
    QString FolderOf(const QString &deviceID) const
    {
        if (!deviceID.startsWith(DeviceIDPrefix))
            return QString();
        const QString name = deviceID.mid(DeviceIDPrefix.size());
        if (name.isEmpty() || name.contains(QLatin1Char('/')) || name == QLatin1String(".") ||
            name == QLatin1String(".."))
            return QString();
        return QDir(FFolder).filePath(name);
    }

    HRESULT Config(const QString &deviceID, TSimulatedDeviceConfig &config) const
    {
        const QString folder = FolderOf(deviceID);
        if (FFolder.isEmpty() || folder.isEmpty() || !QFileInfo(folder).isDir())
            return E_DEVICE_GONE;
        try {
            config = ReadSimulatedDeviceConfig(folder);
        } catch (const EStreamError &) {
            return E_DEVICE_IO;
        }
        return S_OK;
    }

    // device.ini is read afresh on every call, so an edited device shows at once.
    HRESULT ConfigText(const QString &deviceID, QString TSimulatedDeviceConfig::*field, QString &text) const
    {
        TSimulatedDeviceConfig config;
        const HRESULT hr = Config(deviceID, config);
        text = config.*field;
        return hr;
    }

    QString FFolder;
};

} // namespace

DeviceServicePtr CreateSimulatedDeviceService(const QString &folder)
{
    return std::make_unique<TSimulatedDeviceService>(folder);
}

QString SimulatedDevicesFolder()
{
    return qEnvironmentVariable("TESSARIL_DEVICES");
}
