#include "device/BackendChoice.h"
#include "device/DeviceServices.h"
#include "support/EnvironmentGuard.h"

#include <gtest/gtest.h>

TEST(BackendChoice, NamesChooseTheBackends)
{
    struct TCase
    {
        const char *Name;
        bool Known;
        bool Mtp;
        bool Simulated;
        bool Ptp;
    };
    const TCase cases[] = {
        {"", true, true, true, true},
        {"all", true, true, true, true},
        {" MTP ", true, true, false, false},
        {"sim", true, false, true, false},
        {"ptp", true, false, false, true},
        {"mtp, ptp", true, true, false, true},
        {"usb", false, false, false, false},
        {"mtp,", false, false, false, false},
        {"mtp,usb", false, false, false, false},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Name);
        TBackendChoice choice{false, false, false};
        ASSERT_EQ(ParseBackendChoice(QString::fromUtf8(c.Name), choice), c.Known);
        if (!c.Known)
            continue;
        EXPECT_EQ(choice.Mtp, c.Mtp);
        EXPECT_EQ(choice.Simulated, c.Simulated);
        EXPECT_EQ(choice.Ptp, c.Ptp);
    }
}

TEST(BackendChoice, EnvironmentAndOverride)
{
    const TEnvironmentGuard backends("TESSARIL_BACKENDS", "sim");
    EXPECT_FALSE(DeviceBackendChoice().Mtp);
    EXPECT_TRUE(DeviceBackendChoice().Simulated);
    EXPECT_FALSE(SetDeviceBackends(QStringLiteral("nonsense")));
    EXPECT_FALSE(DeviceBackendChoice().Mtp);
    ASSERT_TRUE(SetDeviceBackends(QStringLiteral("mtp")));
    EXPECT_TRUE(DeviceBackendChoice().Mtp);
    EXPECT_FALSE(DeviceBackendChoice().Simulated);
    EXPECT_FALSE(DeviceBackendChoice().Ptp);
    ASSERT_TRUE(SetDeviceBackends(QStringLiteral("ptp,sim")));
    EXPECT_TRUE(DeviceBackendChoice().Ptp);
    EXPECT_TRUE(DeviceBackendChoice().Simulated);
    ResetDeviceBackends();
    EXPECT_FALSE(DeviceBackendChoice().Mtp);
}

TEST(BackendChoice, UsbLocationOfADeviceID)
{
    // One USB device seen through libmtp and libgphoto2 is listed once; only a
    // well-formed location may make two identifiers one device.
    struct TCase
    {
        const char *ID;
        bool Usb;
        unsigned Bus;
        unsigned Address;
    };
    const TCase cases[] = {
        {"mtp:usb-1-4", true, 1, 4},
        {"ptp:usb-2-17", true, 2, 17},
        {"mtp:usb-001-127:0123456789abcdef", true, 1, 127},
        {"mtp:usb-3-9:", true, 3, 9},
        {"sim:usb-1-4", false, 0, 0},
        {"mtp:usb-1-45678", false, 0, 0},
        {"mtp:usb-1234-5", false, 0, 0},
        {"mtp:usb-1-4x", false, 0, 0},
        {"mtp:usb--4", false, 0, 0},
        {"mtp:usb-1-", false, 0, 0},
        {"mtp:usb-1", false, 0, 0},
        {"MTP:usb-1-4", false, 0, 0},
        {"mtp:usb-\xd9\xa1-4", false, 0, 0}, // an Arabic-Indic digit is no bus number
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.ID);
        unsigned bus = 99;
        unsigned address = 99;
        EXPECT_EQ(UsbLocationOfDeviceID(QString::fromUtf8(c.ID), bus, address), c.Usb);
        EXPECT_EQ(bus, c.Bus);
        EXPECT_EQ(address, c.Address);
    }
}
