#include "app/Language.h"

#include <array>
#include <utility>

namespace {

struct TLanguageEntry
{
    int Primary;
    const char *Code;
};

constexpr std::array<TLanguageEntry, 82> LanguageTable = {{
    {1, "ar"},   {2, "bg"},   {3, "ca"},   {4, "zh"},   {5, "cs"},   {6, "da"},   {7, "de"},   {8, "el"},   {9, "en"},
    {10, "es"},  {11, "fi"},  {12, "fr"},  {14, "hu"},  {15, "is"},  {16, "it"},  {17, "ja"},  {18, "ko"},  {19, "nl"},
    {20, "no"},  {21, "pl"},  {22, "pt"},  {23, "rm"},  {24, "ro"},  {25, "ru"},  {26, "hr"},  {27, "sk"},  {28, "sq"},
    {29, "sv"},  {30, "th"},  {31, "tr"},  {32, "ur"},  {33, "id"},  {34, "uk"},  {35, "be"},  {36, "sl"},  {37, "et"},
    {38, "lv"},  {39, "lt"},  {41, "fa"},  {42, "vi"},  {43, "hy"},  {47, "mk"},  {48, "st"},  {51, "ve"},  {52, "xh"},
    {53, "zu"},  {54, "af"},  {55, "ka"},  {56, "fo"},  {57, "hi"},  {58, "mt"},  {59, "se"},  {60, "ga"},  {63, "kk"},
    {64, "ky"},  {65, "sw"},  {66, "tk"},  {67, "uz"},  {68, "tt"},  {70, "pa"},  {72, "or"},  {73, "ta"},  {79, "sa"},
    {80, "mn"},  {81, "bo"},  {82, "cy"},  {84, "lo"},  {86, "gl"},  {97, "ne"},  {98, "fy"},  {99, "ps"},  {106, "yo"},
    {110, "lb"}, {114, "om"}, {119, "so"}, {120, "ii"}, {128, "ug"}, {129, "mi"}, {131, "co"}, {136, "wo"}, {145, "gd"},
    {146, "ku"},
}};

// Codes that share a primary language number with a code of the table.
constexpr std::array<std::pair<const char *, const char *>, 4> CodeAliases = {{
    {"nb", "no"},
    {"nn", "no"},
    {"sr", "hr"},
    {"bs", "hr"},
}};

const QString English = QStringLiteral("en");

} // namespace

QString LanguageCodeOfPrimaryLanguage(int primaryLanguage)
{
    for (const TLanguageEntry &entry : LanguageTable) {
        if (entry.Primary == primaryLanguage)
            return QString::fromLatin1(entry.Code);
    }
    return English;
}

int PrimaryLanguageOfCode(const QString &code)
{
    QString wanted = code.toLower();
    for (const auto &[alias, target] : CodeAliases) {
        if (wanted == QLatin1String(alias))
            wanted = QString::fromLatin1(target);
    }
    for (const TLanguageEntry &entry : LanguageTable) {
        if (wanted == QLatin1String(entry.Code))
            return entry.Primary;
    }
    return 0;
}

QString SystemLanguageCode(const QLocale &locale)
{
    if (locale.language() == QLocale::C)
        return English;
    const QString code = QLocale::languageToCode(locale.language(), QLocale::ISO639Part1);
    return LanguageCodeOfPrimaryLanguage(PrimaryLanguageOfCode(code));
}

TLanguageChoice ChooseLanguage(const QString &optionLanguage, const QString &familyLangId, const QLocale &system)
{
    if (!optionLanguage.isEmpty())
        return {optionLanguage.left(2), true};
    if (!familyLangId.isEmpty())
        return {familyLangId.left(2), false};
    return {SystemLanguageCode(system), false};
}
