#include "filter/WildcardMask.h"

#include <gtest/gtest.h>

namespace {

struct MaskCase
{
    const char16_t *name;
    const char16_t *mask;
    bool expected;
};

std::string Utf8(const char16_t *text)
{
    return QString::fromUtf16(text).toStdString();
}

} // namespace

TEST(WildcardMask, MatchesTable)
{
    const MaskCase cases[] = {
        {u"", u"*", true},
        {u"", u"?", false},
        {u"abc", u"a*c", true},
        {u"ac", u"a*c", true},
        {u"abcbc", u"a*bc", true},
        {u"abcbd", u"a*bc", false},
        {u"a", u"*?", true}, // "?" after "*" adds nothing
        {u"", u"*?", true},
        {u"ab", u"??", true},
        {u"a", u"??", false},
        {u"A.JPG", u"*.jpg", true},
        {u"a.jpg", u"*.JPG", true},
        {u"\u00c4.txt", u"\u00e4.txt", false}, // only a-z fold
        {u"\u00e4.txt", u"\u00e4.txt", true},
        {u"b", u"[abc]", true},
        {u"B", u"[abc]", true},
        {u"d", u"[abc]", false},
        {u"d", u"[!abc]", true},
        {u"m", u"[a-z]", true},
        {u"M", u"[a-z]", true},
        {u"-", u"[a-]", true},
        {u"\u00e9", u"[\u00e0-\u00ff]", true},
        {u"\u20ac", u"[\u20ac]", false}, // above 255: never in a set
        {u"\u20ac", u"[!a]", true},      // and always in a negated one
        {u"\U0001F600", u"?", true},     // a surrogate pair is one character
        {u"\U0001F600x", u"?x", true},
        {u"\U0001F600", u"??", false},
        {u"\U0001F600", u"[!a]", true},
        {u"a\U0001F600b", u"a*b", true},
        {u"README", u"*.*", false},
        {u"README.", u"*.", true},
        {u" a.png", u" *.png", true},
        // head and tail around the stars must not overlap
        {u"a", u"a*a", false},
        {u"aa", u"a*a", true},
        {u"a", u"?*?", true}, // "*?" is "*"
        {u"a", u"?*[!x]", false},
        {u"ab", u"?*[!x]", true},
        {u"x\U0001F600", u"*?", true},
        {u"x\U0001F600", u"*x?", true},
        {u"\U0001F600\U0001F600", u"?*[!x]", true},
        {u"\U0001F600", u"?*[!x]", false},
        {u"ab\U0001F600cd", u"a*[!x]cd", true},
        {u"abc", u"abc*", true},
        {u"ab", u"abc*", false},
        {u"a.png", u" *.png", false},
    };
    for (const MaskCase &c : cases) {
        const std::optional<bool> result = MatchesMask(QString::fromUtf16(c.name), QString::fromUtf16(c.mask));
        ASSERT_TRUE(result.has_value()) << Utf8(c.mask);
        EXPECT_EQ(*result, c.expected) << Utf8(c.name) << " against " << Utf8(c.mask);
    }
}

TEST(WildcardMask, InvalidMasks)
{
    const char16_t *invalid[] = {u"[ab", u"[]", u"*[]*", u"[-a]", u"[!]", u"[", u"x[-]"};
    for (const char16_t *mask : invalid)
        EXPECT_FALSE(TWildcardMask::Compile(QString::fromUtf16(mask))) << Utf8(mask);
}

TEST(WildcardMask, AtMostThirtyStarGroups)
{
    QString thirty;
    for (int i = 0; i < 30; ++i)
        thirty += QStringLiteral("*a");
    EXPECT_TRUE(TWildcardMask::Compile(thirty));
    EXPECT_FALSE(TWildcardMask::Compile(thirty + QStringLiteral("*")));
    // Runs of stars, also with "?" between them, count once.
    EXPECT_FALSE(TWildcardMask::Compile(thirty + QStringLiteral("**?*")));
    EXPECT_TRUE(TWildcardMask::Compile(QString(100, QLatin1Char('*'))));
}

TEST(WildcardMask, ManyStarsStayFast)
{
    // Backtracking over many stars must not explode on a long non-matching name.
    const QString mask = QStringLiteral("*a*a*a*a*a*a*a*a*a*a*a*a*a*a*b");
    const QString name(5000, QLatin1Char('a'));
    EXPECT_EQ(MatchesMask(name, mask), false);
}

TEST(WildcardMask, LoneSurrogatesAreCharacters)
{
    const QString loneHigh(QChar(0xD800));
    const QString loneLowThenA = QString(QChar(0xDC00)) + QLatin1Char('a');
    EXPECT_EQ(MatchesMask(loneHigh, u"?"), true);
    EXPECT_EQ(MatchesMask(loneLowThenA, u"??"), true);
    EXPECT_EQ(MatchesMask(loneLowThenA, u"*a"), true);
    EXPECT_EQ(MatchesMask(QString(QChar(0xDC00)) + QChar(0xD800), u"*?"), true);
}
