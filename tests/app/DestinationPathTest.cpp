#include "app/DestinationPath.h"
#include "app/LocaleDates.h"
#include "device/LocalName.h"

#include <gtest/gtest.h>

TEST(DestinationPath, DeviceNamesBecomeOneHarmlessComponent)
{
    const struct
    {
        QString Name;
        QString Component;
    } cases[] = {
        {QStringLiteral("IMG_1.jpg"), QStringLiteral("IMG_1.jpg")},
        {QStringLiteral("a/b"), QStringLiteral("a_b")},
        {QStringLiteral("/etc/passwd"), QStringLiteral("_etc_passwd")},
        {QStringLiteral("../../x"), QStringLiteral(".._.._x")},
        {QStringLiteral("."), QStringLiteral("_")},
        {QStringLiteral(".."), QStringLiteral("__")},
        {QString(), QStringLiteral("_")},
        {QStringLiteral("a") + QChar(u'\0') + QStringLiteral("b"), QStringLiteral("a_b")},
        {QStringLiteral("..."), QStringLiteral("...")},
        {QStringLiteral("back\\slash"), QStringLiteral("back\\slash")},
    };
    for (const auto &c : cases)
        EXPECT_EQ(LocalNameOf(c.Name), c.Component) << qPrintable(c.Name);
}

TEST(DestinationPath, JoinPath)
{
    EXPECT_EQ(JoinPath(QStringLiteral("/a"), QStringLiteral("b")), QStringLiteral("/a/b"));
    EXPECT_EQ(JoinPath(QStringLiteral("/a/"), QStringLiteral("b")), QStringLiteral("/a/b"));
    EXPECT_EQ(JoinPath(QString(), QStringLiteral("b")), QStringLiteral("b"));
    EXPECT_EQ(JoinPath(QStringLiteral("/a"), QString()), QStringLiteral("/a"));
}

TEST(LocaleDates, TextsReadBackToTheSameValues)
{
    for (TDateTime date : {1.0, 36526.0, 46000.0, 73050.0}) {
        TDateTime read = 0;
        ASSERT_TRUE(ParseDateText(DateText(date), read)) << qPrintable(DateText(date));
        EXPECT_DOUBLE_EQ(read, date);
    }
    for (TDateTime time : {0.0, 0.25, 0.5 + 1.0 / 86400, 86399.0 / 86400}) {
        TDateTime read = -1;
        ASSERT_TRUE(ParseTimeText(TimeText(time), read)) << qPrintable(TimeText(time));
        EXPECT_NEAR(read, time, 1e-9);
    }
    TDateTime untouched = 5;
    EXPECT_FALSE(ParseDateText(QStringLiteral("31/31/31x"), untouched));
    EXPECT_FALSE(ParseTimeText(QStringLiteral("25:61"), untouched));
    EXPECT_EQ(untouched, 5);
    EXPECT_EQ(QtToDateTime(DateTimeToQt(46000.75)), 46000.75);
}
