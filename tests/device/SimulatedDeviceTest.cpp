#include "support/SimulatedDevices.h"

#include "base/FileTimes.h"
#include "device/DeviceServices.h"
#include "device/LocalName.h"
#include "device/PortableDevice.h"
#include "device/sim/SimulatedDeviceService.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <chrono>

namespace {

const QByteArray Photo(100000, 'p');

TSimulatedDeviceTable Phone(const QString &faults = QString())
{
    return {QStringLiteral("Pixel 7"),
            QStringLiteral("[Device]\nFriendlyName=My Pixel\nManufacturer=Google\nDescription=A phone\n"
                           "Model=Pixel 7\nSerialNumber=X123\nFirmware=14.1\nProtocol=MTP: 1.00\n"
                           "PowerSource=0\nPowerLevel=64\nDeviceType=3\n\n[Faults]\n") +
                faults,
            {{QStringLiteral("Internal storage/DCIM/Camera/IMG_1.jpg"), Photo, QStringLiteral("2024-07-01 12:30:00")},
             {QStringLiteral("Internal storage/DCIM/Camera/clip.MP4"), "video", QStringLiteral("2024-01-15 08:00:00")},
             {QStringLiteral("Internal storage/DCIM/Camera/"), {}, QStringLiteral("2024-07-02 09:00:00")},
             {QStringLiteral("Internal storage/Music/song.mp3"), "mp3"},
             {QStringLiteral("Internal storage/Music/notes.txt"), "txt"},
             {QStringLiteral("Internal storage/Music/data.bin"), "bin"},
             {QStringLiteral("SD card/"), {}}}};
}

class SimulatedDeviceTest : public ::testing::Test
{
protected:
    TPortableDevice &Open(const TSimulatedDeviceTable &table)
    {
        FDevices.Add(table);
        FManager = std::make_unique<TPortableDeviceManager>(FDevices.Factory());
        TPortableDevice *device = FManager->GetDeviceByName(QStringLiteral("My Pixel"));
        if (!device)
            device = FManager->GetDevice(0);
        device->Content().SetRetryPause([this](std::chrono::milliseconds) { ++FPauses; });
        return *device;
    }

    TPortableDeviceObject &At(const QString &path)
    {
        TPortableDeviceObject *object = FManager->SelectedDevice()->Content().GetObjectByPath(path);
        if (!object)
            throw std::runtime_error(("no object at " + path).toStdString());
        return *object;
    }

    static QByteArray ReadAll(ISourceStream &stream, HRESULT &result)
    {
        QByteArray all;
        char buffer[8192];
        for (;;) {
            std::uint32_t got = 0;
            result = stream.Read(buffer, sizeof buffer, got);
            all.append(buffer, got);
            if (Failed(result) || got < sizeof buffer)
                return all;
        }
    }

    TSimulatedDevices FDevices;
    std::unique_ptr<TPortableDeviceManager> FManager;
    int FPauses = 0;
};

} // namespace

TEST_F(SimulatedDeviceTest, DevicesAreListedByFolderWithNamesFromDeviceIni)
{
    FDevices.Add(Phone());
    FDevices.Add({QStringLiteral("Camera"), {}, {{QStringLiteral("Card/")}}});
    TPortableDeviceManager manager(FDevices.Factory());
    ASSERT_EQ(manager.DeviceCount(), 2u);
    EXPECT_EQ(manager.DeviceFriendlyName(0), QStringLiteral("Camera"));
    EXPECT_EQ(manager.DeviceFriendlyName(1), QStringLiteral("My Pixel"));

    TPortableDevice *camera = manager.GetDeviceByName(QStringLiteral("camera"));
    ASSERT_NE(camera, nullptr);
    EXPECT_EQ(camera->Manufacturer(), QString());
    EXPECT_EQ(camera->Firmware(), QString());
    EXPECT_EQ(camera->PowerLevel(), 0u);

    TPortableDevice *phone = manager.GetDevice(1);
    EXPECT_EQ(phone->DeviceName(), QStringLiteral("My Pixel"));
    EXPECT_EQ(phone->Manufacturer(), QStringLiteral("Google"));
    EXPECT_EQ(phone->Description(), QStringLiteral("A phone"));
    EXPECT_EQ(phone->Model(), QStringLiteral("Pixel 7"));
    EXPECT_EQ(phone->SerialNumber(), QStringLiteral("X123"));
    EXPECT_EQ(phone->Firmware(), QStringLiteral("14.1"));
    EXPECT_EQ(phone->Protocol(), QStringLiteral("MTP: 1.00"));
    EXPECT_EQ(phone->PowerSourceAsString(), QStringLiteral("Battery"));
    EXPECT_EQ(phone->PowerLevel(), 64u);
    EXPECT_EQ(phone->DeviceTypeAsString(), QStringLiteral("Phone"));
}

TEST_F(SimulatedDeviceTest, EnvironmentNamesTheFolderAndRealDevicesComeFirst)
{
    FDevices.Add(Phone());
    {
        TDevicesEnvironment environment(FDevices.Folder());
        TPortableDeviceManager manager;
        ASSERT_GE(manager.DeviceCount(), 1u);
        EXPECT_EQ(manager.DeviceFriendlyName(int(manager.DeviceCount()) - 1), QStringLiteral("My Pixel"));
    }
    TDevicesEnvironment environment(QStringLiteral("/nonexistent/devices"));
    QStringList ids;
    EXPECT_EQ(CreateSimulatedDeviceService(SimulatedDevicesFolder())->GetDevices(ids), S_OK);
    EXPECT_TRUE(ids.isEmpty());
}

TEST_F(SimulatedDeviceTest, TreeMirrorsTheFolderWithTypesSizesAndLocalDates)
{
    TPortableDevice &device = Open(Phone());
    TPortableDeviceContent &content = device.Content();
    ASSERT_TRUE(content.Refresh());
    EXPECT_EQ(content.RootCount(), 2);
    EXPECT_EQ(content.GetRootObject(0)->DisplayName(), QStringLiteral("Internal storage"));
    EXPECT_EQ(content.FolderCount(), 3);
    EXPECT_EQ(content.DeviceObject()->ObjectName(), QStringLiteral("My Pixel"));

    struct Case
    {
        const char *Path;
        TObjectType Type;
        TContentType Content;
        TObjectFormat Format;
    };
    const Case cases[] = {
        {"Internal storage", otRoot, ctFunctionalObject, ofPropsOnly},
        {"Internal storage\\DCIM", otFolder, ctFolder, ofPropsOnly},
        {"Internal storage\\DCIM\\Camera\\IMG_1.jpg", otFile, ctImage, ofExif},
        {"Internal storage\\DCIM\\Camera\\clip.MP4", otFile, ctVideo, ofMp4},
        {"Internal storage\\Music\\song.mp3", otFile, ctAudio, ofMp3},
        {"Internal storage\\Music\\notes.txt", otFile, ctDocument, ofText},
        {"Internal storage\\Music\\data.bin", otFile, ctGenericFile, ofUnknown},
    };
    for (const Case &c : cases) {
        TPortableDeviceObject &object = At(QLatin1String(c.Path));
        EXPECT_EQ(object.ObjectType(), c.Type) << c.Path;
        EXPECT_EQ(object.ContentType(), c.Content) << c.Path;
        EXPECT_EQ(object.ObjectFormat(), c.Format) << c.Path;
        EXPECT_EQ(object.Path(), QLatin1String(c.Path));
        EXPECT_FALSE(object.ObjectID().contains(object.DisplayName())) << "identifiers are opaque";
    }

    TPortableDeviceObject &photo = At(QStringLiteral("Internal storage\\DCIM\\Camera\\IMG_1.jpg"));
    EXPECT_EQ(photo.Size(), Photo.size());
    EXPECT_EQ(photo.OriginalName(), QStringLiteral("IMG_1.jpg"));
    EXPECT_EQ(photo.LastWriteTime(), EncodeDateTime(2024, 7, 1, 12, 30));
    EXPECT_EQ(photo.CreationTime(), EncodeDateTime(2024, 7, 1, 12, 30));
    EXPECT_EQ(At(QStringLiteral("Internal storage\\DCIM\\Camera")).LastWriteTime(), EncodeDateTime(2024, 7, 2, 9));
    EXPECT_EQ(photo.AddNameExtension(QStringLiteral("IMG_1")), QStringLiteral("IMG_1.jpg"));

    // Identifiers stay the same when the tree is read again, also in folders
    // that gained or lost entries meanwhile.
    const QString id = photo.ObjectID();
    const QString songID = At(QStringLiteral("Internal storage\\Music\\song.mp3")).ObjectID();
    const QString storage = FDevices.DeviceFolder(QStringLiteral("Pixel 7")) + QStringLiteral("/Internal storage");
    for (const char *name : {"a.jpg", "b.jpg", "c.jpg"})
        ASSERT_TRUE(QFile(storage + QStringLiteral("/DCIM/Camera/") + QLatin1String(name)).open(QIODevice::WriteOnly));
    ASSERT_TRUE(QFile::remove(storage + QStringLiteral("/Music/notes.txt")));
    ASSERT_TRUE(content.Refresh());
    EXPECT_EQ(At(QStringLiteral("Internal storage\\DCIM\\Camera\\IMG_1.jpg")).ObjectID(), id);
    EXPECT_EQ(At(QStringLiteral("Internal storage\\Music\\song.mp3")).ObjectID(), songID);
    EXPECT_EQ(At(QStringLiteral("Internal storage\\DCIM\\Camera")).ChildCount(), 5);
    EXPECT_EQ(At(QStringLiteral("Internal storage\\DCIM\\Camera\\b.jpg")).OriginalName(), QStringLiteral("b.jpg"));
    EXPECT_EQ(At(QStringLiteral("Internal storage\\Music")).ChildCount(), 2);
    EXPECT_EQ(content.GetObjectByPath(QStringLiteral("Internal storage\\Music\\notes.txt")), nullptr);
}

TEST_F(SimulatedDeviceTest, StreamsDeliverTheFileBytes)
{
    Open(Phone());
    ASSERT_TRUE(FManager->SelectedDevice()->Content().Refresh());
    TFileData data;
    ASSERT_EQ(At(QStringLiteral("Internal storage\\DCIM\\Camera\\IMG_1.jpg")).GetFileData(data, true), S_OK);
    EXPECT_GT(data.StreamData.BufferSize, 0u);
    HRESULT result = E_FAIL;
    EXPECT_EQ(ReadAll(*data.StreamData.FileStream, result), Photo);
    EXPECT_EQ(result, S_OK);
    EXPECT_EQ(data.StreamData.FileStream->Commit(), S_OK);
    EXPECT_EQ(data.TimeStamps.LastWriteTime, LocalDateTimeToFileTime(EncodeDateTime(2024, 7, 1, 12, 30)));
}

TEST_F(SimulatedDeviceTest, FaultsOfDeviceIni)
{
    Open(Phone(
        QStringLiteral("EnumFail=Internal storage/DCIM, SD card/\n"
                       "StreamFail=Internal storage/Music/song.mp3\n"
                       "ReadFailAfter=Internal storage/DCIM/Camera/IMG_1.jpg:30000,Internal storage/Music/notes.txt:2\n"
                       "NoDate=Internal storage/Music/data.bin\n")));
    TPortableDeviceContent &content = FManager->SelectedDevice()->Content();
    EXPECT_FALSE(content.Refresh());
    ASSERT_EQ(content.ErrorObjects().Count(), 2);
    EXPECT_EQ(content.ErrorObjects().Strings(0), At(QStringLiteral("Internal storage\\DCIM")).ObjectID());
    EXPECT_LT(std::int32_t(content.ErrorObjects().GetErrorCode(0)), 0);
    EXPECT_EQ(At(QStringLiteral("Internal storage\\DCIM")).ChildCount(), 0);
    EXPECT_NE(content.GetObjectByPath(QStringLiteral("Internal storage\\Music\\song.mp3")), nullptr);

    TFileData data;
    EXPECT_LT(At(QStringLiteral("Internal storage\\Music\\song.mp3")).GetFileData(data, true), 0);
    EXPECT_EQ(data.StreamData.FileStream, nullptr);

    // A read that fails part-way; a file shorter than the limit reads whole.
    ASSERT_EQ(At(QStringLiteral("Internal storage\\Music\\notes.txt")).GetFileData(data, true), S_OK);
    HRESULT result = S_OK;
    EXPECT_EQ(ReadAll(*data.StreamData.FileStream, result), QByteArray("tx"));
    EXPECT_LT(result, 0);

    const TDateTime before = NowLocalDateTime();
    EXPECT_GE(At(QStringLiteral("Internal storage\\Music\\data.bin")).LastWriteTime(), before - 1.0 / 86400);
    EXPECT_EQ(FPauses, 2);
}

TEST_F(SimulatedDeviceTest, ReadFailsOnceTheBytesWereDelivered)
{
    FDevices.Add({QStringLiteral("Cam"),
                  QStringLiteral("[Faults]\nReadFailAfter=C/a.jpg:30000\n"),
                  {{QStringLiteral("C/a.jpg"), Photo}}});
    TPortableDeviceManager manager(FDevices.Factory());
    TPortableDeviceContent &content = manager.GetDevice(0)->Content();
    ASSERT_TRUE(content.Refresh());
    TFileStreamData stream;
    ASSERT_EQ(content.GetObjectByPath(QStringLiteral("C\\a.jpg"))->GetFileStream(stream), S_OK);
    HRESULT result = S_OK;
    EXPECT_EQ(ReadAll(*stream.FileStream, result), Photo.left(30000));
    EXPECT_LT(result, 0);
}

TEST_F(SimulatedDeviceTest, DeviceObjectThatCannotBeListed)
{
    Open(Phone(QStringLiteral("EnumFail=/\n")));
    EXPECT_FALSE(FManager->SelectedDevice()->Content().Refresh());
    EXPECT_EQ(FManager->SelectedDevice()->Content().ObjectCount(), 1);
    EXPECT_EQ(FManager->SelectedDevice()->Content().ErrorObjects().Strings(0), QStringLiteral("DEVICE"));
}

TEST_F(SimulatedDeviceTest, SlowLinkDelaysEveryBlock)
{
    FDevices.Add({QStringLiteral("Slow"),
                  QStringLiteral("[Faults]\nReadDelayUs=20000\n"),
                  {{QStringLiteral("C/a.bin"), QByteArray(4 * 65536, 'x')}}});
    TPortableDeviceManager manager(FDevices.Factory());
    TPortableDeviceContent &content = manager.GetDevice(0)->Content();
    ASSERT_TRUE(content.Refresh());
    TFileStreamData stream;
    ASSERT_EQ(content.GetObjectByPath(QStringLiteral("C\\a.bin"))->GetFileStream(stream), S_OK);
    const auto start = std::chrono::steady_clock::now();
    HRESULT result = E_FAIL;
    EXPECT_EQ(ReadAll(*stream.FileStream, result).size(), 4 * 65536);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(80));
}

TEST_F(SimulatedDeviceTest, NamesThatCannotExistOnDiskAreReportedAndMadeSafeLocally)
{
    Open(Phone(QStringLiteral("Name=Internal storage/DCIM:..|Internal storage/Music/song.mp3:a/b|"
                              "Internal storage/Music/notes.txt:|SD card:.\n")));
    TPortableDeviceContent &content = FManager->SelectedDevice()->Content();
    ASSERT_TRUE(content.Refresh());
    TPortableDeviceObject &dcim = *content.GetRootObject(0)->GetChild(0);
    EXPECT_EQ(dcim.ObjectName(), QStringLiteral(".."));
    EXPECT_EQ(dcim.DisplayName(), QStringLiteral(".."));
    EXPECT_EQ(dcim.Path(), QStringLiteral("Internal storage\\.."));
    TPortableDeviceObject &music = *content.GetRootObject(0)->GetChild(1);
    TPortableDeviceObject *song = music.GetChildByName(QStringLiteral("a/b"));
    ASSERT_NE(song, nullptr);
    EXPECT_EQ(song->OriginalName(), QStringLiteral("a/b"));
    EXPECT_EQ(song->Path(), QStringLiteral("Internal storage\\Music\\a/b"));
    TPortableDeviceObject *notes = music.GetChildByName(QString());
    ASSERT_NE(notes, nullptr);
    EXPECT_EQ(notes->DisplayName(), notes->ObjectID() + QStringLiteral(".data"));
    EXPECT_EQ(content.GetRootObject(1)->DisplayName(), QStringLiteral("."));

    const std::pair<const char *, const char *> local[] = {
        {"..", "__"}, {".", "_"}, {"", "_"}, {"a/b", "a_b"}, {"/", "_"}, {"...", "..."}, {"IMG_1.jpg", "IMG_1.jpg"}};
    for (const auto &[name, expected] : local)
        EXPECT_EQ(LocalNameOf(QString::fromUtf8(name)), QLatin1String(expected)) << name;
    EXPECT_EQ(LocalNameOf(QStringLiteral("a") + QChar(0) + QStringLiteral("b")), QStringLiteral("a_b"));
}

TEST_F(SimulatedDeviceTest, LinkedFoldersAreLeftOutSoTheyCannotLoop)
{
    const QString folder = FDevices.Add({QStringLiteral("Loop"), {}, {{QStringLiteral("C/file.txt"), "x"}}});
    ASSERT_TRUE(QFile::link(folder + QStringLiteral("/C"), folder + QStringLiteral("/C/again")));
    ASSERT_TRUE(QFile::link(folder + QStringLiteral("/C/file.txt"), folder + QStringLiteral("/C/linked.txt")));
    TPortableDeviceManager manager(FDevices.Factory());
    TPortableDeviceContent &content = manager.GetDevice(0)->Content();
    ASSERT_TRUE(content.Refresh());
    EXPECT_EQ(content.ObjectCount(), 4); // DEVICE, C, file.txt, linked.txt
    EXPECT_EQ(content.GetObjectByPath(QStringLiteral("C\\linked.txt"))->Size(), 1);
}
