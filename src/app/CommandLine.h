#pragma once

#include "env/FamilySystem.h"

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <optional>

// One command-line option: the text after the leading "/" or "-", split at
// the first ":" into key and value.
struct TCommandOption
{
    QString Key;
    QString Value;
    bool HasValue = false;
};

// The option in an argument, or none when the argument is not an option
// (it then names a task file). An empty argument is neither.
std::optional<TCommandOption> ParseCommandOption(const QString &argument);

// An option matches a word when, without regard to case, it equals the
// word's first as many characters as it has ("f", "FO" and "force" mean
// force; "forced" matches nothing; the empty option matches every word).
bool OptionMatches(const QString &option, const QString &word);

// The value of the last option of `args` whose key matches `word` and that
// has a value ("/design:dark"); empty when there is none.
QString CommandOptionValue(const QStringList &args, const QString &word);

// The first pass, before any window exists: "lang", "ini", "portable".
struct TStartOptions
{
    QString Language;                // the first two characters of the lang value, lower case
    QString IniPath;                 // environment names already replaced; the last one counts
    bool IniGiven = false;           // an ini path was given, or portable came before any ini
    bool IniIsProgramFolder = false; // portable before any ini: the ini path is the program's folder
    bool Portable = false;
};
// `args` are the arguments after the program file.
TStartOptions ParseStartOptions(const QStringList &args, const QProcessEnvironment &variables);

// The second pass: "dark", "close", "force", and the task file argument.
struct TRunOptions
{
    bool UseDarkMode = false;
    bool CloseProg = false;
    bool ForceTask = false;
    QString TaskArgument; // the last argument that is not an option, as given
};
TRunOptions ParseRunOptions(const QStringList &args);

// Replaces every "%name%" by the environment variable of that name, by
// nothing when it is not set.
QString ExpandEnvironmentNames(const QString &text, const QProcessEnvironment &variables);

// The folder placeholders of a task file argument, in the order of
// replacement, each with its Linux value (see docs/platform.md).
QList<QPair<QString, QString>> TaskFolderPlaceholders(const TSystemEnvironment &env);

// The task file named by a command-line argument: folder placeholders
// replaced, a relative name placed in `jobDir` (with trailing "/"), and
// ".tsj" added unless the extension is "tsj" in any case ("day.txt" becomes
// "day.txt.tsj"; a trailing "." is dropped first). Empty for an empty argument.
QString TaskFileName(const QString &argument, const QString &jobDir, const TSystemEnvironment &env);
