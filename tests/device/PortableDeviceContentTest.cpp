#include "support/FakeDeviceService.h"
#include "support/HostileDeviceService.h"

#include "base/FileTimes.h"
#include "device/IdentifierTable.h"
#include "device/PortableDeviceContent.h"

#include <QFile>
#include <QHashFunctions>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>

namespace {

const QString S = QStringLiteral("s");

// For a test's lifetime, Qt's hash seed is the fixed one (zero).
struct TFixedHashSeed
{
    TFixedHashSeed() { QHashSeed::setDeterministicGlobalSeed(); }
    ~TFixedHashSeed() { QHashSeed::resetRandomGlobalSeed(); }
    TFixedHashSeed(const TFixedHashSeed &) = delete;
    TFixedHashSeed &operator=(const TFixedHashSeed &) = delete;
};

class ContentTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        FConnection = FDevice.Connect();
        FContent = std::make_unique<TPortableDeviceContent>(*FConnection);
        FContent->SetRetryPause([this](std::chrono::milliseconds pause) { FPauses.push_back(int(pause.count())); });
    }

    // Internal (s) / DCIM (dcim) / Camera (cam) / IMG_1.jpg (img), a.txt (a) beside DCIM, SD card (sd).
    void AddPhoneTree()
    {
        FDevice.AddStorage(S, QStringLiteral("Internal"));
        FDevice.AddFolder(QStringLiteral("dcim"), S, QStringLiteral("DCIM"));
        FDevice.AddFolder(QStringLiteral("cam"), QStringLiteral("dcim"), QStringLiteral("Camera"));
        FDevice.AddFile(QStringLiteral("img"), QStringLiteral("cam"), QStringLiteral("IMG_1.jpg"), "jpeg bytes");
        FDevice.AddFile(QStringLiteral("a"), S, QStringLiteral("a.txt"), "text");
        FDevice.AddStorage(QStringLiteral("sd"), QStringLiteral("SD card"));
    }

    int IndexOf(const char *id) { return FContent->GetObjectByID(QLatin1String(id))->Index(); }
    TPortableDeviceObject &Object(const char *id) { return *FContent->GetObjectByID(QLatin1String(id)); }

    TFakeDevice FDevice;
    std::unique_ptr<IDeviceConnection> FConnection;
    std::unique_ptr<TPortableDeviceContent> FContent;
    std::vector<int> FPauses;
};

} // namespace

TEST_F(ContentTest, DeviceWithoutStoragesHoldsOnlyTheDeviceObject)
{
    EXPECT_TRUE(FContent->Refresh());
    EXPECT_EQ(FContent->ObjectCount(), 1);
    EXPECT_EQ(FContent->GetObject(0)->ObjectID(), QStringLiteral("DEVICE"));
    EXPECT_EQ(FContent->GetObject(0)->ParentIndex(), -1);
    EXPECT_EQ(FContent->DeviceObject(), FContent->GetObject(0));
    EXPECT_EQ(FContent->RootCount(), 0);
    EXPECT_EQ(FContent->FolderCount(), 0);
    EXPECT_EQ(FContent->GetRootObject(0), nullptr);
    for (const char *path : {"", "Internal", "DEVICE", "x\\y"})
        EXPECT_EQ(FContent->GetObjectIndexByPath(QLatin1String(path)), -1) << path;
}

TEST_F(ContentTest, TreeIsReadInPreOrderWithLevelsParentsAndProgress)
{
    AddPhoneTree();
    QStringList reported;
    EXPECT_TRUE(FContent->Refresh([&](int index, const QString &id) {
        EXPECT_EQ(index, reported.size());
        reported.append(id);
    }));
    EXPECT_EQ(reported, QStringList({"DEVICE", "s", "dcim", "cam", "img", "a", "sd"}));
    EXPECT_EQ(FContent->ObjectCount(), 7);
    EXPECT_EQ(Object("img").Level(), 4);
    EXPECT_EQ(Object("img").ParentIndex(), IndexOf("cam"));
    EXPECT_EQ(Object("sd").Level(), 1);
    EXPECT_EQ(Object("s").ChildCount(), 2);
    EXPECT_EQ(Object("s").GetChild(1), &Object("a"));
    EXPECT_EQ(FContent->RootCount(), 2);
    EXPECT_EQ(FContent->GetRootObject(1), &Object("sd"));
    EXPECT_EQ(FContent->FolderCount(), 2);
    int index = 0;
    EXPECT_EQ(FContent->FindNextObject(otFile, index), &Object("img"));
    EXPECT_EQ(index, 4);
    index = 5;
    EXPECT_EQ(FContent->FindNextObject(otFolder, index), nullptr);
    EXPECT_EQ(index, 7);
    EXPECT_EQ(Object("s").ObjectType(), otRoot);
    EXPECT_EQ(Object("DEVICE").ObjectType(), otDevice);
    EXPECT_EQ(Object("img").ObjectType(), otFile);

    // A second Refresh starts from nothing.
    EXPECT_TRUE(FContent->Refresh());
    EXPECT_EQ(FContent->ObjectCount(), 7);
}

TEST_F(ContentTest, FolderThatCannotBeListedIsReportedAndSiblingsAreStillRead)
{
    AddPhoneTree();
    FDevice.Object(QStringLiteral("dcim")).EnumResult = E_DEVICE_IO;
    EXPECT_FALSE(FContent->Refresh());
    EXPECT_EQ(Object("dcim").ChildCount(), 0);
    EXPECT_EQ(FContent->GetObjectByID(QStringLiteral("cam")), nullptr);
    ASSERT_EQ(FContent->ErrorObjects().Count(), 1);
    EXPECT_EQ(FContent->ErrorObjects().Strings(0), QStringLiteral("dcim"));
    EXPECT_EQ(FContent->ErrorObjects().GetErrorCode(0), std::uint32_t(E_DEVICE_IO));
    EXPECT_NE(FContent->GetObjectByID(QStringLiteral("a")), nullptr);
    EXPECT_NE(FContent->GetObjectByID(QStringLiteral("sd")), nullptr);

    // The error list belongs to the last Refresh only.
    FDevice.Object(QStringLiteral("dcim")).EnumResult = S_OK;
    EXPECT_TRUE(FContent->Refresh());
    EXPECT_EQ(FContent->ErrorObjects().Count(), 0);
}

TEST_F(ContentTest, ListingThatSucceedsWithoutSOkHasNoChildren)
{
    AddPhoneTree();
    FDevice.Object(QStringLiteral("dcim")).EnumResult = S_FALSE;
    EXPECT_TRUE(FContent->Refresh());
    EXPECT_EQ(Object("dcim").ChildCount(), 0);
}

TEST_F(ContentTest, IdentifiersMatchWithoutRegardToCaseAndTheFirstWins)
{
    FDevice.AddStorage(S, QStringLiteral("Internal"));
    FDevice.AddFolder(QStringLiteral("Abc"), S, QStringLiteral("first"));
    FDevice.AddFolder(QStringLiteral("aBC"), S, QStringLiteral("second"));
    ASSERT_TRUE(FContent->Refresh());
    EXPECT_EQ(FContent->GetObjectByID(QStringLiteral("ABC"))->ObjectName(), QStringLiteral("first"));
    EXPECT_EQ(FContent->GetObjectByID(QStringLiteral("aBC"))->ObjectName(), QStringLiteral("first"));
    EXPECT_EQ(FContent->GetObjectByID(QStringLiteral("device"))->Index(), 0);
    EXPECT_EQ(FContent->GetObjectByID(QStringLiteral("missing")), nullptr);
    EXPECT_EQ(FContent->GetObjectByID(QString()), nullptr);
}

TEST_F(ContentTest, IdentifiersOfTheSameHashAreToldApart)
{
    // A pair that hashes alike under Qt's fixed seed, which the next Refresh's table takes.
    const TFixedHashSeed fixed;
    ASSERT_EQ(std::size_t(QHashSeed::globalSeed()), 0u);
    const QString first = QStringLiteral("id522789");
    const QString second = QStringLiteral("id739192");
    ASSERT_EQ(TIdentifierTable::Hash(first, Qt::CaseInsensitive, 0),
              TIdentifierTable::Hash(second, Qt::CaseInsensitive, 0))
        << "pick another pair of identifiers that hash alike";
    FDevice.AddStorage(S, QStringLiteral("Internal"));
    FDevice.AddFolder(first, S, QStringLiteral("first"));
    FDevice.AddFolder(second, S, QStringLiteral("second"));
    FDevice.AddFile(QStringLiteral("f"), second, QStringLiteral("inside.txt"), "x");
    // The second is no repeat of the first: it is listed, without a cycle entry.
    ASSERT_TRUE(FContent->Refresh());
    EXPECT_EQ(FContent->GetObjectByID(first)->ObjectName(), QStringLiteral("first"));
    EXPECT_EQ(FContent->GetObjectByID(second.toUpper())->ObjectName(), QStringLiteral("second"));
    EXPECT_EQ(Object("f").Path(), QStringLiteral("Internal\\second\\inside.txt"));
}

TEST_F(ContentTest, NamesOfEveryLengthAreKeptWhole)
{
    // Around the store's block of its own for long names, and enough short
    // ones to fill several blocks.
    QStringList names;
    for (int length : {1, 4096, 4097, 16383, 16384, 70000})
        names.append(QString(length, QLatin1Char('n')) + QString::number(length));
    for (int i = 0; i < 3000; ++i)
        names.append(QStringLiteral("folder%1").arg(i, 4, 10, QLatin1Char('0')));
    FDevice.AddStorage(S, QStringLiteral("Internal"));
    for (int i = 0; i < names.size(); ++i)
        FDevice.AddFolder(QStringLiteral("f%1").arg(i), S, names[i]);
    ASSERT_TRUE(FContent->Refresh());
    for (int i = 0; i < names.size(); ++i) {
        const TPortableDeviceObject *folder = FContent->GetObjectByID(QStringLiteral("f%1").arg(i));
        ASSERT_EQ(folder->ObjectName(), names[i]) << i;
        ASSERT_EQ(folder->Path(), QStringLiteral("Internal\\") + names[i]) << i; // from the store this time
    }
    EXPECT_EQ(FContent->GetObjectByPath(QStringLiteral("Internal\\") + names[5]),
              FContent->GetObjectByID(QStringLiteral("f5")));
    EXPECT_EQ(FDevice.PropertyReads(QStringLiteral("f5"), pkObjectName), 1);
}

TEST_F(ContentTest, DisplayNamesOfFilesAndFolders)
{
    FDevice.AddStorage(S, QString());
    FDevice.AddFile(QStringLiteral("f1"), S, QStringLiteral("object.jpg"))
        .Set(pkOriginalFileName, TPropertyValue::FromText(QStringLiteral("original.jpg")));
    FDevice.AddFile(QStringLiteral("f2"), S, QStringLiteral("only-name.jpg"))
        .Set(pkOriginalFileName, TPropertyValue::FromText(QString()));
    FDevice.AddFile(QStringLiteral("f3"), S, QString());
    FDevice.AddFile(QStringLiteral("f4"), S, QStringLiteral("typed"))
        .Set(pkOriginalFileName, TPropertyValue::FromUInt32(5));
    FDevice.AddFolder(QStringLiteral("d1"), S, QStringLiteral("folder"))
        .Set(pkOriginalFileName, TPropertyValue::FromText(QStringLiteral("original")));
    FDevice.AddFolder(QStringLiteral("d2"), S, QString())
        .Set(pkOriginalFileName, TPropertyValue::FromText(QStringLiteral("orig")));
    FDevice.AddFolder(QStringLiteral("d3"), S, QString());
    ASSERT_TRUE(FContent->Refresh());

    const std::pair<const char *, const char *> cases[] = {
        {"s", "s"},      {"f1", "original.jpg"}, {"f2", "only-name.jpg"}, {"f3", "f3.data"},
        {"f4", "typed"}, {"d1", "folder"},       {"d2", "orig"},          {"d3", "d3"},
    };
    for (const auto &[id, name] : cases)
        EXPECT_EQ(Object(id).DisplayName(), QLatin1String(name)) << id;
}

TEST_F(ContentTest, PathsOfStoragesAndDeepObjects)
{
    AddPhoneTree();
    FDevice.AddFolder(QStringLiteral("slash"), QStringLiteral("sd"), QStringLiteral("odd\\"));
    FDevice.AddFile(QStringLiteral("in"), QStringLiteral("slash"), QStringLiteral("x.txt"));
    FDevice.AddFile(QStringLiteral("orphan"), QStringLiteral("sd"), QStringLiteral("o.txt"))
        .Set(pkParentID, TPropertyValue::FromText(QStringLiteral("gone")));
    ASSERT_TRUE(FContent->Refresh());
    EXPECT_EQ(Object("s").Path(), QStringLiteral("Internal"));
    EXPECT_EQ(Object("img").Path(), QStringLiteral("Internal\\DCIM\\Camera\\IMG_1.jpg"));
    EXPECT_EQ(Object("in").Path(), QStringLiteral("SD card\\odd\\x.txt"));
    // A parent the list does not know ends the path.
    EXPECT_EQ(Object("orphan").Path(), QStringLiteral("o.txt"));
}

TEST_F(ContentTest, ObjectsByPath)
{
    AddPhoneTree();
    FDevice.AddFolder(QStringLiteral("e"), QStringLiteral("dcim"), QStringLiteral(""));
    FDevice.AddFile(QStringLiteral("e1"), QStringLiteral("e"), QStringLiteral("in-empty.txt"));
    FDevice.AddFolder(QStringLiteral("dup"), QStringLiteral("dcim"), QStringLiteral("Camera"));
    ASSERT_TRUE(FContent->Refresh());

    const std::pair<const char *, const char *> cases[] = {
        {"", nullptr},
        {"\\Internal", nullptr},
        {"Internal:", nullptr},
        {"C:\\Internal\\DCIM", nullptr},
        {"Internal\\DC:IM", nullptr},
        {"Internal", "s"},
        {"Internal\\", "s"},
        {"internal\\dcim\\CAMERA", "cam"},
        {"Internal\\DCIM\\Camera\\IMG_1.jpg", "img"},
        {"Internal\\DCIM\\Camera\\", "cam"},
        {"Internal\\\\DCIM", nullptr},
        {"Internal\\DCIM\\\\in-empty.txt", "e1"},
        {"Internal\\DCIM\\Nothing", nullptr},
        {"Nowhere\\DCIM", nullptr},
        {"SD card", "sd"},
    };
    for (const auto &[path, id] : cases) {
        const int expected = id ? IndexOf(id) : -1;
        EXPECT_EQ(FContent->GetObjectIndexByPath(QLatin1String(path)), expected) << path;
    }
    // Every folder of unique name on a unique path is found by its own path.
    for (const char *id : {"s", "dcim", "cam", "img", "a", "sd"})
        EXPECT_EQ(FContent->GetObjectIndexByPath(Object(id).Path()), IndexOf(id)) << id;
}

TEST_F(ContentTest, PathsPreferTheExactNameThenTheFirstInOtherCase)
{
    FDevice.AddStorage(QStringLiteral("s1"), QStringLiteral("card"));
    FDevice.AddStorage(QStringLiteral("s2"), QStringLiteral("Card"));
    FDevice.AddFolder(QStringLiteral("upper"), QStringLiteral("s1"), QStringLiteral("DCIM"));
    FDevice.AddFolder(QStringLiteral("lower"), QStringLiteral("s1"), QStringLiteral("dcim"));
    FDevice.AddFolder(QStringLiteral("slash"), QStringLiteral("s1"), QStringLiteral("a\\b"));
    ASSERT_TRUE(FContent->Refresh());
    const std::pair<const char *, const char *> cases[] = {
        {"card\\dcim", "lower"}, {"card\\DCIM", "upper"}, {"card\\Dcim", "upper"},
        {"Card", "s2"},          {"card", "s1"},          {"CARD", "s1"},
    };
    for (const auto &[path, id] : cases)
        EXPECT_EQ(FContent->GetObjectIndexByPath(QLatin1String(path)), IndexOf(id)) << path;
    // A name that holds a backslash is reached name by name.
    EXPECT_EQ(FContent->GetObjectByNames({QStringLiteral("card"), QStringLiteral("a\\b")}), &Object("slash"));
}

TEST_F(ContentTest, MissingDateIsReadTwiceThenTheCurrentTime)
{
    AddPhoneTree();
    FDevice.Object(QStringLiteral("img")).Fail(pkDateModified);
    FDevice.Object(QStringLiteral("a")).Set(pkDateModified, TPropertyValue::FromText(QStringLiteral("yesterday")));
    FDevice.Object(QStringLiteral("cam")).Set(pkDateModified, TPropertyValue::FromDate(45000.5));
    FDevice.Object(QStringLiteral("dcim")).Set(pkDateModified, TPropertyValue::FromDate(std::nan("")));
    ASSERT_TRUE(FContent->Refresh());

    const TDateTime before = NowLocalDateTime();
    const TDateTime missing = Object("img").LastWriteTime();
    EXPECT_EQ(FDevice.PropertyReads(QStringLiteral("img"), pkDateModified), 2);
    EXPECT_EQ(FPauses, std::vector<int>({100, 100}));
    EXPECT_GE(missing, before - 1.0 / 86400);
    EXPECT_LE(missing, NowLocalDateTime() + 1.0 / 86400);

    FPauses.clear();
    EXPECT_GE(Object("a").LastWriteTime(), before - 1.0 / 86400); // a value of another type: no pause
    EXPECT_EQ(FDevice.PropertyReads(QStringLiteral("a"), pkDateModified), 2);
    EXPECT_TRUE(FPauses.empty());
    EXPECT_EQ(Object("cam").LastWriteTime(), 45000.5);
    EXPECT_EQ(FDevice.PropertyReads(QStringLiteral("cam"), pkDateModified), 1);
    // A date no calendar holds counts as missing.
    EXPECT_TRUE(std::isfinite(Object("dcim").LastWriteTime()));
    EXPECT_GE(Object("img").CreationTime(), before - 1.0 / 86400);
}

TEST_F(ContentTest, TextsAreCachedOnceNotEmpty)
{
    AddPhoneTree();
    FDevice.AddFolder(QStringLiteral("nameless"), S, QString()).Set(pkObjectName, TPropertyValue::FromText(QString()));
    ASSERT_TRUE(FContent->Refresh());
    Object("dcim").ObjectName();
    Object("dcim").ObjectName();
    EXPECT_EQ(FDevice.PropertyReads(QStringLiteral("dcim"), pkObjectName), 1);
    Object("nameless").ObjectName();
    Object("nameless").ObjectName();
    EXPECT_EQ(FDevice.PropertyReads(QStringLiteral("nameless"), pkObjectName), 2);

    // A failed content-type read is not kept; a failed format read is.
    FDevice.Object(QStringLiteral("a")).Fail(pkContentType).Fail(pkObjectFormat);
    EXPECT_EQ(Object("a").ContentGuid(), ContentTypeGuid(ctUnspecified));
    EXPECT_EQ(Object("a").ObjectType(), otFile);
    EXPECT_EQ(Object("a").ObjectFormat(), ofUnknown);
    EXPECT_EQ(Object("a").ObjectFormat(), ofUnknown);
    EXPECT_EQ(FDevice.PropertyReads(QStringLiteral("a"), pkContentType), 2);
    EXPECT_EQ(FDevice.PropertyReads(QStringLiteral("a"), pkObjectFormat), 1);
}

TEST_F(ContentTest, SizesAndOutOfRangeIndexes)
{
    AddPhoneTree();
    FDevice.Object(QStringLiteral("a")).Set(pkObjectSize, TPropertyValue::FromUInt64(~0ull));
    FDevice.Object(QStringLiteral("cam")).Set(pkObjectSize, TPropertyValue::FromUInt32(12));
    ASSERT_TRUE(FContent->Refresh());
    EXPECT_EQ(Object("img").Size(), 10);
    EXPECT_EQ(Object("a").Size(), INT64_MAX);
    EXPECT_EQ(Object("cam").Size(), 0);
    for (int index : {-1, 7, 1000})
        EXPECT_EQ(FContent->GetObject(index), nullptr) << index;
    for (int index : {-1, 2})
        EXPECT_EQ(Object("s").GetChild(index), nullptr) << index;
}

TEST_F(ContentTest, FileDataOfFilesAndFolders)
{
    AddPhoneTree();
    FDevice.Object(QStringLiteral("img")).Set(pkDateModified, TPropertyValue::FromDate(EncodeDateTime(2024, 7, 1, 12)));
    FDevice.Object(QStringLiteral("img")).BlockSize = 3;
    FDevice.Object(QStringLiteral("cam")).Set(pkDateModified, TPropertyValue::FromDate(EncodeDateTime(2024, 7, 1, 12)));
    FDevice.Object(QStringLiteral("a")).StreamResult = E_DEVICE_IO;
    FDevice.Object(QStringLiteral("a")).Set(pkDateModified, TPropertyValue::FromDate(EncodeDateTime(2024, 7, 1, 12)));
    ASSERT_TRUE(FContent->Refresh());

    TFileData data;
    EXPECT_EQ(Object("cam").GetFileData(data, true), S_OK);
    EXPECT_EQ(data.FileAttr, FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(data.StreamData.FileStream, nullptr);
    EXPECT_EQ(data.FileName, QStringLiteral("Camera"));

    EXPECT_EQ(Object("img").GetFileData(data, false), S_OK);
    EXPECT_EQ(data.FileAttr, FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(data.StreamData.FileStream, nullptr);
    EXPECT_EQ(data.FileSize, 10);
    EXPECT_TRUE(data.FullPath.isEmpty());
    EXPECT_TRUE(data.TimeStamps.Valid);
    EXPECT_EQ(data.TimeStamps.LastWriteTime, LocalDateTimeToFileTime(EncodeDateTime(2024, 7, 1, 12)));

    EXPECT_EQ(Object("img").GetFileData(data, true), S_OK);
    ASSERT_NE(data.StreamData.FileStream, nullptr);
    EXPECT_EQ(data.StreamData.BufferSize, 3u);
    char buffer[16] = {};
    std::uint32_t got = 0;
    EXPECT_EQ(data.StreamData.FileStream->Read(buffer, sizeof buffer, got), S_OK);
    EXPECT_EQ(QByteArray(buffer, int(got)), QByteArray("jpeg bytes"));

    EXPECT_EQ(Object("a").GetFileData(data, true), E_DEVICE_IO);
    EXPECT_EQ(data.StreamData.FileStream, nullptr);

    TFileStreamData stream;
    EXPECT_EQ(Object("img").GetFileStream(stream), S_OK);
    EXPECT_NE(stream.FileStream, nullptr);
    EXPECT_EQ(Object("a").GetFileStream(stream), E_DEVICE_IO);
    EXPECT_EQ(stream.FileStream, nullptr);
}

TEST_F(ContentTest, CopyToFileWritesTheBytesAndRaisesWhenTheStreamFails)
{
    AddPhoneTree();
    FDevice.Object(QStringLiteral("img")).BlockSize = 4;
    FDevice.Object(QStringLiteral("a")).StreamResult = E_DEVICE_IO;
    ASSERT_TRUE(FContent->Refresh());
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("copy.jpg"));
    EXPECT_EQ(Object("img").CopyToFile(target), S_OK);
    QFile file(target);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("jpeg bytes"));
    EXPECT_THROW(Object("a").CopyToFile(dir.filePath(QStringLiteral("a.txt"))), EDeviceCallError);
    EXPECT_LT(Object("img").CopyToFile(dir.filePath(QStringLiteral("no/such/dir.jpg"))), 0);
}

TEST_F(ContentTest, NameExtensionsAndWritableProperties)
{
    AddPhoneTree();
    FDevice.Object(QStringLiteral("img")).Set(pkObjectFormat, TPropertyValue::FromGuid(ObjectFormatGuid(ofExif)));
    FDevice.Object(QStringLiteral("img")).CanWrite = true;
    ASSERT_TRUE(FContent->Refresh());
    const std::pair<const char *, const char *> cases[] = {
        {"photo", "photo.jpg"}, {"photo.png", "photo.png"}, {"dir.x/photo", "dir.x/photo.jpg"}, {"photo.", "photo."}};
    for (const auto &[name, expected] : cases)
        EXPECT_EQ(Object("img").AddNameExtension(QLatin1String(name)), QLatin1String(expected)) << name;
    EXPECT_EQ(Object("a").AddNameExtension(QStringLiteral("notes")), QStringLiteral("notes"));
    EXPECT_TRUE(Object("img").CanWriteProperty(opLastWriteTime));
    EXPECT_FALSE(Object("a").CanWriteProperty(opSize));
}

// ---------------------------------------------------------------------------
// A device that lies must neither hang nor crash the program.

class HostileContentTest : public ::testing::Test
{
protected:
    void Open(std::shared_ptr<TFakeDevice> device)
    {
        FContent.reset();
        FConnection.reset();
        FDevice = std::move(device);
        FConnection = FDevice->Connect();
        FContent = std::make_unique<TPortableDeviceContent>(*FConnection);
    }

    std::shared_ptr<TFakeDevice> FDevice;
    std::unique_ptr<IDeviceConnection> FConnection;
    std::unique_ptr<TPortableDeviceContent> FContent;
};

TEST_F(HostileContentTest, CyclicParentLinksEndThePath)
{
    Open(MakeCyclicParentDevice());
    ASSERT_TRUE(FContent->Refresh());
    EXPECT_EQ(FContent->GetObjectByID(QStringLiteral("b"))->Path(), QStringLiteral("A\\B"));
    EXPECT_EQ(FContent->GetObjectByID(QStringLiteral("a"))->Path(), QStringLiteral("B\\A"));
}

TEST_F(HostileContentTest, HundredThousandLevelsAreReadWithoutRecursion)
{
    constexpr int Levels = 100000;
    Open(MakeDeepDevice(Levels));
    FContent->SetLimits(TTreeLimits{1000, 1000000, Levels + 10});
    ASSERT_TRUE(FContent->Refresh());
    EXPECT_EQ(FContent->ObjectCount(), Levels + 2);
    const TPortableDeviceObject *deepest = FContent->GetObject(Levels + 1);
    EXPECT_EQ(deepest->Level(), Levels + 1);
    EXPECT_EQ(deepest->ObjectID(), QStringLiteral("n%1").arg(Levels));
    EXPECT_TRUE(deepest->Path().endsWith(QStringLiteral("\\n99999\\n100000")));
}

TEST_F(HostileContentTest, DeepTreesStopAtTheDepthBound)
{
    Open(MakeDeepDevice(5000));
    EXPECT_FALSE(FContent->Refresh());
    EXPECT_EQ(FContent->ObjectCount(), TTreeLimits().MaxDepth + 1);
    ASSERT_EQ(FContent->ErrorObjects().Count(), 1);
    EXPECT_EQ(FContent->ErrorObjects().GetErrorCode(0), std::uint32_t(E_TREE_TOO_DEEP));
}

TEST_F(HostileContentTest, EndlessListingsStopWithAnErrorEntry)
{
    for (bool emptyBatches : {false, true}) {
        Open(MakeEndlessListingDevice(emptyBatches));
        FContent->SetLimits(TTreeLimits{5000, 1000000, 1024});
        EXPECT_FALSE(FContent->Refresh()) << emptyBatches;
        ASSERT_EQ(FContent->ErrorObjects().Count(), 1);
        EXPECT_EQ(FContent->ErrorObjects().Strings(0), QStringLiteral("s"));
        EXPECT_EQ(FContent->ErrorObjects().GetErrorCode(0), std::uint32_t(E_TREE_TOO_MANY_CHILDREN));
        EXPECT_LE(FContent->ObjectCount(), 5002);
    }
    // The whole tree is bounded as well.
    Open(MakeEndlessListingDevice());
    FContent->SetLimits(TTreeLimits{1000000, 3000, 1024});
    EXPECT_FALSE(FContent->Refresh());
    EXPECT_EQ(FContent->ObjectCount(), 3000);
    EXPECT_EQ(FContent->ErrorObjects().GetErrorCode(0), std::uint32_t(E_TREE_TOO_MANY_OBJECTS));
}

TEST_F(HostileContentTest, ListingThatBreaksOffIsReported)
{
    Open(MakeBrokenListingDevice());
    EXPECT_FALSE(FContent->Refresh());
    EXPECT_EQ(FContent->GetObjectByID(QStringLiteral("s"))->ChildCount(), 10); // the batch before the break stays
    ASSERT_EQ(FContent->ErrorObjects().Count(), 1);
    EXPECT_EQ(FContent->ErrorObjects().Strings(0), QStringLiteral("s"));
    EXPECT_EQ(FContent->ErrorObjects().GetErrorCode(0), std::uint32_t(E_DEVICE_IO));
}

TEST_F(HostileContentTest, ObjectListedBelowItselfIsNotListedAgain)
{
    Open(MakeSelfListingDevice());
    EXPECT_FALSE(FContent->Refresh());
    // DEVICE, s, loop, and the two repeated entries below loop.
    EXPECT_EQ(FContent->ObjectCount(), 5);
    ASSERT_EQ(FContent->ErrorObjects().Count(), 2);
    EXPECT_EQ(FContent->ErrorObjects().GetErrorCode(0), std::uint32_t(E_TREE_CYCLE));
    EXPECT_EQ(FContent->GetObjectByID(QStringLiteral("loop"))->Index(), 2);
}

TEST_F(HostileContentTest, IdentifiersThatDifferInCaseAreEachListedOnce)
{
    auto device = std::make_shared<TFakeDevice>();
    device->AddStorage(QStringLiteral("s"), QStringLiteral("Store"));
    device->AddFolder(QStringLiteral("Abc"), QStringLiteral("s"), QStringLiteral("first"));
    device->AddFolder(QStringLiteral("x"), QStringLiteral("Abc"), QStringLiteral("x"));
    device->AddFolder(QStringLiteral("aBC"), QStringLiteral("s"), QStringLiteral("second"));
    device->AddFolder(QStringLiteral("y"), QStringLiteral("aBC"), QStringLiteral("y"));
    device->Object(QStringLiteral("s")).Children.append(QStringLiteral("aBC"));
    Open(device);
    EXPECT_FALSE(FContent->Refresh());
    // DEVICE, s, Abc, x, aBC, y, and aBC again without its children.
    EXPECT_EQ(FContent->ObjectCount(), 7);
    EXPECT_EQ(FContent->GetObject(5)->ObjectID(), QStringLiteral("y"));
    ASSERT_EQ(FContent->ErrorObjects().Count(), 1);
    EXPECT_EQ(FContent->ErrorObjects().Strings(0), QStringLiteral("aBC"));
    EXPECT_EQ(FContent->ErrorObjects().GetErrorCode(0), std::uint32_t(E_TREE_CYCLE));
}

TEST_F(HostileContentTest, RepeatedIdentifiersAreListedOnce)
{
    Open(MakeRepeatingDevice(60));
    EXPECT_FALSE(FContent->Refresh());
    // DEVICE, s, and each level's folder twice.
    EXPECT_EQ(FContent->ObjectCount(), 2 + 2 * 60);
    EXPECT_EQ(FContent->ErrorObjects().Count(), 60);
    EXPECT_EQ(FContent->GetObjectByID(QStringLiteral("r60"))->Level(), 61);
}
