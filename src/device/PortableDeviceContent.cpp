#include "device/PortableDeviceContent.h"

#include "base/FileTimes.h"

#include <QSet>

#include <cerrno>
#include <cmath>
#include <fcntl.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr std::uint32_t EnumBatchSize = 10;
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

QString FoldedID(const QString &id)
{
    return id.toCaseFolded();
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
    : FObjectID(AObjectID), FContent(&AContent), FParentIndex(AParentIndex), FLevel(ALevel)
{}

HRESULT TPortableDeviceObject::GetProperty(TPropertyKey PropertyKey, TPropertyValue &pv) const
{
    pv.Clear();
    return FContent->Connection().GetProperty(FObjectID, PropertyKey, pv);
}

QString TPortableDeviceObject::CachedText(TPropertyKey key, QString &cache) const
{
    if (!cache.isEmpty())
        return cache;
    TPropertyValue value;
    if (Failed(GetProperty(key, value)))
        return QString();
    cache = value.Type == vtText ? value.Text : QString();
    return cache;
}

QString TPortableDeviceObject::ParentID() const
{
    return CachedText(pkParentID, FParentID);
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
    if (!FContentType.IsNull())
        return FContentType;
    TPropertyValue value;
    if (Failed(GetProperty(pkContentType, value)))
        return UnspecifiedContentGuid();
    FContentType = value.Type == vtGuid && !value.Guid.IsNull() ? value.Guid : UnspecifiedContentGuid();
    return FContentType;
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
    if (!FContentType.IsNull())
        FKnownType = static_cast<signed char>(type);
    return type;
}

TObjectFormat TPortableDeviceObject::ObjectFormat() const
{
    if (FObjectFormat.IsNull()) {
        TPropertyValue value;
        HRESULT hr = GetProperty(pkObjectFormat, value);
        bool usable = Succeeded(hr) && value.Type == vtGuid && !value.Guid.IsNull();
        FObjectFormat = usable ? value.Guid : UnspecifiedFormatGuid();
    }
    return ObjectFormatOf(FObjectFormat);
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

QString TPortableDeviceObject::DisplayName() const
{
    if (ObjectType() == otFile) {
        QString name = OriginalName();
        if (name.isEmpty())
            name = ObjectName();
        return name.isEmpty() ? FObjectID + QStringLiteral(".data") : name;
    }
    QString name = ObjectName();
    if (name.isEmpty())
        name = OriginalName();
    return name.isEmpty() ? FObjectID : name;
}

QString TPortableDeviceObject::Path() const
{
    return FContent->PathOf(*this);
}

TPortableDeviceObject *TPortableDeviceObject::GetChild(int Index) const
{
    if (Index < 0 || Index >= ChildCount())
        return nullptr;
    return FContent->GetObject(FChildObjects[std::size_t(Index)]);
}

TPortableDeviceObject *TPortableDeviceObject::GetChildByName(const QString &AName) const
{
    return FirstChildNamed(&TPortableDeviceObject::ObjectName, AName);
}

TPortableDeviceObject *TPortableDeviceObject::GetChildByOriginalName(const QString &AName) const
{
    return FirstChildNamed(&TPortableDeviceObject::OriginalName, AName);
}

TPortableDeviceObject *TPortableDeviceObject::FirstChildNamed(TNameProperty name, const QString &AName) const
{
    // The exact name first: "dcim" must not pick "DCIM" when both exist.
    TPortableDeviceObject *caseMatch = nullptr;
    for (int index : FChildObjects) {
        TPortableDeviceObject *child = FContent->GetObject(index);
        if (!child)
            continue;
        const QString childName = (child->*name)();
        if (childName == AName)
            return child;
        if (!caseMatch && SameText(childName, AName))
            caseMatch = child;
    }
    return caseMatch;
}

HRESULT TPortableDeviceObject::OpenStream(TFileStreamData &AStreamData) const
{
    SourceStreamPtr stream;
    std::uint32_t blockSize = 0;
    HRESULT hr = FContent->Connection().OpenStream(FObjectID, stream, blockSize);
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
    AFileData.Reset();
    AFileData.FileName = DisplayName();
    AFileData.FileSize = Size();
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
    if (Failed(FContent->Connection().CanWriteProperty(FObjectID, KeyOf(ObjectProperty), canWrite)))
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
// Reading the tree
//
// The walk keeps its own stack instead of recursing, so that a device that
// nests folders a hundred thousand levels deep cannot overflow the program's
// stack. The order is the same pre-order a recursive walk gives: a child's
// whole subtree is read before the next child of the same batch, and the
// listings of all ancestors stay open meanwhile.

class TPortableDeviceContent::TTreeReader
{
public:
    explicit TTreeReader(TPortableDeviceContent &content) : FContent(content) {}

    bool Run()
    {
        OpenChildren(FContent.AddObject(QString::fromLatin1(DEVICE_OBJECT_ID), -1, 0));
        while (!FStack.empty() && !FAborted)
            Step();
        return FResult;
    }

private:
    struct TFrame
    {
        int Index;
        std::unique_ptr<IObjectIdEnumerator> Enumerator;
        QStringList Batch;
        qsizetype Next = 0;
        bool More = true;
        int Fetched = 0; // identifiers (or empty batches) received so far
    };

    void Step()
    {
        TFrame &frame = FStack.back();
        if (frame.Next < frame.Batch.size()) {
            QString id = frame.Batch[frame.Next++];
            if (!id.isNull())
                AddChild(frame.Index, id);
            return;
        }
        if (!frame.More) {
            Pop();
            return;
        }
        FetchBatch(frame);
    }

    void FetchBatch(TFrame &frame)
    {
        frame.Batch.clear();
        frame.Next = 0;
        HRESULT hr = frame.Enumerator->Next(EnumBatchSize, frame.Batch);
        frame.More = hr == S_OK;
        // A listing that breaks off leaves the folder incomplete: the children
        // found before stay, and the folder is reported, so that files missing
        // from a backup never go unnoticed.
        if (Failed(hr)) {
            frame.Batch.clear();
            Fail(frame.Index, hr);
            return;
        }
        if (frame.Batch.size() > qsizetype(EnumBatchSize))
            frame.Batch.resize(EnumBatchSize);
        frame.Fetched += std::max<int>(1, int(frame.Batch.size()));
        if (frame.Fetched > FContent.FLimits.MaxChildren) {
            // A listing that never ends: keep what came, report the rest.
            frame.Batch.clear();
            frame.More = false;
            Fail(frame.Index, E_TREE_TOO_MANY_CHILDREN);
        }
    }

    void AddChild(int parentIndex, const QString &id)
    {
        if (FContent.ObjectCount() >= FContent.FLimits.MaxObjects) {
            Fail(parentIndex, E_TREE_TOO_MANY_OBJECTS);
            FAborted = true;
            return;
        }
        const int level = FContent.FObjectList[std::size_t(parentIndex)]->Level() + 1;
        const int index = FContent.AddObject(id, parentIndex, level);
        if (FListedIDs.contains(id)) {
            // Listed before: below itself its subtree would never end, and
            // elsewhere repeats could multiply the tree with every level.
            Fail(index, E_TREE_CYCLE);
            return;
        }
        if (level >= FContent.FLimits.MaxDepth) {
            Fail(index, E_TREE_TOO_DEEP);
            return;
        }
        OpenChildren(index);
    }

    void OpenChildren(int index)
    {
        const QString &id = FContent.FObjectList[std::size_t(index)]->ObjectID();
        std::unique_ptr<IObjectIdEnumerator> enumerator;
        HRESULT hr = FContent.FConnection.EnumObjects(id, enumerator);
        FListedIDs.insert(id);
        if (Failed(hr)) {
            Fail(index, hr);
            return;
        }
        if (hr != S_OK || !enumerator)
            return;
        FStack.push_back(TFrame{index, std::move(enumerator), {}, 0, true, 0});
    }

    void Pop() { FStack.pop_back(); }

    void Fail(int index, HRESULT hr)
    {
        FContent.FErrorObjects.AddError(FContent.FObjectList[std::size_t(index)]->ObjectID(), std::uint32_t(hr));
        FResult = false;
    }

    TPortableDeviceContent &FContent;
    std::vector<TFrame> FStack;
    QSet<QString> FListedIDs; // identifiers whose children were asked for, exactly as listed
    bool FResult = true;
    bool FAborted = false;
};

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
    FIndexOfID.clear();
    FErrorObjects.Clear();
    FTypesScanned = false;
    FRootIndexes.clear();
    FFolderCount = 0;
    FPathMarks.clear();
}

bool TPortableDeviceContent::Refresh(const TFindObjects &ACallBack)
{
    Clear();
    FFindCallback = ACallBack;
    bool result = false;
    try {
        result = TTreeReader(*this).Run();
    } catch (...) {
        FFindCallback = nullptr;
        throw;
    }
    FFindCallback = nullptr;
    return result;
}

int TPortableDeviceContent::AddObject(const QString &AObjectID, int AParentIndex, int ALevel)
{
    const int index = ObjectCount();
    FObjectList.push_back(std::make_unique<TPortableDeviceObject>(*this, AObjectID, AParentIndex, ALevel));
    const QString key = FoldedID(AObjectID);
    if (!FIndexOfID.contains(key))
        FIndexOfID.insert(key, index);
    if (FFindCallback)
        FFindCallback(index, AObjectID);
    TPortableDeviceObject &object = *FObjectList[std::size_t(index)];
    object.FIndex = index;
    if (AParentIndex >= 0)
        FObjectList[std::size_t(AParentIndex)]->AddChild(index);
    return index;
}

TPortableDeviceObject *TPortableDeviceContent::GetObject(int Index) const
{
    if (Index < 0 || Index >= ObjectCount())
        return nullptr;
    return FObjectList[std::size_t(Index)].get();
}

TPortableDeviceObject *TPortableDeviceContent::GetObjectByID(const QString &AObjectID) const
{
    auto found = FIndexOfID.constFind(FoldedID(AObjectID));
    return found == FIndexOfID.constEnd() ? nullptr : GetObject(found.value());
}

TPortableDeviceObject *TPortableDeviceContent::FindNextObject(TObjectType AObjectType, int &AIndex) const
{
    if (AIndex < 0)
        AIndex = 0;
    for (; AIndex < ObjectCount(); ++AIndex)
        if (FObjectList[std::size_t(AIndex)]->ObjectType() == AObjectType)
            return FObjectList[std::size_t(AIndex)].get();
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
    for (const auto &object : FObjectList) {
        const TObjectType type = object->ObjectType();
        if (type == otRoot)
            FRootIndexes.push_back(object->Index());
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
    // would cost the square of the depth.
    QStringList names{object.DisplayName()};
    QString parentID = object.ParentID();
    while (!parentID.isEmpty() && !SameText(parentID, QLatin1String(DEVICE_OBJECT_ID))) {
        const TPortableDeviceObject *parent = GetObjectByID(parentID);
        // Unknown parents end the path; so does a parent seen before, which
        // would make a device's cyclic parent links loop forever.
        if (!parent || !visit(*parent))
            break;
        names.append(parent->DisplayName());
        parentID = parent->ParentID();
    }

    QString path;
    for (qsizetype i = names.size() - 1; i > 0; --i) {
        path += names[i];
        if (!path.endsWith(QLatin1Char('\\')))
            path += QLatin1Char('\\');
    }
    return path + names.front();
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
