#include "FakePtpLibrary.h"

#include "device/DeviceDates.h"
#include "device/DeviceServices.h"
#include "device/ptp/PtpConnection.h"
#include "device/ptp/PtpDeviceService.h"
#include "device/ptp/PtpMapping.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace {

const std::string Store = "/store_00010001";

class PtpBackend : public ::testing::Test
{
protected:
    PtpBackend()
    {
        Library = std::make_shared<TFakePtpLibrary>();
        Camera = Library->AddCamera("usb:001,004");
        Camera->AddFolder(Store, "DCIM");
        Camera->AddFolder(Store + "/DCIM", "100FAKON");
        Camera->AddFile(Store + "/DCIM/100FAKON", "DSC_0001.JPG", "jpeg bytes");
        Camera->AddFile(Store + "/DCIM/100FAKON", "dsc_0001.jpg", "other bytes", 0, "");
        Camera->AddFile(Store, "Grüße.txt", "hello", 1614834367, "text/plain");
        Camera->AddFile(Store, "empty.bin", "", 1614834367, "application/octet-stream");
    }

    std::unique_ptr<IDeviceConnection> OpenFirst()
    {
        Service = std::make_unique<TPtpDeviceService>(std::make_shared<TPtpRegistry>(Library, Limits));
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

    static QString TextOf(IDeviceConnection &connection, const QString &id, TPropertyKey key)
    {
        TPropertyValue value;
        if (Failed(connection.GetProperty(id, key, value)) || value.Type != vtText)
            return QStringLiteral("<none>");
        return value.Text;
    }

    static QStringList Names(IDeviceConnection &connection, const QStringList &ids)
    {
        QStringList names;
        for (const QString &id : ids)
            names.append(TextOf(connection, id, pkObjectName));
        return names;
    }

    // The child of `parent` with this name.
    static QString Child(IDeviceConnection &connection, const QString &parent, const QString &name)
    {
        for (const QString &id : Children(connection, parent))
            if (TextOf(connection, id, pkObjectName) == name)
                return id;
        return {};
    }

    static QByteArray ReadAll(IDeviceConnection &connection, const QString &id, std::uint32_t block, HRESULT &result)
    {
        SourceStreamPtr stream;
        std::uint32_t preferred = 0;
        result = connection.OpenStream(id, stream, preferred);
        QByteArray all;
        if (Failed(result))
            return all;
        QByteArray buffer(int(block), '\0');
        for (int calls = 0; calls < 100000; ++calls) {
            std::uint32_t got = 0;
            result = stream->Read(buffer.data(), block, got);
            all.append(buffer.constData(), int(got));
            if (Failed(result) || got < block)
                break;
        }
        if (Succeeded(result))
            result = stream->Commit();
        return all;
    }

    std::shared_ptr<TFakePtpLibrary> Library;
    std::shared_ptr<TFakeCameraData> Camera;
    TPtpStreamLimits Limits;
    std::unique_ptr<TPtpDeviceService> Service;
};

TEST_F(PtpBackend, TreeNamesSizesDatesAndTypes)
{
    auto connection = OpenFirst();
    ASSERT_TRUE(connection);
    EXPECT_EQ(TextOf(*connection, QStringLiteral("DEVICE"), pkObjectName), QStringLiteral("Fakon D90"));
    EXPECT_EQ(TextOf(*connection, QStringLiteral("DEVICE"), pkProtocol), QStringLiteral("PTP"));
    EXPECT_EQ(TextOf(*connection, QStringLiteral("DEVICE"), pkSerialNumber), QStringLiteral("SER42"));
    TPropertyValue value;
    ASSERT_EQ(connection->GetProperty(QStringLiteral("DEVICE"), pkDeviceType, value), S_OK);
    EXPECT_EQ(value.Number, 1u); // camera
    ASSERT_EQ(connection->GetProperty(QStringLiteral("DEVICE"), pkPowerLevel, value), S_OK);
    EXPECT_EQ(value.Number, 80u);

    const QStringList storages = Children(*connection, QStringLiteral("DEVICE"));
    ASSERT_EQ(Names(*connection, storages), QStringList{QStringLiteral("Memory card")});
    ASSERT_EQ(connection->GetProperty(storages[0], pkContentType, value), S_OK);
    EXPECT_EQ(value.Guid, FunctionalObjectGuid());

    const QStringList top = Children(*connection, storages[0]);
    EXPECT_EQ(Names(*connection, top),
              (QStringList{QStringLiteral("DCIM"), QStringLiteral("Grüße.txt"), QStringLiteral("empty.bin")}));
    ASSERT_EQ(connection->GetProperty(top[0], pkContentType, value), S_OK);
    EXPECT_EQ(value.Guid, FolderGuid());
    EXPECT_EQ(TextOf(*connection, top[0], pkParentID), storages[0]);

    // Names that differ only in letter case are two files with identifiers of their own.
    const QString folder = Child(*connection, top[0], QStringLiteral("100FAKON"));
    const QStringList photos = Children(*connection, folder);
    ASSERT_EQ(photos.size(), 2);
    EXPECT_NE(photos[0].compare(photos[1], Qt::CaseInsensitive), 0);
    ASSERT_EQ(connection->GetProperty(photos[0], pkObjectSize, value), S_OK);
    EXPECT_EQ(value.Number, 10u);
    ASSERT_EQ(connection->GetProperty(photos[0], pkContentType, value), S_OK);
    EXPECT_EQ(value.Guid, ContentTypeGuid(ctImage));
    ASSERT_EQ(connection->GetProperty(photos[0], pkObjectFormat, value), S_OK);
    EXPECT_EQ(value.Guid, ObjectFormatGuid(ofExif));
    ASSERT_EQ(connection->GetProperty(photos[0], pkDateModified, value), S_OK);
    EXPECT_EQ(value.Date, *DeviceLocalDateTime(1614834367));
    // No date from the camera: no property, rather than a made-up one.
    EXPECT_EQ(connection->GetProperty(photos[1], pkDateModified, value), E_DEVICE_NO_PROPERTY);
    ASSERT_EQ(connection->GetProperty(photos[1], pkContentType, value), S_OK);
    EXPECT_EQ(value.Guid, ContentTypeGuid(ctGenericFile));

    HRESULT result = E_FAIL;
    EXPECT_EQ(ReadAll(*connection, photos[1], 4, result), QByteArray("other bytes"));
    EXPECT_EQ(result, S_OK);
    EXPECT_EQ(ReadAll(*connection, Child(*connection, storages[0], QStringLiteral("empty.bin")), 4, result),
              QByteArray());
    EXPECT_EQ(result, S_OK);
    EXPECT_EQ(connection->Close(), S_OK);
}

TEST_F(PtpBackend, HostileNamesAndEndlessNestingStayContained)
{
    Camera->StorageList = {{"/store_1", "", "Card"},
                           {"/store_1", "", "Same folder again"},
                           {"/../etc", "", "Escape"},
                           {"relative", "", "Not absolute"},
                           {"/store_2", "", ""}};
    for (const char *name : {".", "..", "a/b", "", "Fine", "Fine"})
        Camera->AddFolder("/store_1", name);
    Camera->AddFile("/store_1", "../up.txt", "x");
    Camera->AddFile("/store_1", "ok.txt", "x");
    Camera->AddFile("/store_1", "ok.txt", "y");
    // A folder that holds itself, for ever.
    for (std::string path = "/store_2"; path.size() < 4096; path += "/d")
        Camera->AddFolder(path, "d");

    auto connection = OpenFirst();
    ASSERT_TRUE(connection);
    const QStringList storages = Children(*connection, QStringLiteral("DEVICE"));
    // A storage without description or label is named after its folder.
    EXPECT_EQ(Names(*connection, storages), (QStringList{QStringLiteral("Card"), QStringLiteral("store_2")}));
    EXPECT_EQ(Names(*connection, Children(*connection, storages[0])),
              (QStringList{QStringLiteral("Fine"), QStringLiteral("ok.txt")}));

    QString folder = storages[1];
    HRESULT result = S_OK;
    int depth = 0;
    for (; depth < 1000; ++depth) {
        const QStringList below = Children(*connection, folder, &result);
        if (Failed(result) || below.isEmpty())
            break;
        folder = below[0];
    }
    EXPECT_EQ(depth, TPtpConnection::MaxDepth);
    EXPECT_EQ(result, HResultFromErrno(ENAMETOOLONG));
}

TEST_F(PtpBackend, FailuresCarryTheirCodes)
{
    Camera->FailingFolders[Store + "/DCIM"] = ptpIoUsbFind;
    auto connection = OpenFirst();
    ASSERT_TRUE(connection);
    const QString storage = Children(*connection, QStringLiteral("DEVICE")).value(0);
    const QString dcim = Child(*connection, storage, QStringLiteral("DCIM"));
    HRESULT result = S_OK;
    Children(*connection, dcim, &result);
    EXPECT_EQ(result, HResultFromErrno(ENODEV));

    // A camera another program holds: listed, but opening it says why it failed.
    Library->Cameras[0].OpenResult = ptpIoUsbClaim;
    TPtpDeviceService busy(std::make_shared<TPtpRegistry>(Library));
    QStringList ids;
    ASSERT_EQ(busy.GetDevices(ids), S_OK);
    ASSERT_EQ(ids.size(), 1);
    std::unique_ptr<IDeviceConnection> none;
    EXPECT_EQ(busy.Open(ids[0], TClientInformation(), none), HResultFromErrno(EBUSY));
    EXPECT_FALSE(none);

    Library->DetectResult = ptpIo;
    EXPECT_EQ(busy.GetDevices(ids), HResultFromErrno(EIO));
}

TEST_F(PtpBackend, BlockReadsAndTheirFailures)
{
    std::string big(3 * 1000 * 1000 + 7, '\0');
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = char(i * 7 + i / 4096);
    Camera->AddFile(Store, "big.mov", big, 1614834367, "video/quicktime");
    Camera->AddFile(Store, "cut.mov", big, 1614834367, "video/quicktime");
    Camera->EndsEarly[Store + "/cut.mov"] = 1000;
    Camera->MostPerRead = 65536; // a driver that hands out less than asked
    auto connection = OpenFirst();
    ASSERT_TRUE(connection);
    const QString storage = Children(*connection, QStringLiteral("DEVICE")).value(0);

    HRESULT result = E_FAIL;
    const QByteArray read =
        ReadAll(*connection, Child(*connection, storage, QStringLiteral("big.mov")), TPtpConnection::BlockSize, result);
    EXPECT_EQ(result, S_OK);
    EXPECT_TRUE(read == QByteArray::fromStdString(big));
    EXPECT_EQ(Camera->ReadWholeCalls, 0);

    // A file that ends before its listed size is a failed copy, not a short one.
    ReadAll(*connection, Child(*connection, storage, QStringLiteral("cut.mov")), TPtpConnection::BlockSize, result);
    EXPECT_EQ(result, HResultFromErrno(EIO));
}

TEST_F(PtpBackend, WholeFileDriversStayWithinTheLimit)
{
    // A camera that announces partial reads and refuses them, then a driver without them.
    Camera->PartReadResult = ptpCameraError;
    Limits.WholeFileLimit = 100000;
    Camera->AddFile(Store, "fits.jpg", std::string(90000, 'f'));
    Camera->AddFile(Store, "nothing.jpg", "");
    Camera->Infos[Store + "/nothing.jpg"].Size.reset(); // and of no listed size
    Camera->AddFile(Store, "large.mov", std::string(100001, 'l'));
    // Listed small, but the camera sends far more.
    Camera->AddFile(Store, "liar.jpg", std::string(300000, 'x'));
    Camera->Infos[Store + "/liar.jpg"].Size = 10;
    auto connection = OpenFirst();
    ASSERT_TRUE(connection);
    const QString storage = Children(*connection, QStringLiteral("DEVICE")).value(0);

    HRESULT result = E_FAIL;
    EXPECT_EQ(ReadAll(*connection, Child(*connection, storage, QStringLiteral("fits.jpg")), 65536, result).size(),
              90000);
    EXPECT_EQ(result, S_OK);
    EXPECT_EQ(Camera->ReadWholeCalls, 1);
    Camera->PartReadResult = ptpNotSupported;
    EXPECT_EQ(ReadAll(*connection, Child(*connection, storage, QStringLiteral("nothing.jpg")), 65536, result),
              QByteArray());
    EXPECT_EQ(result, S_OK);

    ReadAll(*connection, Child(*connection, storage, QStringLiteral("large.mov")), 65536, result);
    EXPECT_EQ(result, HResultFromErrno(EFBIG));
    EXPECT_EQ(Camera->ReadWholeCalls, 2); // refused without pulling it in

    ReadAll(*connection, Child(*connection, storage, QStringLiteral("liar.jpg")), 65536, result);
    EXPECT_EQ(result, HResultFromErrno(EFBIG));
}

// A device the MTP backend lists before: not opened, not listed again.
class TListedService : public IDeviceService
{
public:
    explicit TListedService(QStringList ids) : FIds(std::move(ids)) {}
    HRESULT GetDevices(QStringList &deviceIDs) override
    {
        deviceIDs = FIds;
        return S_OK;
    }
    HRESULT GetDeviceFriendlyName(const QString &, QString &name) override
    {
        name = QStringLiteral("Phone");
        return S_OK;
    }
    HRESULT GetDeviceManufacturer(const QString &, QString &) override { return S_OK; }
    HRESULT GetDeviceDescription(const QString &, QString &) override { return S_OK; }
    HRESULT Open(const QString &, const TClientInformation &, std::unique_ptr<IDeviceConnection> &) override
    {
        return E_FAIL;
    }

private:
    QStringList FIds;
};

TEST_F(PtpBackend, DevicesServedByLibmtpAreNotListedAgain)
{
    Library->AddCamera("usb:001,005");
    Library->AddCamera("usb:001,005"); // two drivers claiming one port
    std::vector<DeviceServicePtr> services;
    services.push_back(std::make_unique<TListedService>(QStringList{QStringLiteral("mtp:usb-1-4:SER")}));
    services.push_back(std::make_unique<TPtpDeviceService>(std::make_shared<TPtpRegistry>(Library)));
    TCompositeDeviceService combined(std::move(services));
    QStringList ids;
    ASSERT_EQ(combined.GetDevices(ids), S_OK);
    EXPECT_EQ(ids, (QStringList{QStringLiteral("mtp:usb-1-4:SER"), QStringLiteral("ptp:usb-1-5:SER42")}));
    EXPECT_EQ(Library->OpenedPorts, std::vector<std::string>{"usb:001,005"});
    EXPECT_EQ(DeviceBackendName(ids[0]), QStringLiteral("libmtp"));
    EXPECT_EQ(DeviceBackendName(ids[1]), QStringLiteral("libgphoto2"));
}

TEST(PtpMapping, PortsAndDeviceIdentifiers)
{
    struct TCase
    {
        const char *Port;
        bool Usb;
        unsigned Bus;
        unsigned Address;
    };
    const TCase cases[] = {{"usb:001,004", true, 1, 4},
                           {"usb:3,127", true, 3, 127},
                           {"usb:", false, 0, 0},
                           {"usb:001,004x", false, 0, 0},
                           {"ptpip:10.0.0.1", false, 0, 0}};
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Port);
        unsigned bus = 9;
        unsigned address = 9;
        EXPECT_EQ(PtpUsbLocation(c.Port, bus, address), c.Usb);
        EXPECT_EQ(bus, c.Bus);
        EXPECT_EQ(address, c.Address);
    }
    unsigned bus = 0;
    unsigned address = 0;
    EXPECT_TRUE(UsbLocationOfDeviceID(QStringLiteral("ptp:usb-2-17"), bus, address));
    EXPECT_EQ(address, 17u);
    EXPECT_FALSE(UsbLocationOfDeviceID(QStringLiteral("sim:usb-1-4"), bus, address));
    EXPECT_FALSE(UsbLocationOfDeviceID(QStringLiteral("mtp:usb-1-45678"), bus, address));
    // Control characters of a serial number do not reach the identifier.
    EXPECT_EQ(PtpDeviceID({"x", "usb:001,004"}, "A\nB\x7f"), QStringLiteral("ptp:usb-1-4:AB"));
}

TEST(PtpMapping, ResultsLevelsAndNames)
{
    EXPECT_EQ(PtpErrorResult(ptpOk), S_OK);
    EXPECT_EQ(PtpErrorResult(ptpIoUsbClaim), HResultFromErrno(EBUSY));
    EXPECT_EQ(PtpErrorResult(ptpTimeout), HResultFromErrno(ETIMEDOUT));
    EXPECT_EQ(PtpErrorResult(-9999), HResultFromErrno(EIO));

    EXPECT_EQ(PtpPowerLevel("80%"), 80u);
    EXPECT_EQ(PtpPowerLevel("100"), 100u);
    EXPECT_FALSE(PtpPowerLevel("101%"));
    EXPECT_FALSE(PtpPowerLevel("full"));
    EXPECT_FALSE(PtpPowerLevel("50 volts"));

    const TPtpCameraPort port{"USB PTP Class Camera", "usb:001,004"};
    EXPECT_EQ(PtpFriendlyName("Nikon", "Nikon D90", port), QStringLiteral("Nikon D90"));
    EXPECT_EQ(PtpFriendlyName("Canon", "EOS 5D", port), QStringLiteral("Canon EOS 5D"));
    EXPECT_EQ(PtpFriendlyName("", "", port), QStringLiteral("USB PTP Class Camera"));
}

} // namespace
