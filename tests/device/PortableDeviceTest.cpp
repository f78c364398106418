#include "support/FakeDeviceService.h"

#include "device/PortableDevice.h"

#include <gtest/gtest.h>

namespace {

TFakeDeviceEntry Entry(const char *id, const char *name, HRESULT nameResult = S_OK)
{
    TFakeDeviceEntry entry;
    entry.ID = QLatin1String(id);
    entry.FriendlyName = QLatin1String(name);
    entry.NameResult = nameResult;
    return entry;
}

QString RaisedMessage(const std::function<void()> &call)
{
    try {
        call();
    } catch (const EDeviceCallError &error) {
        return error.Message();
    }
    return QString();
}

class ManagerTest : public ::testing::Test
{
protected:
    TFakeDevice &Device(int index) { return *FList->Devices[std::size_t(index)].Device; }
    std::unique_ptr<TPortableDeviceManager> Manager()
    {
        return std::make_unique<TPortableDeviceManager>(FakeDeviceFactory(FList));
    }

    std::shared_ptr<TFakeDeviceList> FList = std::make_shared<TFakeDeviceList>();
};

} // namespace

TEST_F(ManagerTest, NoDeviceConnected)
{
    auto manager = Manager();
    EXPECT_EQ(manager->DeviceCount(), 0u);
    EXPECT_EQ(manager->GetDevice(0), nullptr);
    EXPECT_EQ(manager->GetDeviceByName(QStringLiteral("Phone")), nullptr);
    EXPECT_EQ(manager->GetDeviceByName(QString()), nullptr);
    EXPECT_EQ(manager->SelectedDevice(), nullptr);
}

TEST_F(ManagerTest, DevicesAreFoundByNameWithoutRegardToCaseFirstOneWins)
{
    FList->Devices = {Entry("id1", "Camera"), Entry("id2", "Phone"), Entry("id3", "phone"),
                      Entry("id4", "broken", E_FAIL), Entry("id5", "", E_DEVICE_IO)};
    auto manager = Manager();
    ASSERT_EQ(manager->DeviceCount(), 5u);
    EXPECT_EQ(manager->DeviceFriendlyName(3), QStringLiteral("<Unknown device>"));
    EXPECT_EQ(manager->DeviceFriendlyName(4), QStringLiteral("<Unknown device>"));
    EXPECT_EQ(manager->DeviceID(1), QStringLiteral("id2"));

    EXPECT_EQ(manager->GetDeviceByName(QStringLiteral("PHONE"))->DeviceID(), QStringLiteral("id2"));
    EXPECT_EQ(manager->GetDeviceByName(QStringLiteral("<unknown device>"))->DeviceID(), QStringLiteral("id4"));
    EXPECT_EQ(manager->GetDeviceByID(QStringLiteral("ID3"))->DeviceID(), QStringLiteral("id3"));
    EXPECT_EQ(manager->GetDevice(0)->DeviceID(), QStringLiteral("id1"));
    TPortableDevice *opened = manager->Devices(0);
    EXPECT_EQ(opened, manager->SelectedDevice());
}

TEST_F(ManagerTest, AtMostOneDeviceIsOpenAndAnyMissCloses)
{
    FList->Devices = {Entry("id1", "Camera"), Entry("id2", "Phone")};
    auto manager = Manager();
    ASSERT_NE(manager->GetDevice(0), nullptr);
    ASSERT_NE(manager->GetDevice(1), nullptr);
    EXPECT_EQ(Device(0).OpenConnections, 0);
    EXPECT_EQ(Device(0).CloseCalls, 1);
    EXPECT_EQ(Device(1).OpenConnections, 1);

    for (int index : {-1, 2}) {
        ASSERT_NE(manager->GetDevice(1), nullptr);
        EXPECT_EQ(manager->GetDevice(index), nullptr) << index;
        EXPECT_EQ(manager->SelectedDevice(), nullptr);
        EXPECT_EQ(Device(1).OpenConnections, 0);
    }
    ASSERT_NE(manager->GetDevice(1), nullptr);
    EXPECT_EQ(manager->GetDeviceByName(QStringLiteral("nothing")), nullptr);
    EXPECT_EQ(Device(1).OpenConnections, 0);

    // Reading the list again leaves the selected device open.
    ASSERT_NE(manager->GetDevice(0), nullptr);
    FList->Devices.pop_back();
    manager->Refresh();
    EXPECT_EQ(manager->DeviceCount(), 1u);
    EXPECT_NE(manager->SelectedDevice(), nullptr);
    EXPECT_EQ(Device(0).OpenConnections, 1);
    manager.reset();
    EXPECT_EQ(Device(0).OpenConnections, 0);
}

TEST_F(ManagerTest, FailuresRaiseTheDeviceCallErrorWithTheirContext)
{
    FList->Devices = {Entry("id1", "Camera"), Entry("id2", "Phone")};
    FList->Devices[1].OpenResult = E_FAIL;
    auto manager = Manager();
    EXPECT_EQ(
        RaisedMessage([&] { manager->GetDevice(1); }),
        QStringLiteral("Error calling: TPortableDevice.Create:IPortableDevice.Open : Unspecified error (0x80004005)"));
    EXPECT_EQ(manager->SelectedDevice(), nullptr);

    ASSERT_NE(manager->GetDevice(0), nullptr);
    Device(0).CloseResult = E_DEVICE_IO;
    EXPECT_EQ(RaisedMessage([&] { manager->GetDevice(-1); }),
              QStringLiteral("Error calling: TPortableDevice.Destroy:pDevice.Close : Input/output error (0x80070005)"));
    EXPECT_EQ(manager->SelectedDevice(), nullptr);
    EXPECT_EQ(Device(0).OpenConnections, 0);

    FList->ListResult = E_FAIL;
    EXPECT_EQ(RaisedMessage([&] { manager->Refresh(); }),
              QStringLiteral("Error calling: TPortableDeviceManager.Refresh:IDeviceManager.GetDevices: DeviceCount : "
                             "Unspecified error (0x80004005)"));
    EXPECT_EQ(manager->DeviceCount(), 2u); // the old list stays

    FList->NoService = true;
    EXPECT_EQ(RaisedMessage([&] { Manager(); }),
              QStringLiteral("Error calling: TPortableDeviceManager.Refresh: CoCreateInstance "
                             "CLSID_PortableDeviceManager : <Unknown error code>"));
}

TEST_F(ManagerTest, DeviceFactsAndNameTables)
{
    FList->Devices = {Entry("id1", "Camera")};
    FList->Devices[0].Manufacturer = QStringLiteral("Maker");
    FList->Devices[0].Description = QStringLiteral("A camera");
    TFakeObject &device = Device(0).Object(QStringLiteral("DEVICE"));
    device.Set(pkModel, TPropertyValue::FromText(QStringLiteral("M1")));
    device.Set(pkSerialNumber, TPropertyValue::FromText(QStringLiteral("123")));
    device.Set(pkProtocol, TPropertyValue::FromUInt32(3)); // another type: absent
    device.Set(pkPowerLevel, TPropertyValue::FromUInt32(87));
    device.Set(pkPowerSource, TPropertyValue::FromUInt32(1));
    device.Set(pkDeviceType, TPropertyValue::FromUInt32(3));
    auto manager = Manager();
    TPortableDevice *opened = manager->GetDevice(0);
    ASSERT_NE(opened, nullptr);
    EXPECT_EQ(opened->DeviceName(), QStringLiteral("Camera"));
    EXPECT_EQ(opened->Manufacturer(), QStringLiteral("Maker"));
    EXPECT_EQ(opened->Description(), QStringLiteral("A camera"));
    EXPECT_EQ(opened->Model(), QStringLiteral("M1"));
    EXPECT_EQ(opened->SerialNumber(), QStringLiteral("123"));
    EXPECT_EQ(opened->Protocol(), QString());
    EXPECT_EQ(opened->Firmware(), QString());
    EXPECT_EQ(opened->PowerLevel(), 87u);
    EXPECT_EQ(opened->PowerSourceAsString(), QStringLiteral("External"));
    EXPECT_EQ(opened->DeviceTypeAsString(), QStringLiteral("Phone"));
    EXPECT_EQ(opened->DeviceObject().ParentIndex(), 0);
    EXPECT_EQ(opened->DeviceObject().Level(), 0);
    EXPECT_TRUE(opened->Content().Refresh());
    EXPECT_EQ(opened->Content().GetObject(0)->ParentIndex(), -1);

    const char *sources[] = {"Battery", "External", "", ""};
    for (std::uint32_t value = 0; value < 4; ++value)
        EXPECT_EQ(PowerSourceName(value), QLatin1String(sources[value])) << value;
    const char *types[] = {"Generic",        "Camera", "Media Player",
                           "Phone",          "Video",  "Personal Information Manager",
                           "Audio Recorder", "",       ""};
    for (std::uint32_t value = 0; value < 9; ++value)
        EXPECT_EQ(DeviceTypeName(value), QLatin1String(types[value])) << value;

    FList->Devices[0].NameResult = E_FAIL;
    EXPECT_EQ(RaisedMessage([&] { opened->DeviceName(); }),
              QStringLiteral("Error calling: TPortableDevice.GetDeviceName:IDeviceManager.GetDeviceFriendlyName : "
                             "Unspecified error (0x80004005)"));
}
