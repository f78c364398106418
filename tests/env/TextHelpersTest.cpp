#include "base/SafeFormat.h"
#include "base/TrimText.h"
#include "env/CommaText.h"
#include "env/History.h"
#include "env/LocaleText.h"
#include "env/PluralText.h"
#include "env/ProgramVersion.h"
#include "env/SizeText.h"
#include "settings/IniFile.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

std::string Std(const QString &text)
{
    return text.toStdString();
}

class LocaleTest : public ::testing::Test
{
protected:
    void SetUp() override { SetFormatLocale(QLocale::c()); }
    void TearDown() override { ResetFormatLocale(); }
};

} // namespace

TEST(CommaText, Writing)
{
    EXPECT_EQ(Std(ToCommaText({})), "");
    EXPECT_EQ(Std(ToCommaText({""})), "\"\"");
    EXPECT_EQ(Std(ToCommaText({"jpg", "png", "mp4"})), "jpg,png,mp4");
    EXPECT_EQ(Std(ToCommaText({"a b", "c,d", "say \"hi\"", "", "tab\there"})),
              "\"a b\",\"c,d\",\"say \"\"hi\"\"\",,\"tab\there\"");
}

TEST(CommaText, Reading)
{
    struct Case
    {
        const char *text;
        QStringList expected;
    };
    const Case cases[] = {
        {"", {}},
        {"\"\"", {""}},
        {"jpg,png", {"jpg", "png"}},
        {"  jpg , png", {"jpg", "png"}},
        {"a b,c", {"a", "b", "c"}},
        {"a,,b", {"a", "", "b"}},
        {"a,", {"a", ""}},
        {",", {"", ""}},
        {"\"a b\",\"c,d\",\"say \"\"hi\"\"\"", {"a b", "c,d", "say \"hi\""}},
        {"\"open", {"open"}},
        {"\"x\"y", {"x", "y"}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(FromCommaText(QString::fromUtf8(c.text)), c.expected) << c.text;
    const QStringList roundTrip{"", "a b", "\"", ",", "ü"};
    EXPECT_EQ(FromCommaText(ToCommaText(roundTrip)), roundTrip);
}

TEST(TrimControls, BothEndsUpToBlank)
{
    const char16_t controls[] = {u' ', u'\t', u'\r', u'\n', 0x01, 0, u'a', u' ', u'b', 0x1F, u' ', 0x7F, u'\n'};
    EXPECT_EQ(TrimControls(QStringView(controls, std::size(controls))).toString(),
              QString::fromUtf16(controls + 6, 6)); // inner blanks and DEL stay
    EXPECT_TRUE(TrimControls(u" \t ").isEmpty());
    EXPECT_TRUE(TrimControls(QStringView()).isEmpty());
}

TEST_F(LocaleTest, FormatSize)
{
    struct Case
    {
        std::int64_t size;
        const char *text;
    };
    const Case cases[] = {
        {0, "0 B"},
        {1023, "1023 B"},
        {1024, "1.00 KiB"},
        {10240, "10.0 KiB"},
        {102400, "100 KiB"},
        {1572864, "1.50 MiB"},
        {1024LL * 1024 * 1024, "1.00 GiB"},
        {1024LL * 1024 * 1024 * 1024, "1024.00 GiB"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(Std(FormatSize(c.size)), c.text) << c.size;
    SetFormatLocale(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(Std(FormatSize(1572864)), "1,50 MiB");
}

TEST_F(LocaleTest, ParseSize)
{
    struct Case
    {
        const char *text;
        std::int64_t size;
    };
    const Case cases[] = {
        {"1.50 MiB", 1572864},
        {"2 kB", 2000},
        {"512 B", 512},
        {"3T", 3000000000000LL},
        {"", 0},
        {" 7 ", 7},
        {"1 KiB", 1024},
        {"1.00 GiB", 1073741824},
        {"1024.00 GiB", 1099511627776LL},
        {"5k", 5000},
        {"2.5", 2},
    };
    for (const Case &c : cases) {
        std::int64_t size = -1;
        EXPECT_TRUE(ParseSize(QString::fromUtf8(c.text), size)) << c.text;
        EXPECT_EQ(size, c.size) << c.text;
    }
    for (const char *bad : {"1.5 X", "B", "abc", "1,000", "99999999999 T", "1.2.3 K"}) {
        std::int64_t size = -1;
        EXPECT_FALSE(ParseSize(QString::fromUtf8(bad), size)) << bad;
    }
    // Every size text reads back close to its size.
    for (std::int64_t size : {0LL, 1023LL, 5000LL, 123456789LL, 987654321012LL}) {
        std::int64_t back = -1;
        ASSERT_TRUE(ParseSize(FormatSize(size), back)) << size;
        EXPECT_NEAR(double(back), double(size), double(size) * 0.006) << size;
    }
    SetFormatLocale(QLocale(QLocale::German, QLocale::Germany));
    std::int64_t size = 0;
    EXPECT_TRUE(ParseSize("1,50 MiB", size));
    EXPECT_EQ(size, 1572864);
}

TEST_F(LocaleTest, CompareSizeAndDateTexts)
{
    EXPECT_EQ(CompareSizeTexts("2 KiB", "1023 B"), 1);
    EXPECT_EQ(CompareSizeTexts("1.00 KiB", "1024 B"), 0);
    EXPECT_EQ(CompareSizeTexts("junk", "1 B"), -1);
    EXPECT_EQ(CompareSizeTexts("junk", "0 B"), 0);

    const QString earlier = DateTimeText(QDateTime(QDate(2026, 3, 5), QTime(14, 7, 59)));
    const QString later = DateTimeText(QDateTime(QDate(2026, 3, 5), QTime(14, 8, 0)));
    const QString midnight = DateTimeText(QDateTime(QDate(2026, 3, 6), QTime(0, 0)));
    EXPECT_EQ(Std(earlier), "5 Mar 2026 14:07:59");
    EXPECT_EQ(Std(midnight), "6 Mar 2026");
    EXPECT_EQ(CompareDateTexts(earlier, later), -1);
    EXPECT_EQ(CompareDateTexts(midnight, later), 1);
    EXPECT_EQ(CompareDateTexts(later, later), 0);
    EXPECT_EQ(CompareDateTexts("not a date", earlier), -1);
}

TEST_F(LocaleTest, LocaleDatesKeepTheCentury)
{
    SetFormatLocale(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(Std(DateText(QDate(2026, 3, 5))), "05.03.2026");
    EXPECT_EQ(Std(TimeText(QTime(7, 8, 9))), "07:08:09");
    QDate date;
    ASSERT_TRUE(ParseDateText("05.03.26", date));
    EXPECT_EQ(date, QDate(2026, 3, 5));
    ASSERT_TRUE(ParseDateText("05.03.2026", date));
    EXPECT_EQ(date, QDate(2026, 3, 5));
    QTime time;
    ASSERT_TRUE(ParseTimeText("07:08", time));
    EXPECT_EQ(time, QTime(7, 8));
    QDateTime dateTime;
    ASSERT_TRUE(ParseDateTimeText("05.03.2026 07:08:09", dateTime));
    EXPECT_EQ(dateTime, QDateTime(QDate(2026, 3, 5), QTime(7, 8, 9)));
    EXPECT_FALSE(ParseDateText("31.02.2026", date));
}

TEST_F(LocaleTest, PluralText)
{
    const QString none = "No files copied", one = "1 file copied", many = "%u files copied";
    EXPECT_EQ(Std(PluralText(none, one, many, 0)), "No files copied");
    EXPECT_EQ(Std(PluralText("", one, many, 0)), "0 files copied");
    EXPECT_EQ(Std(PluralText(none, one, many, 1)), "1 file copied");
    EXPECT_EQ(Std(PluralText(none, one, many, 9999)), "9999 files copied");
    EXPECT_EQ(Std(PluralText(none, one, many, 12345)), "12,345 files copied");
    EXPECT_EQ(Std(PluralText(none, one, many, 12345, false)), "12345 files copied");
    EXPECT_EQ(Std(PluralText(none, one, "%s files", 5)), "Format error: %s files");
    SetFormatLocale(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(Std(PluralText(none, one, many, 1234567)), "1.234.567 files copied");
}

TEST(History, AddMovesAndBounds)
{
    QStringList list;
    AddToHistory(list, "");
    EXPECT_TRUE(list.isEmpty());
    for (int i = 0; i < 15; ++i)
        AddToHistory(list, QStringLiteral("/backup/%1").arg(i));
    ASSERT_EQ(list.size(), 15);
    AddToHistory(list, "/backup/new");
    EXPECT_EQ(list.size(), 15);
    EXPECT_EQ(Std(list.first()), "/backup/new");
    EXPECT_FALSE(list.contains("/backup/0")) << "the oldest entry stays";
    AddToHistory(list, "/BACKUP/7");
    EXPECT_EQ(list.size(), 15);
    EXPECT_EQ(Std(list.first()), "/BACKUP/7");
    EXPECT_FALSE(list.contains("/backup/7"));
}

TEST(History, SaveAndLoad)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("Tessaril.ini");
    {
        TMemIniFile ini(file);
        ini.WriteString("DestHistory", "History0", "/a");
        ini.WriteString("DestHistory", "History2", "/c");
        ini.WriteString("Other", "Keep", "1");
        ini.UpdateFile();
    }
    QStringList list{"unchanged"};
    LoadHistory(file, "Missing", list);
    EXPECT_EQ(list, QStringList({"unchanged"}));
    LoadHistory(file, "desthistory", list);
    EXPECT_EQ(list, QStringList({"/a", "/c"}));

    SaveHistory(file, "DestHistory", true, {"/x", "/y", "/z"}, 2);
    EXPECT_EQ(TMemIniFile(file).ReadSectionValues("DestHistory"), QStringList({"History0=/x", "History1=/y"}));
    EXPECT_EQ(TMemIniFile(file).ReadInteger("Other", "Keep", 0), 1);
    LoadHistory(file, "DestHistory", list);
    EXPECT_EQ(list, QStringList({"/x", "/y"}));

    // Without erasing, entries beyond the new list stay.
    SaveHistory(file, "DestHistory", false, {"/n"});
    LoadHistory(file, "DestHistory", list);
    EXPECT_EQ(list, QStringList({"/n", "/y"}));

    list = {"kept"};
    LoadHistory(dir.path(), "DestHistory", list); // a folder cannot be read: the list stays
    EXPECT_EQ(list, QStringList({"kept"}));
}

TEST(Caption, TextsOfTheWindow)
{
    EXPECT_EQ(Std(CaptionText("", "/home/user/Jobs/Phone.tsj")), "Tessaril [Phone.tsj]");
    EXPECT_EQ(Std(CaptionText("Backup files from a portable device", "")),
              "Tessaril - Backup files from a portable device");
    EXPECT_EQ(Std(CaptionText("Backup files from a portable device", "daily")),
              "Tessaril - Backup files from a portable device [daily]");
    EXPECT_EQ(Std(BitnessText()), sizeof(void *) == 8 ? " - 64-bit" : " - 32-bit");
}
