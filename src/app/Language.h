#pragma once

#include <QLocale>
#include <QString>

// The ISO 639-1 code of a primary language number of the language table
// (82 entries); "en" for a number without an entry.
QString LanguageCodeOfPrimaryLanguage(int primaryLanguage);

// The primary language number of an ISO 639-1 code, 0 when the table has none.
// Norwegian Bokmål and Nynorsk count as Norwegian, Serbian and Bosnian as
// Croatian, as they share one number.
int PrimaryLanguageOfCode(const QString &code);

// The user-interface language that the system suggests: the locale's
// language when the table knows it, else "en".
QString SystemLanguageCode(const QLocale &locale = QLocale::system());

struct TLanguageChoice
{
    QString Code;       // two characters
    bool Given = false; // taken from the command line
};

// The command line's lang value, else the family configuration's "LangID",
// else the system's language; each cut to two characters.
TLanguageChoice ChooseLanguage(const QString &optionLanguage, const QString &familyLangId,
                               const QLocale &system = QLocale::system());
