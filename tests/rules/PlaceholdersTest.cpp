#include "app/Placeholders.h"

#include <QSet>

#include <gtest/gtest.h>

namespace {

std::string Expand(const char *text, const QDate &today, const char *device = "MyPhone")
{
    return ExpandDestPlaceholders(QString::fromUtf8(text), QString::fromUtf8(device), today, QLocale::c())
        .toStdString();
}

} // namespace

TEST(Placeholders, ExpandsInAnyCase)
{
    const QDate day(2026, 12, 8); // a Tuesday
    EXPECT_EQ(Expand("D:/Backup/%device%/%date%", day), "D:/Backup/MyPhone/2026-12-08");
    EXPECT_EQ(Expand("%DATE%|%Date%", day), "2026-12-08|2026-12-08");
    EXPECT_EQ(Expand("/plain/folder", day), "/plain/folder");
    EXPECT_EQ(Expand("%dow% %ldow% %dnw% %day% %week% %dom% %wom% %month% %lmonth% %year%", day),
              "Tue Tuesday 2 342 50 08 2 12 December 2026");
    EXPECT_EQ(Expand("%unknown%", day), "%unknown%");
}

TEST(Placeholders, YearAndWeek)
{
    const struct
    {
        QDate day;
        const char *yaw;
    } cases[] = {
        {QDate(2027, 1, 1), "2026-53"},   // Friday in ISO week 53 of 2026
        {QDate(2024, 12, 30), "2024-01"}, // Monday in ISO week 1 of 2025: the year stays
        {QDate(2027, 1, 4), "2027-01"},
        {QDate(2026, 6, 15), "2026-25"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(Expand("%yaw%", c.day), c.yaw) << c.day.toString(Qt::ISODate).toStdString();
}

TEST(Placeholders, DayNumbers)
{
    EXPECT_EQ(Expand("%dnw%", QDate(2026, 12, 13)), "7"); // Sunday
    EXPECT_EQ(Expand("%day%", QDate(2027, 1, 1)), "001");
    EXPECT_EQ(Expand("%day%", QDate(2024, 12, 31)), "366");
}

TEST(Placeholders, WeekOfMonth)
{
    const struct
    {
        QDate day;
        int week;
    } cases[] = {
        {QDate(2026, 12, 1), 1},                           // Tuesday; its Thursday is 3 December
        {QDate(2026, 12, 7), 2}, {QDate(2026, 12, 31), 5}, // Thursday
        {QDate(2027, 1, 1), 5},                            // Friday; its Thursday is 31 December
        {QDate(2027, 1, 3), 5},  {QDate(2027, 1, 4), 1},   {QDate(2026, 9, 28), 1}, // Monday; its Thursday is 1 October
        {QDate(2026, 9, 30), 1},
    };
    for (const auto &c : cases)
        EXPECT_EQ(WeekOfMonth(c.day), c.week) << c.day.toString(Qt::ISODate).toStdString();
}

TEST(Placeholders, LocaleNamesLoseTheirDots)
{
    const QLocale german(QLocale::German, QLocale::Germany);
    const QDate sunday(2026, 12, 13);
    const QString dow = ExpandDestPlaceholders(QStringLiteral("%dow%"), QString(), sunday, german);
    EXPECT_FALSE(dow.contains(QLatin1Char('.')));
    EXPECT_EQ(dow, german.dayName(7, QLocale::ShortFormat).remove(QLatin1Char('.')));
    EXPECT_EQ(ExpandDestPlaceholders(QStringLiteral("%lmonth%"), QString(), QDate(2026, 3, 1), german).toStdString(),
              "M\xc3\xa4rz");
}

TEST(Placeholders, DeviceNameStaysOneComponent)
{
    const QDate day(2026, 12, 8);
    EXPECT_EQ(Expand("/b/%device%/x", day, ".."), "/b/__/x");
    EXPECT_EQ(Expand("/b/%device%/x", day, "../../etc"), "/b/.._.._etc/x");
    EXPECT_EQ(Expand("/b/%device%/x", day, "Pixel 7"), "/b/Pixel 7/x");
    EXPECT_EQ(Expand("/b/%device%/x", day, "."), "/b/_/x");
    EXPECT_EQ(Expand("/b/%device%/x", day, "..."), "/b/.../x"); // a name, not a way up
    EXPECT_EQ(Expand("/b/%device%/x", day, ""), "/b//x");
}

TEST(DestStartFolder, CutsAndWalksUp)
{
    const QSet<QString> existing = {QStringLiteral("/"), QStringLiteral("/home/u"), QStringLiteral("/home/u/Backup/"),
                                    QStringLiteral("/media")};
    const auto exists = [&](const QString &path) { return existing.contains(path); };
    const struct
    {
        const char *text;
        const char *start;
    } cases[] = {
        {"/home/u/Backup/%device%/%date%", "/home/u/Backup/"},
        {"/home/u/Backup/x%date%/y", "/home/u/Backup/"},
        {"/home/u/Missing/%device%", "/home/u"},
        {"/home/u/a/b/c", "/home/u"},
        {"/nowhere/deep", "/"},
        {"~/Backup/%date%", "/home/u/Backup/"},
        {"%device%/x", ""},
        {"relative/path", ""},
        {"", ""},
        {"/media", "/media"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(DestStartFolder(QString::fromUtf8(c.text), QStringLiteral("/home/u"), exists).toStdString(), c.start)
            << c.text;

    const auto nothingExists = [](const QString &) { return false; };
    EXPECT_TRUE(DestStartFolder(QStringLiteral("/a/b"), QString(), nothingExists).isEmpty());
}

TEST(DestStartFolder, OnTheRealFileSystem)
{
    EXPECT_EQ(DestStartFolder(QStringLiteral("/%device%/x")).toStdString(), "/");
    EXPECT_EQ(DestStartFolder(QStringLiteral("/proc/self/no-such-folder/%date%")).toStdString(), "/proc/self");
}
