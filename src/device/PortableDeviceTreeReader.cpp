#include "device/PortableDeviceContent.h"

namespace {

constexpr std::uint32_t EnumBatchSize = 10;

} // namespace

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
        const QString deviceID = QString::fromLatin1(DEVICE_OBJECT_ID);
        OpenChildren(FContent.AddObject(deviceID, -1, 0), deviceID);
        while (!FStack.empty() && !FAborted)
            Step();
        while (!FStack.empty())
            Pop();
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
        // Kept here until the listing ends, so that each object's children
        // take one range of the shared list.
        std::vector<int> Children;
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
        const int level = FContent.FObjectList[std::size_t(parentIndex)].Level() + 1;
        const int index = FContent.AddObject(id, parentIndex, level);
        FStack.back().Children.push_back(index);
        if (FContent.WasListed(index)) {
            // Listed before: below itself its subtree would never end, and
            // elsewhere repeats could multiply the tree with every level.
            Fail(index, E_TREE_CYCLE);
            return;
        }
        if (level >= FContent.FLimits.MaxDepth) {
            Fail(index, E_TREE_TOO_DEEP);
            return;
        }
        OpenChildren(index, id);
    }

    // The identifier as listed, which spares building it again from the store.
    void OpenChildren(int index, const QString &id)
    {
        std::unique_ptr<IObjectIdEnumerator> enumerator;
        HRESULT hr = FContent.FConnection.EnumObjects(id, enumerator);
        FContent.MarkListed(index);
        if (Failed(hr)) {
            Fail(index, hr);
            return;
        }
        if (hr != S_OK || !enumerator)
            return;
        FStack.push_back(TFrame{index, std::move(enumerator), {}, 0, true, 0, {}});
    }

    void Pop()
    {
        FContent.SetChildren(FStack.back().Index, FStack.back().Children);
        FStack.pop_back();
    }

    void Fail(int index, HRESULT hr)
    {
        FContent.FErrorObjects.AddError(FContent.IDOf(index), std::uint32_t(hr));
        FResult = false;
    }

    TPortableDeviceContent &FContent;
    std::vector<TFrame> FStack;
    bool FResult = true;
    bool FAborted = false;
};

// ---------------------------------------------------------------------------
// Building the list

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
    FObjectList.push_back(TPortableDeviceObject(TPortableDeviceObject::TListed(), *this, index, AParentIndex, ALevel));
    const auto *chars = reinterpret_cast<const char16_t *>(AObjectID.constData());
    FIDChars.insert(FIDChars.end(), chars, chars + AObjectID.size());
    FIDEnds.push_back(FIDChars.size());
    const std::uint32_t hash = FIndexOfID.Hash(AObjectID, Qt::CaseInsensitive);
    FLastAddedHolder =
        FIndexOfID.Find(hash, [&](int other) { return IDView(other).compare(AObjectID, Qt::CaseInsensitive) == 0; });
    if (FLastAddedHolder < 0) {
        FIndexOfID.Insert(hash, index);
        FLastAddedHolder = index;
    }
    if (FFindCallback)
        FFindCallback(index, AObjectID);
    return index;
}

void TPortableDeviceContent::SetChildren(int index, const std::vector<int> &children)
{
    TPortableDeviceObject &object = FObjectList[std::size_t(index)];
    object.FFirstChild = std::uint32_t(FChildIndexes.size());
    object.FChildCount = std::uint32_t(children.size());
    FChildIndexes.insert(FChildIndexes.end(), children.begin(), children.end());
}

// The tree reader asks about the object it just added, whose holder is known.
int TPortableDeviceContent::HolderOf(int index) const
{
    return index == ObjectCount() - 1 ? FLastAddedHolder : FirstWithID(IDView(index));
}

// The listed mark sits on the first holder of an identifier; the rare
// identifiers that differ from it only in case are kept by their text.
bool TPortableDeviceContent::WasListed(int index) const
{
    const int first = HolderOf(index);
    if (first == index)
        return false;
    if (IDView(first) == IDView(index))
        return FObjectList[std::size_t(first)].FListed;
    return FListedVariants.contains(IDView(index).toString());
}

void TPortableDeviceContent::MarkListed(int index)
{
    const int first = HolderOf(index);
    if (IDView(first) == IDView(index))
        FObjectList[std::size_t(first)].FListed = true;
    else
        FListedVariants.insert(IDView(index).toString());
}
