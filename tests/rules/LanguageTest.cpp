#include "app/Language.h"

#include <gtest/gtest.h>

TEST(Language, PrimaryLanguageTable)
{
    int entries = 0;
    for (int primary = 0; primary < 1024; ++primary) {
        if (PrimaryLanguageOfCode(LanguageCodeOfPrimaryLanguage(primary)) == primary)
            ++entries;
    }
    EXPECT_EQ(entries, 82);
    const struct
    {
        int primary;
        const char *code;
    } cases[] = {{1, "ar"},  {7, "de"},   {9, "en"}, {13, "en"}, {20, "no"},
                 {26, "hr"}, {146, "ku"}, {0, "en"}, {999, "en"}};
    for (const auto &c : cases)
        EXPECT_EQ(LanguageCodeOfPrimaryLanguage(c.primary).toStdString(), c.code) << c.primary;
}

TEST(Language, SystemLanguage)
{
    const struct
    {
        QLocale locale;
        const char *code;
    } cases[] = {
        {QLocale(QLocale::German, QLocale::Austria), "de"},
        {QLocale(QLocale::NorwegianBokmal), "no"},
        {QLocale(QLocale::Serbian), "hr"},
        {QLocale(QLocale::Hebrew), "en"}, // number 13 has no entry
        {QLocale::c(), "en"},
        {QLocale(QLocale::Japanese), "ja"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(SystemLanguageCode(c.locale).toStdString(), c.code) << c.locale.name().toStdString();
}

TEST(Language, Choice)
{
    const QLocale french(QLocale::French);
    TLanguageChoice choice = ChooseLanguage(QStringLiteral("ge"), QStringLiteral("it"), french);
    EXPECT_EQ(choice.Code.toStdString(), "ge");
    EXPECT_TRUE(choice.Given);
    choice = ChooseLanguage(QString(), QStringLiteral("itx"), french);
    EXPECT_EQ(choice.Code.toStdString(), "it");
    EXPECT_FALSE(choice.Given);
    choice = ChooseLanguage(QString(), QString(), french);
    EXPECT_EQ(choice.Code.toStdString(), "fr");
    EXPECT_FALSE(choice.Given);
}
