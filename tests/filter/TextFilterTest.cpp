#include "filter/TextFilter.h"

#include <gtest/gtest.h>

namespace {

std::string S(const QString &text)
{
    return text.toStdString();
}

QString Q(const char *text)
{
    return QString::fromUtf8(text);
}

} // namespace

TEST(TextFilter, NewFilterPassesEverything)
{
    TTextFilter filter;
    EXPECT_EQ(filter.Mode(), fmOff);
    EXPECT_FALSE(filter.Regular());
    EXPECT_EQ(S(filter.Filter()), "*");
    EXPECT_EQ(filter.Separator(), QLatin1Char('|'));
    EXPECT_TRUE(filter.MatchesFilter(Q("README")));
    EXPECT_TRUE(filter.MatchesFilter(QString()));

    filter.SetMode(fmInclude);
    EXPECT_TRUE(filter.MatchesFilter(Q("README")));
    EXPECT_TRUE(filter.MatchesFilter(Q("a.jpg")));
    filter.SetMode(fmExclude);
    EXPECT_FALSE(filter.MatchesFilter(Q("README")));
    EXPECT_FALSE(filter.MatchesFilter(Q("a.jpg")));
}

TEST(TextFilter, FileMaskRewriteOnWrite)
{
    const struct
    {
        const char *written;
        const char *stored;
    } cases[] = {
        {"*", "*.*"},
        {"*.", "*."},
        {"jpg|png", "jpg.*|png.*"},
        {"*.jpg|*.png", "*.jpg|*.png"},
        {"+*.jpg|!IMG*", "+*.jpg|!IMG*.*"},
        {"|a", ".*|a.*"},
        {"a|", "a.*"},
        {"a.b\\c", "a.b\\c.*"},
        {"x.y:z", "x.y:z.*"},
        {"", "*"},
    };
    for (const auto &c : cases) {
        TTextFilter filter;
        filter.SetFilter(Q(c.written));
        EXPECT_EQ(S(filter.Filter()), c.stored) << c.written;
    }

    TTextFilter plain(false, true);
    plain.SetFilter(Q("jpg|png"));
    EXPECT_EQ(S(plain.Filter()), "jpg|png");
}

TEST(TextFilter, MaskListMatching)
{
    const struct
    {
        const char *filter;
        TFilterMode mode;
        const char *name;
        bool passes;
    } cases[] = {
        {"*", fmInclude, "README", false}, // stored as "*.*"
        {"*", fmInclude, "a.txt", true},
        {"*.", fmInclude, "README", true},
        {"*.", fmInclude, "a.txt", false},
        {"*.*|*.", fmInclude, "README", true},
        {"*.*|*.", fmInclude, "a.txt", true},
        {"+*.jpg|!IMG*", fmInclude, "DSC1.jpg", true},
        {"+*.jpg|!IMG*", fmInclude, "IMG1.jpg", false},
        {"+*.jpg|!IMG*", fmInclude, "DSC1.png", false},
        {"*.jpg|!IMG*", fmInclude, "DSC1.jpg", true},
        {"*.jpg|!IMG*", fmInclude, "IMG1.jpg", true},
        {"*.jpg|!IMG*", fmInclude, "DSC1.png", true},
        {"*.JPG", fmInclude, "a.jpg", true},
        {"*.jpg", fmExclude, "a.jpg", false},
        {"*.jpg", fmExclude, "a.png", true},
        {"\xc3\xa4*", fmInclude, "\xc3\x84.txt", false}, // ä does not fold
        {" *.png", fmInclude, "a.png", false},
        {" *.png", fmInclude, " a.png", true},
        {"IMG_[0-4]*", fmInclude, "img_3.jpg", true},
        {"IMG_[0-4]*", fmInclude, "IMG_7.jpg", false},
    };
    for (const auto &c : cases) {
        TTextFilter filter;
        filter.SetFilter(Q(c.filter));
        filter.SetMode(c.mode);
        EXPECT_EQ(filter.MatchesFilter(Q(c.name)), c.passes) << c.filter << " / " << c.name;
    }
}

TEST(TextFilter, IllegalMaskLeavesMatchAll)
{
    for (const char *bad : {"[ab", "[]", "*.jpg|[]", "[-x]", "+[ab", "*.jpg|![]"}) {
        TTextFilter filter;
        filter.SetMode(fmInclude);
        filter.SetFilter(Q("*.png"));
        try {
            filter.SetFilter(Q(bad));
            ADD_FAILURE() << bad << " was accepted";
        } catch (const EFilterError &error) {
            EXPECT_EQ(S(error.Message()), "Illegal mask!");
        }
        EXPECT_EQ(S(filter.Filter()), "*") << bad;
        EXPECT_EQ(filter.Mode(), fmInclude);
        EXPECT_FALSE(filter.Regular());
    }
}

TEST(TextFilter, RegularExpressions)
{
    TTextFilter filter; // ignores case, like the program's own filter
    filter.SetRegular(true);
    filter.SetMode(fmInclude);
    EXPECT_EQ(S(filter.Filter()), ".");

    filter.SetFilter(Q("jpg$"));
    EXPECT_EQ(S(filter.Filter()), "jpg$");
    EXPECT_TRUE(filter.MatchesFilter(Q("a.JPG")));
    EXPECT_FALSE(filter.MatchesFilter(Q("a.jpg.bak")));
    EXPECT_TRUE(filter.MatchesFilter(Q("x jpg y.jpg")));
    // Not anchored: any part may match.
    filter.SetFilter(Q("G_\\d"));
    EXPECT_TRUE(filter.MatchesFilter(Q("IMG_1.jpg")));
    // Every Unicode line break ends a line: "$" matches before a final one.
    filter.SetFilter(Q("a$"));
    EXPECT_TRUE(filter.MatchesFilter(QString::fromUtf16(u"xa\u2028")));
    EXPECT_FALSE(filter.MatchesFilter(QString::fromUtf16(u"xa\u2028b")));
    // UTF mode: "." is one character, also beyond the BMP.
    filter.SetFilter(Q("^.$"));
    EXPECT_TRUE(filter.MatchesFilter(QString::fromUtf16(u"\U0001F600")));
    // An empty name finds nothing; a broken UTF-16 name does not match.
    filter.SetFilter(Q("x*"));
    EXPECT_FALSE(filter.MatchesFilter(QString()));
    EXPECT_FALSE(filter.MatchesFilter(QString(QChar(0xD800))));
    filter.SetMode(fmExclude);
    EXPECT_TRUE(filter.MatchesFilter(QString()));

    TTextFilter caseSensitive(true, false);
    caseSensitive.SetRegular(true);
    caseSensitive.SetMode(fmInclude);
    caseSensitive.SetFilter(Q("jpg$"));
    EXPECT_FALSE(caseSensitive.MatchesFilter(Q("a.JPG")));
    EXPECT_TRUE(caseSensitive.MatchesFilter(Q("a.jpg")));
}

TEST(TextFilter, IllegalRegularExpressionLeavesDot)
{
    TTextFilter filter;
    filter.SetRegular(true);
    filter.SetMode(fmExclude);
    filter.SetFilter(Q("abc"));
    try {
        filter.SetFilter(Q("("));
        ADD_FAILURE() << "\"(\" was accepted";
    } catch (const EFilterError &error) {
        EXPECT_EQ(S(error.Message()), "Illegal regular expression!");
    }
    EXPECT_EQ(S(filter.Filter()), ".");
    EXPECT_EQ(filter.Mode(), fmExclude);
    EXPECT_TRUE(filter.Regular());
    filter.SetFilter(QString());
    EXPECT_EQ(S(filter.Filter()), ".");
}

TEST(TextFilter, MaskListAndPatternAreIndependent)
{
    TTextFilter filter;
    filter.SetFilter(Q("*.jpg"));
    filter.SetRegular(true);
    EXPECT_EQ(S(filter.Filter()), ".");
    EXPECT_EQ(S(filter.MatchAll()), ".");
    filter.SetFilter(Q("png$"));
    filter.SetRegular(false);
    EXPECT_EQ(S(filter.Filter()), "*.jpg");
    EXPECT_EQ(S(filter.MatchAll()), "*");

    // Reset keeps the pattern and the separator.
    filter.SetSeparator(QLatin1Char(';'));
    filter.Reset();
    EXPECT_EQ(S(filter.Filter()), "*");
    filter.SetRegular(true);
    EXPECT_EQ(S(filter.Filter()), "png$");
    EXPECT_EQ(filter.Separator(), QLatin1Char(';'));
}

TEST(TextFilter, AssignCopiesMasksNotPattern)
{
    TTextFilter source;
    source.SetSeparator(QLatin1Char(';'));
    source.SetFilter(Q("*.jpg;*.png"));
    source.SetMode(fmExclude);
    source.SetRegular(true);
    source.SetFilter(Q("abc"));

    TTextFilter copy;
    copy.Assign(source);
    EXPECT_TRUE(copy.Regular());
    EXPECT_EQ(copy.Mode(), fmExclude);
    EXPECT_EQ(copy.Separator(), QLatin1Char(';'));
    EXPECT_EQ(S(copy.Filter()), ".");
    copy.SetRegular(false);
    EXPECT_EQ(S(copy.Filter()), "*.jpg;*.png");
    EXPECT_FALSE(copy.MatchesFilter(Q("a.png")));
    EXPECT_TRUE(copy.MatchesFilter(Q("a.gif")));
}

TEST(TextFilter, NextElement)
{
    QString list = Q("a|b||c");
    QStringList taken;
    while (!list.isEmpty())
        taken << TTextFilter::NextElement(list, QLatin1Char('|'));
    EXPECT_EQ(S(taken.join(QLatin1Char(','))), "a,b,,c");
    QString empty;
    EXPECT_TRUE(TTextFilter::NextElement(empty, QLatin1Char('|')).isEmpty());
}

TEST(TextFilter, StoredModes)
{
    EXPECT_EQ(FilterModeFromStored(0), fmOff);
    EXPECT_EQ(FilterModeFromStored(1), fmInclude);
    EXPECT_EQ(FilterModeFromStored(2), fmExclude);
    EXPECT_EQ(FilterModeFromStored(7), fmOff);
    EXPECT_EQ(FilterModeFromStored(-1), fmOff);
}
