#include "env/ProgramVersion.h"

#include <gtest/gtest.h>

TEST(VersionLine, CutsToParts)
{
    struct Case
    {
        const char *version;
        int parts;
        const char *expected;
    };
    const Case cases[] = {
        {"1.3.3.0", 3, "Version 1.3.3"},
        {"1.3.3.0", 4, "Version 1.3.3.0"},
        {"1.3.3.0", 2, "Version 1.3"},
        {"1.3", 3, "Version 1.3"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(VersionLine(QString::fromLatin1(c.version), c.parts).toStdString(), c.expected)
            << c.version << " " << c.parts;
}

TEST(ProgramVersion, FixedAtBuildTime)
{
    EXPECT_EQ(ProgramVersion().toStdString(), TESSARIL_PROJECT_VERSION);
}
