#include "device/IdentifierTable.h"

#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

TEST(IdentifierTableTest, EntriesOfOneHashAreToldApartByTheirOwner)
{
    // Every entry in one probe run: only the predicate can pick the right one.
    const QStringList ids{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")};
    TIdentifierTable table;
    for (int i = 0; i < ids.size(); ++i)
        table.Insert(7, i);
    for (int i = 0; i < ids.size(); ++i)
        EXPECT_EQ(table.Find(7, [&](int index) { return ids[index] == ids[i]; }), i) << i;
    EXPECT_EQ(table.Find(7, [](int) { return false; }), -1);
    EXPECT_EQ(table.Find(8, [](int) { return true; }), -1);
}

TEST(IdentifierTableTest, GrowingKeepsEveryEntry)
{
    constexpr int Count = 100000;
    TIdentifierTable table;
    EXPECT_EQ(table.Find(0, [](int) { return true; }), -1);
    for (int i = 0; i < Count; ++i)
        table.Insert(std::uint32_t(i % 1000), i); // runs of a hundred entries per hash
    EXPECT_EQ(table.Count(), Count);
    for (int i : {0, 1, 999, 1000, 54321, Count - 1})
        EXPECT_EQ(table.Find(std::uint32_t(i % 1000), [i](int index) { return index == i; }), i) << i;
    table.Clear();
    EXPECT_EQ(table.Find(1, [](int) { return true; }), -1);
}

TEST(IdentifierTableTest, CaseInsensitiveHashesAgreeWhereComparisonDoes)
{
    struct TCase
    {
        const char16_t *A;
        const char16_t *B;
    };
    const TCase cases[] = {
        {u"o1a2B3", u"O1A2b3"},
        {u"\u00C4rger", u"\u00E4RGER"},     // Latin-1 letters
        {u"\u0394\u03A3", u"\u03B4\u03C3"}, // Greek
        {u"x\U00010400y", u"X\U00010428Y"}, // a letter outside the BMP, as a surrogate pair
        {u"\xD800", u"\xD800"},             // an unpaired surrogate
    };
    for (const TCase &c : cases) {
        const QString a = QString::fromUtf16(c.A), b = QString::fromUtf16(c.B);
        ASSERT_EQ(a.compare(b, Qt::CaseInsensitive), 0) << a.toStdString();
        EXPECT_EQ(TIdentifierTable::Hash(a, Qt::CaseInsensitive, 7), TIdentifierTable::Hash(b, Qt::CaseInsensitive, 7))
            << a.toStdString();
    }
    EXPECT_NE(TIdentifierTable::Hash(u"Abc", Qt::CaseSensitive, 7),
              TIdentifierTable::Hash(u"aBC", Qt::CaseSensitive, 7));
    EXPECT_NE(TIdentifierTable::Hash(u"ab", Qt::CaseInsensitive, 7),
              TIdentifierTable::Hash(u"ba", Qt::CaseInsensitive, 7));
    // The seed changes every hash, so slots cannot be foreseen from outside.
    EXPECT_NE(TIdentifierTable::Hash(u"o1", Qt::CaseSensitive, 1), TIdentifierTable::Hash(u"o1", Qt::CaseSensitive, 2));
}
