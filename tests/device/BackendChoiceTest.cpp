#include "device/BackendChoice.h"
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
