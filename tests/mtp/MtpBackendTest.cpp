#include "FakeMtpLibrary.h"

#include "device/DeviceDates.h"
#include "device/mtp/MtpConnection.h"
#include "device/mtp/MtpDeviceService.h"
#include "device/mtp/MtpMapping.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <thread>

namespace {

constexpr std::uint32_t Storage = 0x10001;
constexpr std::uint32_t Top = 0xFFFFFFFFu;

class MtpBackend : public ::testing::Test
{
protected:
    MtpBackend()
    {
        Library = std::make_shared<TFakeMtpLibrary>();
        Phone = Library->AddDevice(1, 4);
        Phone->AddFolder(Storage, Top, 1, "DCIM");
        Phone->AddFolder(Storage, 1, 2, "Camera");
        Phone->AddFile(Storage, 2, 3, "IMG_0001.jpg", "jpeg bytes", 1614834367, LIBMTP_FILETYPE_JPEG);
        Phone->AddFile(Storage, Top, 4, "Grüße.txt", "hello", 1614834367, LIBMTP_FILETYPE_TEXT);
        Phone->AddFile(Storage, Top, 5, "empty.bin", "");
        Limits.ReaderGone = std::chrono::milliseconds(50);
        Limits.BufferCapacity = 64 << 10;
    }

    std::unique_ptr<IDeviceConnection> OpenFirst()
    {
        Service = std::make_unique<TMtpDeviceService>(std::make_shared<TMtpRegistry>(Library, Limits));
        QStringList ids;
        EXPECT_EQ(Service->GetDevices(ids), S_OK);
        std::unique_ptr<IDeviceConnection> connection;
        EXPECT_EQ(Service->Open(ids.value(0), TClientInformation(), connection), S_OK);
        return connection;
    }

    static QStringList Children(IDeviceConnection &connection, const QString &parent, HRESULT *result = nullptr)
    {
        std::unique_ptr<IObjectIdEnumerator> enumerator;
        HRESULT hr = connection.EnumObjects(parent, enumerator);
        if (result)
            *result = hr;
        QStringList all;
        if (Failed(hr))
            return all;
        for (;;) {
            QStringList batch;
            hr = enumerator->Next(10, batch);
            all += batch;
            if (hr != S_OK)
                return all;
        }
    }

    // Lists every object below `parent`, depth first.
    static void ListAll(IDeviceConnection &connection, const QString &parent)
    {
        for (const QString &child : Children(connection, parent))
            ListAll(connection, child);
    }

    static QString TextOf(IDeviceConnection &connection, const QString &id, TPropertyKey key)
    {
        TPropertyValue value;
        if (Failed(connection.GetProperty(id, key, value)) || value.Type != vtText)
            return QStringLiteral("<none>");
        return value.Text;
    }

    static QByteArray ReadAll(ISourceStream &stream, std::uint32_t block, HRESULT &result)
    {
        QByteArray all;
        QByteArray buffer(int(block), '\0');
        for (;;) {
            std::uint32_t got = 0;
            result = stream.Read(buffer.data(), block, got);
            if (Failed(result))
                return all;
            all.append(buffer.constData(), int(got));
            if (got < block)
                return all;
        }
    }

    std::shared_ptr<TFakeMtpLibrary> Library;
    std::shared_ptr<TFakeMtpDeviceData> Phone;
    TMtpStreamLimits Limits;
    std::unique_ptr<TMtpDeviceService> Service;
};

TEST_F(MtpBackend, ListsDevicesByBusNumberAndSerialWithNamesAndFallbacks)
{
    auto twin = Library->AddDevice(1, 5); // same serial, as two emulated devices have
    twin->Friendly = "Second phone";
    auto anonymous = Library->AddDevice(2, 7);
    anonymous->Serial.reset();
    anonymous->Manufacturer.reset();
    anonymous->Model.reset();
    TMtpDeviceService service(std::make_shared<TMtpRegistry>(Library, Limits));
    QStringList ids;
    ASSERT_EQ(service.GetDevices(ids), S_OK);
    EXPECT_EQ(ids, QStringList({"mtp:usb-1-4:SER123", "mtp:usb-1-5:SER123", "mtp:usb-2-7"}));

    QString text;
    EXPECT_EQ(service.GetDeviceFriendlyName(ids[0], text), S_OK);
    EXPECT_EQ(text, QStringLiteral("Fakemaker Fakephone 3"));
    EXPECT_EQ(service.GetDeviceFriendlyName(ids[1], text), S_OK);
    EXPECT_EQ(text, QStringLiteral("Second phone"));
    EXPECT_EQ(service.GetDeviceFriendlyName(ids[2], text), S_OK);
    EXPECT_EQ(text, QStringLiteral("Tablevendor Tableproduct"));
    EXPECT_EQ(service.GetDeviceManufacturer(ids[0], text), S_OK);
    EXPECT_EQ(text, QStringLiteral("Fakemaker"));
    EXPECT_EQ(service.GetDeviceDescription(ids[0], text), S_OK);
    EXPECT_EQ(text, QStringLiteral("Fakephone 3"));
    EXPECT_EQ(service.GetDeviceManufacturer(ids[2], text), S_OK);
    EXPECT_EQ(text, QStringLiteral("Tablevendor"));
    EXPECT_EQ(service.GetDeviceFriendlyName(QStringLiteral("mtp:usb-9-9"), text), E_DEVICE_GONE);

    // A second list reuses the open sessions; a device that left is dropped.
    const int opened = Library->OpenCalls;
    Library->Devices.pop_back();
    ASSERT_EQ(service.GetDevices(ids), S_OK);
    EXPECT_EQ(ids.size(), 2);
    EXPECT_EQ(Library->OpenCalls, opened);
    EXPECT_TRUE(anonymous->Released);
}

TEST_F(MtpBackend, DeviceThatCannotBeOpenedIsListedAndFailsToOpen)
{
    Library->Devices[0].Busy = true;
    TMtpDeviceService service(std::make_shared<TMtpRegistry>(Library, Limits));
    QStringList ids;
    ASSERT_EQ(service.GetDevices(ids), S_OK);
    ASSERT_EQ(ids, QStringList({"mtp:usb-1-4"}));
    std::unique_ptr<IDeviceConnection> connection;
    EXPECT_EQ(service.Open(ids[0], TClientInformation(), connection), HResultFromErrno(EBUSY));
    EXPECT_FALSE(connection);

    Library->DetectError = mtpErrUsbLayer;
    EXPECT_EQ(service.GetDevices(ids), HResultFromErrno(EIO));
    EXPECT_TRUE(ids.isEmpty());
}

TEST_F(MtpBackend, StoragesFoldersAndFilesWithTheirProperties)
{
    Phone->StorageList.push_back({0x20001, "", "SD-1234"});
    Phone->AddFile(Storage, Top, 6, "video.mp4", "", 1614834367, LIBMTP_FILETYPE_MP4);
    Phone->Folders[{Storage, Top}].back().Size = 5ull << 30; // above 4 GiB
    auto connection = OpenFirst();
    ASSERT_TRUE(connection);

    EXPECT_EQ(Children(*connection, "DEVICE"), QStringList({"s00010001", "s00020001"}));
    EXPECT_EQ(TextOf(*connection, "s00010001", pkObjectName), QStringLiteral("Internal storage"));
    EXPECT_EQ(TextOf(*connection, "s00020001", pkObjectName), QStringLiteral("SD-1234"));
    EXPECT_EQ(TextOf(*connection, "s00010001", pkParentID), QStringLiteral("DEVICE"));
    EXPECT_EQ(Children(*connection, "s00010001"), QStringList({"o1", "o4", "o5", "o6"}));
    EXPECT_EQ(Children(*connection, "o1"), QStringList({"o2"}));
    EXPECT_EQ(Children(*connection, "o2"), QStringList({"o3"}));

    // Files have no children, and asking costs no device call.
    const int listCalls = Phone->ListCalls;
    EXPECT_TRUE(Children(*connection, "o3").isEmpty());
    EXPECT_EQ(Phone->ListCalls, listCalls);
    HRESULT result = S_OK;
    Children(*connection, "o999", &result);
    EXPECT_EQ(result, E_DEVICE_NO_OBJECT);

    EXPECT_EQ(TextOf(*connection, "o3", pkObjectName), QStringLiteral("IMG_0001.jpg"));
    EXPECT_EQ(TextOf(*connection, "o3", pkOriginalFileName), QStringLiteral("IMG_0001.jpg"));
    EXPECT_EQ(TextOf(*connection, "o3", pkParentID), QStringLiteral("o2"));
    EXPECT_EQ(TextOf(*connection, "o4", pkObjectName), QStringLiteral("Grüße.txt"));
    EXPECT_EQ(TextOf(*connection, "o1", pkParentID), QStringLiteral("s00010001"));

    TPropertyValue value;
    ASSERT_EQ(connection->GetProperty("o3", pkContentType, value), S_OK);
    EXPECT_EQ(ContentTypeOf(value.Guid), ctImage);
    ASSERT_EQ(connection->GetProperty("o3", pkObjectFormat, value), S_OK);
    EXPECT_EQ(ObjectFormatOf(value.Guid), ofExif);
    ASSERT_EQ(connection->GetProperty("o1", pkContentType, value), S_OK);
    EXPECT_EQ(ContentTypeOf(value.Guid), ctFolder);
    ASSERT_EQ(connection->GetProperty("s00010001", pkContentType, value), S_OK);
    EXPECT_EQ(ContentTypeOf(value.Guid), ctFunctionalObject);
    ASSERT_EQ(connection->GetProperty("o6", pkObjectSize, value), S_OK);
    EXPECT_EQ(value.Type, vtUInt64);
    EXPECT_EQ(value.Number, 5ull << 30);
    ASSERT_EQ(connection->GetProperty("o3", pkDateModified, value), S_OK);
    EXPECT_EQ(value.Type, vtDate);
    EXPECT_NEAR(value.Date, *DeviceLocalDateTime(1614834367), 1e-9);
    EXPECT_EQ(connection->GetProperty("o3", pkDateCreated, value), E_DEVICE_NO_PROPERTY);
    EXPECT_EQ(connection->GetProperty("o999", pkObjectName, value), E_DEVICE_NO_OBJECT);

    bool canWrite = true;
    EXPECT_EQ(connection->CanWriteProperty("o3", pkDateModified, canWrite), S_OK);
    EXPECT_FALSE(canWrite);
    EXPECT_EQ(connection->Close(), S_OK);
}

TEST_F(MtpBackend, PropertyReadFailuresAreReportedNotInvented)
{
    Phone->AddObject(Storage, Top, {7, 0, 0, "", 3, 0, LIBMTP_FILETYPE_UNKNOWN}); // no name, no date
    Phone->AddFile(Storage, Top, 8, "clip.3gp", "x");
    Phone->FormatCodes[8] = 0xB984;
    auto connection = OpenFirst();
    ListAll(*connection, "DEVICE");

    TPropertyValue value;
    EXPECT_EQ(connection->GetProperty("o7", pkObjectName, value), E_DEVICE_NO_PROPERTY);
    EXPECT_EQ(connection->GetProperty("o7", pkDateModified, value), E_DEVICE_NO_PROPERTY);
    // libmtp's "unknown" type: the device is asked for the format code once.
    EXPECT_EQ(connection->GetProperty("o7", pkObjectFormat, value), E_DEVICE_NO_PROPERTY);
    ASSERT_EQ(connection->GetProperty("o8", pkObjectFormat, value), S_OK);
    EXPECT_EQ(ObjectFormatOf(value.Guid), of3Gp);
    const int formatCalls = Phone->FormatCalls;
    ASSERT_EQ(connection->GetProperty("o8", pkObjectFormat, value), S_OK);
    EXPECT_EQ(Phone->FormatCalls, formatCalls);
    ASSERT_EQ(connection->GetProperty("o8", pkContentType, value), S_OK);
    EXPECT_EQ(ContentTypeOf(value.Guid), ctGenericFile);
}

TEST_F(MtpBackend, DevicePropertiesAndTheirAbsence)
{
    Phone->Battery = std::make_pair(std::uint8_t(100), std::uint8_t(64));
    Phone->Extensions.push_back({"android.com", 1, 0});
    auto connection = OpenFirst();
    EXPECT_EQ(TextOf(*connection, "DEVICE", pkFirmwareVersion), QStringLiteral("1.2.3"));
    EXPECT_EQ(TextOf(*connection, "DEVICE", pkSerialNumber), QStringLiteral("SER123"));
    EXPECT_EQ(TextOf(*connection, "DEVICE", pkModel), QStringLiteral("Fakephone 3"));
    EXPECT_EQ(TextOf(*connection, "DEVICE", pkProtocol), QStringLiteral("MTP: 1.00"));
    EXPECT_EQ(TextOf(*connection, "DEVICE", pkParentID), QString());
    EXPECT_EQ(TextOf(*connection, "DEVICE", pkObjectName), QStringLiteral("Fakemaker Fakephone 3"));
    TPropertyValue value;
    ASSERT_EQ(connection->GetProperty("DEVICE", pkPowerLevel, value), S_OK);
    EXPECT_EQ(value.Number, 64u);
    Phone->Battery->second = 30; // read afresh while the device is free
    ASSERT_EQ(connection->GetProperty("DEVICE", pkPowerLevel, value), S_OK);
    EXPECT_EQ(value.Number, 30u);
    ASSERT_EQ(connection->GetProperty("DEVICE", pkPowerSource, value), S_OK);
    EXPECT_EQ(value.Number, 0u);
    ASSERT_EQ(connection->GetProperty("DEVICE", pkDeviceType, value), S_OK);
    EXPECT_EQ(value.Number, 3u);
    ASSERT_EQ(connection->GetProperty("DEVICE", pkContentType, value), S_OK);
    EXPECT_EQ(ContentTypeOf(value.Guid), ctFunctionalObject);

    Library = std::make_shared<TFakeMtpLibrary>();
    Phone = Library->AddDevice(1, 4);
    Phone->Version.reset();
    Phone->Serial.reset();
    connection = OpenFirst();
    for (TPropertyKey key : {pkFirmwareVersion, pkSerialNumber, pkPowerLevel, pkPowerSource, pkDeviceType})
        EXPECT_EQ(connection->GetProperty("DEVICE", key, value), E_DEVICE_NO_PROPERTY) << key;
}

TEST_F(MtpBackend, FailingAndHostileListings)
{
    Phone->FailingFolders[{Storage, 1}] = {mtpErrPtpLayer, "PTP Layer error 02ff: get_handles_recursively()"};
    // A device that lists the storage's top folder again inside a folder,
    // and one object twice.
    Phone->AddFolder(Storage, Top, 9, "Loop");
    Phone->AddObject(Storage, 9, {9, 0, 0, "Loop", 0, 0, LIBMTP_FILETYPE_FOLDER});
    Phone->AddObject(Storage, 9, {4, 0, 0, "again.txt", 5, 0, LIBMTP_FILETYPE_TEXT});
    Phone->AddFile(Storage, 9, 10, "a.txt", "a");
    Phone->AddFile(Storage, 9, 10, "a.txt", "a");
    auto connection = OpenFirst();
    Children(*connection, "DEVICE");
    Children(*connection, "s00010001");
    HRESULT result = S_OK;
    EXPECT_TRUE(Children(*connection, "o1", &result).isEmpty());
    EXPECT_EQ(result, HResultFromErrno(EIO));
    EXPECT_EQ(Children(*connection, "o9"), QStringList({"o10"}));
    EXPECT_EQ(TextOf(*connection, "o4", pkParentID), QStringLiteral("s00010001"));
}

TEST_F(MtpBackend, EndlesslyNestedFoldersStopAtTheDepthLimit)
{
    Phone->Folders.clear();
    for (std::uint32_t level = 0; level < 200; ++level)
        Phone->AddFolder(Storage, level == 0 ? Top : 100 + level - 1, 100 + level, "d");
    auto connection = OpenFirst();
    Children(*connection, "DEVICE");
    QString parent = QStringLiteral("s00010001");
    int depth = 0;
    HRESULT result = S_OK;
    for (;;) {
        const QStringList children = Children(*connection, parent, &result);
        if (children.isEmpty())
            break;
        parent = children[0];
        ++depth;
    }
    EXPECT_EQ(depth, TMtpConnection::MaxDepth);
    EXPECT_EQ(result, HResultFromErrno(ENAMETOOLONG));
}

TEST_F(MtpBackend, StreamDeliversTheWholeFileInOneTransfer)
{
    std::string big(300000, '\0');
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = char(i * 13 + i / 1000);
    Phone->AddFile(Storage, Top, 11, "big.bin", big);
    auto connection = OpenFirst();
    ListAll(*connection, "DEVICE");

    // Requests smaller than the buffer, larger than it (64 KiB here), and
    // larger than the file (read by the reader's thread), with pieces from
    // the device that do not line up with them.
    for (std::uint32_t chunk : {16384u, 999u}) {
        Phone->ChunkSize = chunk;
        for (std::uint32_t block : {4096u, 65536u, 200000u, 300000u, 1u << 20}) {
            SourceStreamPtr stream;
            std::uint32_t preferred = 0;
            ASSERT_EQ(connection->OpenStream("o11", stream, preferred), S_OK);
            EXPECT_GT(preferred, 0u);
            const int reads = Phone->ReadCalls;
            HRESULT result = S_OK;
            const QByteArray data = ReadAll(*stream, block, result);
            EXPECT_EQ(result, S_OK);
            EXPECT_EQ(data, QByteArray(big.data(), int(big.size()))) << block << " " << chunk;
            EXPECT_EQ(stream->Commit(), S_OK);
            EXPECT_EQ(Phone->ReadCalls, reads + 1);
        }
    }

    SourceStreamPtr stream;
    std::uint32_t preferred = 0;
    ASSERT_EQ(connection->OpenStream("o5", stream, preferred), S_OK);
    HRESULT result = E_FAIL;
    EXPECT_TRUE(ReadAll(*stream, preferred, result).isEmpty());
    EXPECT_EQ(result, S_OK);
    EXPECT_EQ(connection->OpenStream("o1", stream, preferred), HResultFromErrno(EISDIR));
    EXPECT_EQ(connection->OpenStream("o999", stream, preferred), E_DEVICE_NO_OBJECT);
}

TEST_F(MtpBackend, DeviceLostMidFileFailsThatFileAndTheNextOneStillReads)
{
    Phone->AddFile(Storage, Top, 12, "cut.bin", std::string(200000, 'c'));
    Phone->BreakAfter[12] = {100000, {mtpErrNoDevice, "LIBMTP_Get_File_To_Handler(): device gone"}};
    auto connection = OpenFirst();
    ListAll(*connection, "DEVICE");
    // Read on a thread of its own, and whole by the reader.
    for (std::uint32_t block : {8192u, 1u << 20}) {
        SourceStreamPtr stream;
        std::uint32_t preferred = 0;
        ASSERT_EQ(connection->OpenStream("o12", stream, preferred), S_OK);
        HRESULT result = S_OK;
        const QByteArray data = ReadAll(*stream, block, result);
        EXPECT_EQ(result, HResultFromErrno(ENODEV)) << block;
        EXPECT_LE(data.size(), 100000);
        EXPECT_EQ(stream->Commit(), HResultFromErrno(ENODEV));

        ASSERT_EQ(connection->OpenStream("o4", stream, preferred), S_OK);
        EXPECT_EQ(ReadAll(*stream, preferred, result), QByteArray("hello"));
        EXPECT_EQ(result, S_OK);
    }
}

TEST_F(MtpBackend, FileLargerThanListedIsReadCompletely)
{
    // Listed as 100 bytes: a file that grew, or a device that miscounts.
    // Up to the buffer limit the surplus is kept; beyond it the file is
    // read again on a thread of its own, with the buffer bounded.
    const std::string grown(40000, 'g');
    Phone->AddObject(Storage, Top, {17, 0, 0, "grown.bin", 100, 1614834367, LIBMTP_FILETYPE_UNKNOWN});
    Phone->Contents[17] = grown;
    std::string huge(300000, '\0');
    for (std::size_t i = 0; i < huge.size(); ++i)
        huge[i] = char(i * 11 + i / 777);
    Phone->AddObject(Storage, Top, {18, 0, 0, "huge.bin", 100, 1614834367, LIBMTP_FILETYPE_UNKNOWN});
    Phone->Contents[18] = huge;
    auto connection = OpenFirst();
    ListAll(*connection, "DEVICE");

    const std::pair<const char *, const std::string *> cases[] = {{"o17", &grown}, {"o18", &huge}};
    for (const auto &[id, content] : cases) {
        SourceStreamPtr stream;
        std::uint32_t preferred = 0;
        ASSERT_EQ(connection->OpenStream(id, stream, preferred), S_OK);
        HRESULT result = E_FAIL;
        EXPECT_EQ(ReadAll(*stream, 4096, result), QByteArray(content->data(), int(content->size()))) << id;
        EXPECT_EQ(result, S_OK);
        EXPECT_EQ(stream->Commit(), S_OK);
    }
    EXPECT_EQ(Phone->ReadCalls, 3);
}

TEST_F(MtpBackend, SlowDeviceIsWaitedForButASilentOneTimesOut)
{
    Phone->AddFile(Storage, Top, 16, "slow.bin", std::string(8000, 's'));
    Phone->ChunkSize = 1000;
    Phone->ChunkDelay = std::chrono::milliseconds(40);
    Limits.DeviceSilence = std::chrono::milliseconds(100);
    auto connection = OpenFirst();
    ListAll(*connection, "DEVICE");
    // Read on a thread of its own, and whole by the reader.
    for (std::uint32_t block : {1000u, 1u << 20}) {
        Phone->ChunkDelay = std::chrono::milliseconds(40);
        SourceStreamPtr stream;
        std::uint32_t preferred = 0;
        // The whole file takes longer than the silence limit, but bytes keep coming.
        ASSERT_EQ(connection->OpenStream("o16", stream, preferred), S_OK);
        HRESULT result = E_FAIL;
        EXPECT_EQ(ReadAll(*stream, block, result).size(), 8000) << block;
        EXPECT_EQ(result, S_OK);

        Phone->ChunkDelay = std::chrono::milliseconds(300);
        ASSERT_EQ(connection->OpenStream("o16", stream, preferred), S_OK);
        ReadAll(*stream, block, result);
        EXPECT_EQ(result, HResultFromErrno(ETIMEDOUT)) << block;
    }
}

TEST_F(MtpBackend, ReaderThatStopsCancelsTheTransferAndFreesTheDevice)
{
    Phone->AddFile(Storage, Top, 13, "long.bin", std::string(1 << 20, 'l'));
    auto connection = OpenFirst();
    ListAll(*connection, "DEVICE");

    // Dropping a half-read stream cancels libmtp's transfer through the handler.
    {
        SourceStreamPtr stream;
        std::uint32_t preferred = 0;
        ASSERT_EQ(connection->OpenStream("o13", stream, preferred), S_OK);
        std::uint32_t got = 0;
        char buffer[1000];
        ASSERT_EQ(stream->Read(buffer, sizeof buffer, got), S_OK);
        EXPECT_EQ(got, sizeof buffer);
    }
    EXPECT_EQ(Phone->CancelledReads, 1);

    // A reader that keeps its stream but stops reading: the next caller that
    // needs the device cancels the stalled transfer instead of waiting for ever.
    SourceStreamPtr stalled;
    std::uint32_t preferred = 0;
    ASSERT_EQ(connection->OpenStream("o13", stalled, preferred), S_OK);
    std::uint32_t got = 0;
    char buffer[1000];
    ASSERT_EQ(stalled->Read(buffer, sizeof buffer, got), S_OK);
    EXPECT_EQ(Children(*connection, "o1"), QStringList({"o2"}));
    EXPECT_EQ(Phone->CancelledReads, 2);
    HRESULT result = S_OK;
    ReadAll(*stalled, 65536, result);
    EXPECT_EQ(result, HResultFromErrno(ECANCELED));
}

TEST_F(MtpBackend, PropertyReadsDoNotWaitBehindAFileTransfer)
{
    Phone->AddFile(Storage, Top, 14, "slow.bin", std::string(1 << 20, 's'));
    Phone->AddFile(Storage, Top, 15, "odd.xyz", "x");
    Phone->FormatCodes[15] = 0xB984;
    Limits.ReaderGone = std::chrono::hours(1);
    auto connection = OpenFirst();
    ListAll(*connection, "DEVICE");
    SourceStreamPtr stream;
    std::uint32_t preferred = 0;
    ASSERT_EQ(connection->OpenStream("o14", stream, preferred), S_OK);
    std::uint32_t got = 0;
    char buffer[10];
    ASSERT_EQ(stream->Read(buffer, sizeof buffer, got), S_OK); // the transfer now holds the device

    TPropertyValue value;
    EXPECT_EQ(connection->GetProperty("o3", pkObjectName, value), S_OK);
    EXPECT_EQ(connection->GetProperty("o14", pkObjectSize, value), S_OK);
    EXPECT_EQ(connection->GetProperty("DEVICE", pkFirmwareVersion, value), S_OK);
    EXPECT_EQ(connection->GetProperty("DEVICE", pkPowerLevel, value), E_DEVICE_NO_PROPERTY);
    // The format that only the device can tell is not worth the wait.
    EXPECT_EQ(connection->GetProperty("o15", pkObjectFormat, value), HResultFromErrno(EBUSY));
    stream.reset();
    ASSERT_EQ(connection->GetProperty("o15", pkObjectFormat, value), S_OK);
    EXPECT_EQ(ObjectFormatOf(value.Guid), of3Gp);
}

// More than 4 GiB through the stream; minutes under the sanitizers, so run
// it by hand: test_mtp --gtest_also_run_disabled_tests --gtest_filter=*Huge*
TEST_F(MtpBackend, DISABLED_HugeFileAbove4GiBStreamsCompletely)
{
    const std::uint64_t size = (4ull << 30) + 12345;
    Phone->AddObject(Storage, Top, {20, 0, 0, "huge.bin", size, 1614834367, LIBMTP_FILETYPE_UNKNOWN});
    Phone->Generated[20] = size;
    Phone->ChunkSize = 1 << 20;
    Limits = TMtpStreamLimits();
    auto connection = OpenFirst();
    ListAll(*connection, "DEVICE");
    SourceStreamPtr stream;
    std::uint32_t preferred = 0;
    ASSERT_EQ(connection->OpenStream("o20", stream, preferred), S_OK);
    std::vector<unsigned char> buffer(preferred);
    std::uint64_t total = 0;
    bool same = true;
    for (;;) {
        std::uint32_t got = 0;
        ASSERT_EQ(stream->Read(buffer.data(), preferred, got), S_OK);
        same = same && buffer[0] == TFakeMtpDevice::GeneratedByte(total) &&
               (got == 0 || buffer[got - 1] == TFakeMtpDevice::GeneratedByte(total + got - 1));
        total += got;
        if (got < preferred)
            break;
    }
    EXPECT_EQ(total, size);
    EXPECT_TRUE(same);
}

} // namespace
