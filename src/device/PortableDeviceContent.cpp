#include "device/PortableDeviceContent.h"

#include "base/FileTimes.h"

#include <cerrno>
#include <cmath>
#include <fcntl.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr qsizetype MaxStoredLength = (1 << 24) - 1; // longer names are read again on every query
constexpr std::size_t MaxGuids = 255;                // one byte per object names its entry
constexpr std::size_t NameBlockSize = 16384;         // characters
constexpr int DateAttempts = 2;
constexpr std::chrono::milliseconds DateRetryPause(100);

// Day counts of 0001-01-01 and 9999-12-31 23:59:59.999: anything outside is
// no date a program can show or convert.
constexpr TDateTime MinDateTime = -693593.0;
constexpr TDateTime MaxDateTime = 2958466.0;

bool IsUsableDate(TDateTime date)
{
    return std::isfinite(date) && date >= MinDateTime && date < MaxDateTime;
}

bool SameText(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

TPropertyKey KeyOf(TObjectProperty property)
{
    switch (property) {
    case opCreationTime:
        return pkDateCreated;
    case opLastWriteTime:
        return pkDateModified;
    case opSize:
        break;
    }
    return pkObjectSize;
}

bool HasExtension(const QString &fileName)
{
    qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return false;
    qsizetype separator = std::max(fileName.lastIndexOf(QLatin1Char('/')), fileName.lastIndexOf(QLatin1Char('\\')));
    return dot > separator;
}

} // namespace

// ---------------------------------------------------------------------------
// TPortableDeviceObject

TPortableDeviceObject::TPortableDeviceObject(TPortableDeviceContent &AContent, const QString &AObjectID,
                                             int AParentIndex, int ALevel)
    : FContent(&AContent), FParentIndex(AParentIndex), FLevel(ALevel), FFirstChild(AContent.AddLooseID(AObjectID))
{}

TPortableDeviceObject::TPortableDeviceObject(TListed, TPortableDeviceContent &AContent, int AIndex, int AParentIndex,
                                             int ALevel)
    : FContent(&AContent), FIndex(AIndex), FParentIndex(AParentIndex), FLevel(ALevel)
{}

QString TPortableDeviceObject::ObjectID() const
{
    return InList() ? FContent->IDOf(FIndex) : FContent->LooseID(FFirstChild);
}

HRESULT TPortableDeviceObject::GetProperty(TPropertyKey PropertyKey, TPropertyValue &pv) const
{
    pv.Clear();
    return FContent->Connection().GetProperty(ObjectID(), PropertyKey, pv);
}

QString TPortableDeviceObject::CachedText(TPropertyKey key, std::uint32_t &cache) const
{
    if (cache != 0)
        return FContent->StoredName(cache).toString();
    TPropertyValue value;
    if (Failed(GetProperty(key, value)) || value.Type != vtText)
        return QString();
    if (InList())
        cache = FContent->StoreName(value.Text);
    return value.Text;
}

QStringView TPortableDeviceObject::NameView(TPropertyKey key, QString &scratch) const
{
    std::uint32_t &cache = key == pkObjectName ? FObjectName : FOriginalName;
    if (cache != 0)
        return FContent->StoredName(cache);
    // Just read: the caller's copy saves building one from the store.
    scratch = CachedText(key, cache);
    return scratch;
}

QString TPortableDeviceObject::ParentID() const
{
    if (FParentLink != plUnread)
        return FContent->KnownParentID(*this);
    TPropertyValue value;
    if (Failed(GetProperty(pkParentID, value)) || value.Type != vtText)
        return QString();
    FContent->StoreParentID(*this, value.Text);
    return value.Text;
}

QString TPortableDeviceObject::ObjectName() const
{
    return CachedText(pkObjectName, FObjectName);
}

QString TPortableDeviceObject::OriginalName() const
{
    return CachedText(pkOriginalFileName, FOriginalName);
}

TGuid TPortableDeviceObject::ContentGuid() const
{
    if (FContentType != 0)
        return FContent->StoredGuid(FContentType);
    TPropertyValue value;
    if (Failed(GetProperty(pkContentType, value)))
        return UnspecifiedContentGuid();
    const TGuid guid = value.Type == vtGuid && !value.Guid.IsNull() ? value.Guid : UnspecifiedContentGuid();
    FContentType = FContent->StoreGuid(guid);
    return guid;
}

TContentType TPortableDeviceObject::ContentType() const
{
    return ContentTypeOf(ContentGuid());
}

TObjectType TPortableDeviceObject::ObjectType() const
{
    if (FKnownType >= 0)
        return static_cast<TObjectType>(FKnownType);
    const TGuid guid = ContentGuid();
    if (guid == FunctionalObjectGuid())
        return ParentID().isEmpty() ? otDevice : otRoot;
    TObjectType type = otUnknown;
    if (guid == FolderGuid())
        type = otFolder;
    else if (CountsAsFile(ContentTypeOf(guid)))
        type = otFile;
    // Runs ask every object's type several times; a content type that could
    // not be read yet is asked for again next time.
    if (FContentType != 0)
        FKnownType = static_cast<signed char>(type);
    return type;
}

TObjectFormat TPortableDeviceObject::ObjectFormat() const
{
    if (FObjectFormat != 0)
        return ObjectFormatOf(FContent->StoredGuid(FObjectFormat));
    TPropertyValue value;
    HRESULT hr = GetProperty(pkObjectFormat, value);
    bool usable = Succeeded(hr) && value.Type == vtGuid && !value.Guid.IsNull();
    const TGuid guid = usable ? value.Guid : UnspecifiedFormatGuid();
    FObjectFormat = FContent->StoreGuid(guid);
    return ObjectFormatOf(guid);
}

QString TPortableDeviceObject::ObjectExtension() const
{
    return ObjectFormatExtension(ObjectFormat());
}

std::int64_t TPortableDeviceObject::Size() const
{
    TPropertyValue value;
    if (Failed(GetProperty(pkObjectSize, value)) || value.Type != vtUInt64)
        return 0;
    // A size past the signed range would read as negative further on.
    return value.Number > std::uint64_t(INT64_MAX) ? INT64_MAX : std::int64_t(value.Number);
}

TDateTime TPortableDeviceObject::CreationTime() const
{
    TPropertyValue value;
    if (Succeeded(GetProperty(pkDateCreated, value)) && value.Type == vtDate && IsUsableDate(value.Date))
        return value.Date;
    return NowLocalDateTime();
}

TDateTime TPortableDeviceObject::LastWriteTime() const
{
    for (int attempt = 0; attempt < DateAttempts; ++attempt) {
        TPropertyValue value;
        if (Failed(GetProperty(pkDateModified, value))) {
            FContent->RetryPause(DateRetryPause);
            continue;
        }
        if (value.Type == vtDate && IsUsableDate(value.Date))
            return value.Date;
    }
    return NowLocalDateTime();
}

QStringView TPortableDeviceObject::DisplayNameView(QString &scratch) const
{
    const bool file = ObjectType() == otFile;
    const TPropertyKey first = file ? pkOriginalFileName : pkObjectName;
    const TPropertyKey second = file ? pkObjectName : pkOriginalFileName;
    QStringView name = NameView(first, scratch);
    if (name.isEmpty())
        name = NameView(second, scratch);
    if (!name.isEmpty())
        return name;
    scratch = file ? ObjectID() + QStringLiteral(".data") : ObjectID();
    return scratch;
}

QString TPortableDeviceObject::DisplayName() const
{
    QString scratch;
    const QStringView name = DisplayNameView(scratch);
    // A name just read is in scratch already.
    if (name.data() == scratch.constData())
        return scratch;
    return name.toString();
}

QString TPortableDeviceObject::Path() const
{
    return FContent->PathOf(*this);
}

TPortableDeviceObject *TPortableDeviceObject::GetChild(int Index) const
{
    if (Index < 0 || Index >= ChildCount())
        return nullptr;
    return FContent->GetObject(FContent->FChildIndexes[FFirstChild + std::size_t(Index)]);
}

std::span<const int> TPortableDeviceObject::ChildIndexes() const
{
    if (FChildCount == 0)
        return {};
    return std::span<const int>(FContent->FChildIndexes).subspan(FFirstChild, FChildCount);
}

TPortableDeviceObject *TPortableDeviceObject::GetChildByName(const QString &AName) const
{
    return FirstChildNamed(pkObjectName, AName);
}

TPortableDeviceObject *TPortableDeviceObject::GetChildByOriginalName(const QString &AName) const
{
    return FirstChildNamed(pkOriginalFileName, AName);
}

TPortableDeviceObject *TPortableDeviceObject::FirstChildNamed(TPropertyKey key, const QString &AName) const
{
    // The exact name first: "dcim" must not pick "DCIM" when both exist.
    TPortableDeviceObject *caseMatch = nullptr;
    for (int index : ChildIndexes()) {
        TPortableDeviceObject *child = FContent->GetObject(index);
        if (!child)
            continue;
        QString scratch;
        const QStringView childName = child->NameView(key, scratch);
        if (childName == AName)
            return child;
        if (!caseMatch && childName.compare(AName, Qt::CaseInsensitive) == 0)
            caseMatch = child;
    }
    return caseMatch;
}

HRESULT TPortableDeviceObject::OpenStream(TFileStreamData &AStreamData) const
{
    SourceStreamPtr stream;
    std::uint32_t blockSize = 0;
    HRESULT hr = FContent->Connection().OpenStream(ObjectID(), stream, blockSize);
    if (Failed(hr))
        return hr;
    if (!stream)
        return E_UNEXPECTED;
    AStreamData.FileStream = std::move(stream);
    AStreamData.BufferSize = blockSize;
    return hr;
}

HRESULT TPortableDeviceObject::GetFileData(TFileData &AFileData, bool AGetStream) const
{
    return GetFileData(AFileData, AGetStream, LastWriteTime());
}

HRESULT TPortableDeviceObject::GetFileData(TFileData &AFileData, bool AGetStream, TDateTime ALastWriteTime) const
{
    return FillFileData(AFileData, AGetStream, DisplayName(), Size(), ALastWriteTime);
}

HRESULT TPortableDeviceObject::GetFileData(TFileData &AFileData, const QString &AName, std::int64_t ASize,
                                           TDateTime ALastWriteTime) const
{
    return FillFileData(AFileData, true, AName, ASize, ALastWriteTime);
}

HRESULT TPortableDeviceObject::FillFileData(TFileData &AFileData, bool AGetStream, const QString &AName,
                                            std::int64_t ASize, TDateTime ALastWriteTime) const
{
    AFileData.Reset();
    AFileData.FileName = AName;
    AFileData.FileSize = ASize;
    AFileData.TimeStamps.SetLocalTimes(AFileData.CreationDateTime(), ALastWriteTime);
    if (ObjectType() != otFile) {
        AFileData.FileAttr = FILE_ATTRIBUTE_DIRECTORY;
        return S_OK;
    }
    AFileData.FileAttr = FILE_ATTRIBUTE_NORMAL;
    if (!AGetStream)
        return S_OK;
    return OpenStream(AFileData.StreamData);
}

HRESULT TPortableDeviceObject::GetFileStream(TFileStreamData &AStreamData) const
{
    AStreamData.Reset();
    return OpenStream(AStreamData);
}

HRESULT TPortableDeviceObject::CopyToFile(const QString &AFilename) const
{
    TFileStreamData source;
    CheckDeviceCall(OpenStream(source),
                    QStringLiteral("TPortableDeviceObject.CopyToFile:IPortableDeviceResources.GetStream"));

    const QByteArray localName = AFilename.toLocal8Bit();
    int fd = ::open(localName.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        return HResultFromErrno(errno);

    std::vector<char> buffer(std::max<std::uint32_t>(source.BufferSize, 4096));
    HRESULT result = S_OK;
    for (;;) {
        std::uint32_t bytesRead = 0;
        result = source.FileStream->Read(buffer.data(), std::uint32_t(buffer.size()), bytesRead);
        if (Failed(result) || bytesRead == 0)
            break;
        for (std::uint32_t written = 0; written < bytesRead && Succeeded(result);) {
            ssize_t n = ::write(fd, buffer.data() + written, bytesRead - written);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                result = HResultFromErrno(n < 0 ? errno : ENOSPC);
            else
                written += std::uint32_t(n);
        }
        if (Failed(result))
            break;
    }
    if (Succeeded(result))
        result = source.FileStream->Commit();
    int closeResult = ::close(fd);
    if (Succeeded(result) && closeResult != 0)
        result = HResultFromErrno(errno);
    return Failed(result) ? result : S_OK;
}

bool TPortableDeviceObject::CanWriteProperty(TObjectProperty ObjectProperty) const
{
    bool canWrite = false;
    if (Failed(FContent->Connection().CanWriteProperty(ObjectID(), KeyOf(ObjectProperty), canWrite)))
        return false;
    return canWrite;
}

QString TPortableDeviceObject::AddNameExtension(const QString &AFilename) const
{
    const QString extension = ObjectExtension();
    if (extension.isEmpty() || HasExtension(AFilename))
        return AFilename;
    return AFilename + QLatin1Char('.') + extension;
}

// ---------------------------------------------------------------------------
// TPortableDeviceContent

TPortableDeviceContent::TPortableDeviceContent(IDeviceConnection &AConnection, TPortableDevice *ADevice)
    : FConnection(AConnection), FDevice(ADevice)
{}

TPortableDeviceContent::~TPortableDeviceContent() = default;

void TPortableDeviceContent::RetryPause(std::chrono::milliseconds delay) const
{
    if (FRetryPause)
        FRetryPause(delay);
    else
        std::this_thread::sleep_for(delay);
}

void TPortableDeviceContent::Clear()
{
    FObjectList.clear();
    FChildIndexes = std::vector<int>();
    FIDChars = std::vector<char16_t>();
    FIDEnds = std::vector<std::size_t>();
    FIndexOfID.Clear();
    FListedVariants.clear();
    FLastAddedHolder = -1;
    FNameBlocks.clear();
    FNameCursor = nullptr;
    FNameRoom = 0;
    FNames = std::vector<TStoredName>();
    FOtherParentIDs.clear();
    FLastIDIndex = -1;
    FLastID.clear();
    FErrorObjects.Clear();
    FTypesScanned = false;
    FRootIndexes.clear();
    FFolderCount = 0;
    FPathMarks.clear();
}

QStringView TPortableDeviceContent::IDView(int index) const
{
    const std::size_t start = index == 0 ? 0 : FIDEnds[std::size_t(index) - 1];
    return QStringView(FIDChars.data() + start, qsizetype(FIDEnds[std::size_t(index)] - start));
}

QString TPortableDeviceContent::IDOf(int index) const
{
    if (index != FLastIDIndex) {
        FLastID = IDView(index).toString();
        FLastIDIndex = index;
    }
    return FLastID;
}

std::uint32_t TPortableDeviceContent::AddLooseID(const QString &id)
{
    FLooseIDs.append(id);
    return std::uint32_t(FLooseIDs.size() - 1);
}

int TPortableDeviceContent::FirstWithID(QStringView id) const
{
    return FIndexOfID.Find(FIndexOfID.Hash(id, Qt::CaseInsensitive),
                           [&](int index) { return IDView(index).compare(id, Qt::CaseInsensitive) == 0; });
}

std::uint32_t TPortableDeviceContent::StoreName(const QString &name) const
{
    // An empty name is asked for again; one too long for an entry as well.
    if (name.isEmpty() || name.size() > MaxStoredLength || FNames.size() >= UINT32_MAX - 1)
        return 0;
    const auto length = std::size_t(name.size());
    char16_t *target = nullptr;
    if (length > NameBlockSize / 4) {
        // A long name gets a block of its own and leaves the current one be.
        FNameBlocks.push_back(std::make_unique_for_overwrite<char16_t[]>(length));
        target = FNameBlocks.back().get();
    } else {
        if (length > FNameRoom) {
            FNameBlocks.push_back(std::make_unique_for_overwrite<char16_t[]>(NameBlockSize));
            FNameCursor = FNameBlocks.back().get();
            FNameRoom = NameBlockSize;
        }
        target = FNameCursor;
        FNameCursor += length;
        FNameRoom -= length;
    }
    std::copy_n(reinterpret_cast<const char16_t *>(name.constData()), length, target);
    FNames.push_back(TStoredName{target, std::uint32_t(length)});
    return std::uint32_t(FNames.size());
}

QStringView TPortableDeviceContent::StoredName(std::uint32_t entry) const
{
    const TStoredName &name = FNames[entry - 1];
    return QStringView(name.Data, qsizetype(name.Length));
}

std::uint8_t TPortableDeviceContent::StoreGuid(const TGuid &guid) const
{
    for (std::size_t i = 0; i < FGuids.size(); ++i)
        if (FGuids[i] == guid)
            return std::uint8_t(i + 1);
    if (FGuids.size() >= MaxGuids)
        return 0;
    FGuids.push_back(guid);
    return std::uint8_t(FGuids.size());
}

void TPortableDeviceContent::StoreParentID(const TPortableDeviceObject &object, const QString &id) const
{
    if (!object.InList() || id.isEmpty())
        return;
    if (object.FParentIndex >= 0 && IDView(object.FParentIndex) == id) {
        object.FParentLink = TPortableDeviceObject::plTreeParent;
        return;
    }
    FOtherParentIDs.insert(object.FIndex, id);
    object.FParentLink = TPortableDeviceObject::plOther;
}

QString TPortableDeviceContent::KnownParentID(const TPortableDeviceObject &object) const
{
    if (object.FParentLink == TPortableDeviceObject::plTreeParent)
        return IDOf(object.FParentIndex);
    return FOtherParentIDs.value(object.FIndex);
}

int TPortableDeviceContent::ParentByLink(const TPortableDeviceObject &object) const
{
    QString read;
    QStringView parentID;
    if (object.FParentLink == TPortableDeviceObject::plUnread)
        read = object.ParentID();
    if (object.FParentLink == TPortableDeviceObject::plTreeParent)
        parentID = IDView(object.FParentIndex);
    else if (object.FParentLink == TPortableDeviceObject::plOther)
        parentID = FOtherParentIDs[object.FIndex];
    else
        parentID = read;
    if (parentID.isEmpty() || parentID.compare(QLatin1String(DEVICE_OBJECT_ID), Qt::CaseInsensitive) == 0)
        return -1;
    return FirstWithID(parentID);
}

TPortableDeviceObject *TPortableDeviceContent::GetObject(int Index) const
{
    if (Index < 0 || Index >= ObjectCount())
        return nullptr;
    // The objects' caches change behind const; the list itself does not.
    return const_cast<TPortableDeviceObject *>(&FObjectList[std::size_t(Index)]);
}

TPortableDeviceObject *TPortableDeviceContent::GetObjectByID(const QString &AObjectID) const
{
    return GetObject(FirstWithID(AObjectID));
}

TPortableDeviceObject *TPortableDeviceContent::FindNextObject(TObjectType AObjectType, int &AIndex) const
{
    if (AIndex < 0)
        AIndex = 0;
    for (; AIndex < ObjectCount(); ++AIndex)
        if (FObjectList[std::size_t(AIndex)].ObjectType() == AObjectType)
            return GetObject(AIndex);
    AIndex = ObjectCount();
    return nullptr;
}

TPortableDeviceObject *TPortableDeviceContent::DeviceObject() const
{
    int index = 0;
    return FindNextObject(otDevice, index);
}

void TPortableDeviceContent::ScanTypes() const
{
    if (FTypesScanned)
        return;
    FRootIndexes.clear();
    FFolderCount = 0;
    for (const TPortableDeviceObject &object : FObjectList) {
        const TObjectType type = object.ObjectType();
        if (type == otRoot)
            FRootIndexes.push_back(object.Index());
        else if (type == otFolder)
            ++FFolderCount;
    }
    FTypesScanned = true;
}

int TPortableDeviceContent::RootCount() const
{
    ScanTypes();
    return int(FRootIndexes.size());
}

TPortableDeviceObject *TPortableDeviceContent::GetRootObject(int Index) const
{
    ScanTypes();
    if (Index < 0 || Index >= int(FRootIndexes.size()))
        return nullptr;
    return GetObject(FRootIndexes[std::size_t(Index)]);
}

int TPortableDeviceContent::FolderCount() const
{
    ScanTypes();
    return FFolderCount;
}

QString TPortableDeviceContent::PathOf(const TPortableDeviceObject &object) const
{
    if (FPathMarks.size() != FObjectList.size())
        FPathMarks.assign(FObjectList.size(), 0);
    if (++FPathGeneration == 0) {
        std::fill(FPathMarks.begin(), FPathMarks.end(), 0);
        FPathGeneration = 1;
    }
    auto visit = [&](const TPortableDeviceObject &node) {
        std::uint32_t &mark = FPathMarks[std::size_t(node.Index())];
        if (mark == FPathGeneration)
            return false;
        mark = FPathGeneration;
        return true;
    };
    if (object.Index() >= 0 && object.Index() < ObjectCount() && GetObject(object.Index()) == &object)
        visit(object);

    // Names are collected upwards and joined once: prepending one by one
    // would cost the square of the depth. Stored names are not copied.
    std::vector<QStringView> names;
    std::vector<QString> read; // names that are not in the store
    auto add = [&](const TPortableDeviceObject &node) {
        QString scratch;
        names.push_back(node.DisplayNameView(scratch));
        if (!scratch.isEmpty())
            read.push_back(std::move(scratch)); // a moved string keeps its characters where they are
    };
    add(object);
    // Unknown parents end the path; so does a parent seen before, which
    // would make a device's cyclic parent links loop forever.
    for (const TPortableDeviceObject *parent = GetObject(ParentByLink(object)); parent && visit(*parent);
         parent = GetObject(ParentByLink(*parent)))
        add(*parent);

    qsizetype length = 0;
    for (QStringView name : names)
        length += name.size() + 1;
    QString path;
    path.reserve(length);
    for (std::size_t i = names.size() - 1; i > 0; --i) {
        path += names[i];
        if (!path.endsWith(QLatin1Char('\\')))
            path += QLatin1Char('\\');
    }
    path += names.front();
    return path;
}

TPortableDeviceObject *TPortableDeviceContent::GetObjectByPath(const QString &APath) const
{
    // A colon cannot be part of a path made by Path.
    if (APath.isEmpty() || APath.startsWith(QLatin1Char('\\')) || APath.contains(QLatin1Char(':')))
        return nullptr;
    // A trailing backslash leaves nothing behind it and is ignored; a doubled
    // one gives an empty element that only an empty object name matches.
    QStringList names = APath.split(QLatin1Char('\\'));
    if (names.size() > 1 && names.last().isEmpty())
        names.removeLast();
    return GetObjectByNames(names);
}

TPortableDeviceObject *TPortableDeviceContent::GetObjectByNames(const QStringList &names) const
{
    if (names.isEmpty())
        return nullptr;
    const QString &storageName = names.front();
    TPortableDeviceObject *current = nullptr;
    for (int i = 0; i < RootCount() && !current; ++i)
        if (GetRootObject(i)->DisplayName() == storageName)
            current = GetRootObject(i);
    for (int i = 0; i < RootCount() && !current; ++i)
        if (SameText(GetRootObject(i)->DisplayName(), storageName))
            current = GetRootObject(i);
    for (qsizetype i = 1; current && i < names.size(); ++i)
        current = current->GetChildByName(names[i]);
    return current;
}

int TPortableDeviceContent::GetObjectIndexByPath(const QString &APath) const
{
    const TPortableDeviceObject *object = GetObjectByPath(APath);
    return object ? object->Index() : -1;
}
