#include "base/SafeFormat.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace {

std::string Std(const QString &text)
{
    return text.toStdString();
}

class SafeFormatTest : public ::testing::Test
{
protected:
    void TearDown() override { ResetFormatLocale(); }
};

} // namespace

TEST_F(SafeFormatTest, IntegersAndHex)
{
    EXPECT_EQ(Std(SafeFormat("%d files", 42)), "42 files");
    EXPECT_EQ(Std(SafeFormat("%.3d|%5d|%-5d|", -7, 12, 12)), "-007|   12|12   |");
    EXPECT_EQ(Std(SafeFormat("%u", -1)), "4294967295");
    EXPECT_EQ(Std(SafeFormat("(0x%.8x)", std::uint32_t{0x8007001C})), "(0x8007001C)");
    EXPECT_EQ(Std(SafeFormat("%.8x", -2)), "FFFFFFFE");
    EXPECT_EQ(Std(SafeFormat("%x", qint64{-1})), "FFFFFFFFFFFFFFFF");
    EXPECT_EQ(Std(SafeFormat("%x", 255)), "FF");
    EXPECT_EQ(Std(SafeFormat("%d", std::numeric_limits<qint64>::min())), "-9223372036854775808");
    EXPECT_EQ(Std(SafeFormat("%d", std::numeric_limits<quint64>::max())), "18446744073709551615");
}

TEST_F(SafeFormatTest, TextsIndexesAndPercent)
{
    EXPECT_EQ(Std(SafeFormat("%s: %s", QString("a"), "b")), "a: b");
    EXPECT_EQ(Std(SafeFormat("%.2s|%4s|%-4s|", "abc", "x", "y")), "ab|   x|y   |");
    EXPECT_EQ(Std(SafeFormat("%1:s %0:s %s", "a", "b", "c")), "b a b");
    EXPECT_EQ(Std(SafeFormat("%6:s", 0, 1, 2, 3, 4, 5, "six")), "six");
    EXPECT_EQ(Std(SafeFormat("100%% of %*d", 4, 7)), "100% of    7");
    EXPECT_EQ(Std(SafeFormat("no arguments")), "no arguments");
    EXPECT_EQ(Std(SafeFormat("%s", QString::fromUtf8("Bücher"))), "Bücher");
}

TEST_F(SafeFormatTest, NumbersUseTheLocaleSeparators)
{
    SetFormatLocale(QLocale::c());
    EXPECT_EQ(Std(SafeFormat("%.0n", 1234567)), "1,234,567");
    EXPECT_EQ(Std(SafeFormat("%.0n", 999)), "999");
    EXPECT_EQ(Std(SafeFormat("%.0n", -1234)), "-1,234");
    EXPECT_EQ(Std(SafeFormat("%.0n", qint64{12345678901234})), "12,345,678,901,234");
    EXPECT_EQ(Std(SafeFormat("%n", 1234.5)), "1,234.50");
    EXPECT_EQ(Std(SafeFormat("%.1f", 2.25e3)), "2250.0");
    EXPECT_EQ(Std(SafeFormat("%.0n", -0.2)), "0");
    SetFormatLocale(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(Std(SafeFormat("%.0n", 1234567)), "1.234.567");
    EXPECT_EQ(Std(SafeFormat("%.2n", 1234.5)), "1.234,50");
}

TEST_F(SafeFormatTest, NumbersThatAreNotFinite)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(Std(SafeFormat("%f|%n|%e|%g", nan, nan, nan, nan)), "NAN|NAN|NAN|NAN");
    EXPECT_EQ(Std(SafeFormat("%f|%n|%e|%g", inf, inf, inf, inf)), "INF|INF|INF|INF");
    EXPECT_EQ(Std(SafeFormat("%.1f|%6e|%g", -inf, -inf, -inf)), "-INF|  -INF|-INF");
}

TEST_F(SafeFormatTest, ErrorsGiveThePattern)
{
    const char *const patterns[] = {
        "%s and %s",  // too few arguments
        "%d",         // text for a number
        "%s%",        // pattern ends inside a specifier
        "%q",         // unknown type
        "%9:s",       // index beyond the arguments
        "%.0n",       // text for a number
        "%99999999d", // absurd width
    };
    for (const char *pattern : patterns)
        EXPECT_EQ(Std(SafeFormat(QString::fromUtf8(pattern), QString("x"))), std::string("Format error: ") + pattern)
            << pattern;
    EXPECT_EQ(Std(SafeFormat("%d", 1.5)), "Format error: %d");
    EXPECT_EQ(Std(SafeFormat("%d", true)), "Format error: %d");
    EXPECT_EQ(Std(SafeFormat("%s", QVariantList{QVariant()})), "Format error: %s");
}
