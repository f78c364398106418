#pragma once

#include "base/FileData.h"
#include "device/DeviceError.h"
#include "device/DeviceService.h"
#include "device/DeviceTypes.h"

#include "device/IdentifierTable.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <span>
#include <vector>

class TPortableDevice;
class TPortableDeviceContent;

enum TObjectProperty
{
    opCreationTime,
    opLastWriteTime,
    opSize
};

// Progress of Refresh: the new object's list index and its identifier.
using TFindObjects = std::function<void(int Index, const QString &AObjectID)>;

// One node of the object tree. Texts, content type and format are read from
// the device on first use and cached; size and dates are read on every query.
// The tree holds hundreds of thousands of these by value, so the identifier
// and the cached texts live in the content's shared stores, not here.
class TPortableDeviceObject
{
public:
    // An object outside the content's list (the device's own object); its
    // texts are read from the device on every query.
    TPortableDeviceObject(TPortableDeviceContent &AContent, const QString &AObjectID, int AParentIndex, int ALevel);

    QString ObjectID() const;
    int Index() const { return FIndex; }
    int ParentIndex() const { return FParentIndex; }
    int Level() const { return FLevel; }

    QString ParentID() const;
    QString ObjectName() const;
    QString OriginalName() const;
    QString DisplayName() const;
    // Display names from the storage down, joined by "\".
    QString Path() const;

    TGuid ContentGuid() const;
    TContentType ContentType() const;
    TObjectType ObjectType() const;
    TObjectFormat ObjectFormat() const;
    QString ObjectExtension() const;

    std::int64_t Size() const;
    TDateTime CreationTime() const;
    TDateTime LastWriteTime() const;

    int ChildCount() const { return int(FChildCount); }
    TPortableDeviceObject *GetChild(int Index) const;
    std::span<const int> ChildIndexes() const;

    // The child of exactly that name, else the first one of that name in
    // another letter case.
    TPortableDeviceObject *GetChildByName(const QString &AName) const;
    TPortableDeviceObject *GetChildByOriginalName(const QString &AName) const;

    HRESULT GetProperty(TPropertyKey PropertyKey, TPropertyValue &pv) const;

    // Fills the copy worker's record; with AGetStream, a file's content stream too.
    HRESULT GetFileData(TFileData &AFileData, bool AGetStream) const;
    // The same with the modification date the caller has read already: a
    // device without dates makes every read wait, so it is read once per file.
    HRESULT GetFileData(TFileData &AFileData, bool AGetStream, TDateTime ALastWriteTime) const;
    // The same with the stream, for a file whose name and size the caller has
    // read as well.
    HRESULT GetFileData(TFileData &AFileData, const QString &AName, std::int64_t ASize, TDateTime ALastWriteTime) const;
    HRESULT GetFileStream(TFileStreamData &AStreamData) const;
    // Raises EDeviceCallError when the content cannot be opened.
    HRESULT CopyToFile(const QString &AFilename) const;
    bool CanWriteProperty(TObjectProperty ObjectProperty) const;
    // AFilename with this object's format extension when it has none.
    QString AddNameExtension(const QString &AFilename) const;

private:
    friend class TPortableDeviceContent;

    struct TListed
    {};
    TPortableDeviceObject(TListed, TPortableDeviceContent &AContent, int AIndex, int AParentIndex, int ALevel);

    TPortableDeviceObject *FirstChildNamed(TPropertyKey key, const QString &AName) const;
    QString CachedText(TPropertyKey key, std::uint32_t &cache) const;
    // A name without a copy: a view into the content's store (valid until
    // the next Refresh), or into `scratch` when it was read just now.
    QStringView NameView(TPropertyKey key, QString &scratch) const;
    QStringView DisplayNameView(QString &scratch) const;
    HRESULT OpenStream(TFileStreamData &AStreamData) const;
    HRESULT FillFileData(TFileData &AFileData, bool AGetStream, const QString &AName, std::int64_t ASize,
                         TDateTime ALastWriteTime) const;
    bool InList() const { return FIndex >= 0; }

    // How ParentID is known: the listing parent's identifier needs no copy.
    enum TParentLink : std::uint8_t
    {
        plUnread,
        plTreeParent,
        plOther // kept in the content's table of such links
    };

    TPortableDeviceContent *FContent;
    int FIndex = -1;
    int FParentIndex;
    int FLevel;
    // The children's range in the content's child list; outside the list,
    // FFirstChild is the identifier's place among the content's loose ones.
    std::uint32_t FFirstChild = 0;
    std::uint32_t FChildCount = 0;
    mutable std::uint32_t FObjectName = 0; // 1 + entry in the content's name store; 0 while not read
    mutable std::uint32_t FOriginalName = 0;
    mutable std::uint8_t FContentType = 0; // 1 + entry in the content's GUID table; 0 while not read
    mutable std::uint8_t FObjectFormat = 0;
    mutable signed char FKnownType = -1; // ObjectType of a folder or file, once its content type is read
    mutable TParentLink FParentLink = plUnread;
    bool FListed = false; // children asked for under this exact identifier (first holder of it only)
};

// Bounds that keep a misbehaving device from hanging or exhausting the
// program while its tree is read.
struct TTreeLimits
{
    int MaxChildren = 1000000; // children of one object
    int MaxObjects = 2000000;  // objects of the whole tree
    int MaxDepth = 1024;       // levels below the device object; the deepest are not listed
};

// Codes of the error entries for those bounds and for an object that a device
// lists a second time (below itself or elsewhere): it stays in the tree, its
// children are not asked for again.
inline constexpr HRESULT E_TREE_TOO_MANY_CHILDREN = HResultFromErrno(EMLINK);
inline constexpr HRESULT E_TREE_TOO_MANY_OBJECTS = HResultFromErrno(ENOSPC);
inline constexpr HRESULT E_TREE_TOO_DEEP = HResultFromErrno(ENAMETOOLONG);
inline constexpr HRESULT E_TREE_CYCLE = HResultFromErrno(ELOOP);

// The object tree of one opened device, as a flat list in pre-order: an
// object's position in the list is its index. Index 0 is "DEVICE".
class TPortableDeviceContent
{
public:
    // The connection is borrowed; the device (when there is one) owns it.
    explicit TPortableDeviceContent(IDeviceConnection &AConnection, TPortableDevice *ADevice = nullptr);
    ~TPortableDeviceContent();
    TPortableDeviceContent(const TPortableDeviceContent &) = delete;
    TPortableDeviceContent &operator=(const TPortableDeviceContent &) = delete;

    // Reads the whole tree anew; false when some children could not be listed,
    // or their listing broke off (see ErrorObjects).
    bool Refresh(const TFindObjects &ACallBack = {});

    int ObjectCount() const { return int(FObjectList.size()); }
    TPortableDeviceObject *GetObject(int Index) const;
    TPortableDeviceObject *Objects(int Index) const { return GetObject(Index); }
    // First object with that identifier, without regard to case.
    TPortableDeviceObject *GetObjectByID(const QString &AObjectID) const;
    TPortableDeviceObject *FindNextObject(TObjectType AObjectType, int &AIndex) const;
    TPortableDeviceObject *DeviceObject() const;
    int RootCount() const;
    TPortableDeviceObject *GetRootObject(int Index) const;
    TPortableDeviceObject *RootObjects(int Index) const { return GetRootObject(Index); }
    int FolderCount() const;
    TPortableDeviceObject *GetObjectByPath(const QString &APath) const;
    int GetObjectIndexByPath(const QString &APath) const;
    // The object that names lead to: a storage's display name first, then
    // object names; for names that hold a backslash themselves.
    TPortableDeviceObject *GetObjectByNames(const QStringList &names) const;
    const TErrorList &ErrorObjects() const { return FErrorObjects; }

    TPortableDevice *Device() const { return FDevice; }
    IDeviceConnection &Connection() const { return FConnection; }

    void SetLimits(const TTreeLimits &limits) { FLimits = limits; }
    // The pause between two reads of a missing date; tests make it instant.
    void SetRetryPause(std::function<void(std::chrono::milliseconds)> pause) { FRetryPause = std::move(pause); }
    void RetryPause(std::chrono::milliseconds delay) const;

private:
    friend class TPortableDeviceObject;
    class TTreeReader;

    int AddObject(const QString &AObjectID, int AParentIndex, int ALevel);
    void SetChildren(int index, const std::vector<int> &children);
    void Clear();
    void ScanTypes() const;
    // Walks the parent identifiers from an object up; each object at most once.
    QString PathOf(const TPortableDeviceObject &object) const;

    // Identifiers, names and content types, shared by the objects.
    QStringView IDView(int index) const;
    QString IDOf(int index) const;
    QString LooseID(std::uint32_t slot) const { return FLooseIDs[qsizetype(slot)]; }
    std::uint32_t AddLooseID(const QString &id);
    int FirstWithID(QStringView id) const;
    int HolderOf(int index) const;
    bool WasListed(int index) const;
    void MarkListed(int index);
    std::uint32_t StoreName(const QString &name) const;
    QStringView StoredName(std::uint32_t entry) const;
    std::uint8_t StoreGuid(const TGuid &guid) const;
    TGuid StoredGuid(std::uint8_t entry) const { return FGuids[entry - 1u]; }
    void StoreParentID(const TPortableDeviceObject &object, const QString &id) const;
    QString KnownParentID(const TPortableDeviceObject &object) const;
    // The object a parent link names (as GetObjectByID finds it), -1 at the top.
    int ParentByLink(const TPortableDeviceObject &object) const;

    IDeviceConnection &FConnection;
    TPortableDevice *FDevice;
    std::deque<TPortableDeviceObject> FObjectList;
    TFindObjects FFindCallback;
    TErrorList FErrorObjects;

    std::vector<int> FChildIndexes;   // every object's children, one range each
    std::vector<char16_t> FIDChars;   // every identifier, in list order
    std::vector<std::size_t> FIDEnds; // where each object's identifier ends in FIDChars
    TIdentifierTable FIndexOfID;      // first index of each identifier, without regard to case
    QSet<QString> FListedVariants;    // listed identifiers whose first holder differs in case
    int FLastAddedHolder = -1;        // the first object with the last added object's identifier
    // Cached names, in blocks that never move, so that views of them last.
    struct TStoredName
    {
        const char16_t *Data;
        std::uint32_t Length;
    };
    mutable std::vector<std::unique_ptr<char16_t[]>> FNameBlocks;
    mutable char16_t *FNameCursor = nullptr; // free part of the last regular block
    mutable std::size_t FNameRoom = 0;
    mutable std::vector<TStoredName> FNames;
    mutable QHash<int, QString> FOtherParentIDs;
    // Few distinct values on any device; a device that sends more is asked
    // again on every query. Never emptied, so loose objects can keep entries.
    mutable std::vector<TGuid> FGuids;
    QStringList FLooseIDs;
    mutable int FLastIDIndex = -1; // one object's properties are read together
    mutable QString FLastID;
    TTreeLimits FLimits;
    std::function<void(std::chrono::milliseconds)> FRetryPause;
    // Roots and folder count, found by one scan after each Refresh.
    mutable bool FTypesScanned = false;
    mutable std::vector<int> FRootIndexes;
    mutable int FFolderCount = 0;
    // Marks for the cycle check of Path, one per object.
    mutable std::vector<std::uint32_t> FPathMarks;
    mutable std::uint32_t FPathGeneration = 0;
};
