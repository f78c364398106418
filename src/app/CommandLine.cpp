#include "app/CommandLine.h"

#include <QFileInfo>

namespace {

const QString OptionLang = QStringLiteral("lang");
const QString OptionIni = QStringLiteral("ini");
const QString OptionPortable = QStringLiteral("portable");
const QString OptionDark = QStringLiteral("dark");
const QString OptionClose = QStringLiteral("close");
const QString OptionForce = QStringLiteral("force");

QString VariableOr(const QProcessEnvironment &variables, const QString &name, const QString &fallback)
{
    const QString value = variables.value(name);
    return value.isEmpty() ? fallback : value;
}

} // namespace

std::optional<TCommandOption> ParseCommandOption(const QString &argument)
{
    if (argument.isEmpty() || (argument[0] != QLatin1Char('/') && argument[0] != QLatin1Char('-')))
        return std::nullopt;
    // An absolute path such as "/home/anna/daily.tsj" starts with "/" too: a
    // "/" before any ":" makes the argument a file name, not an option.
    const qsizetype secondSlash = argument.indexOf(QLatin1Char('/'), 1);
    const qsizetype firstColon = argument.indexOf(QLatin1Char(':'));
    if (argument[0] == QLatin1Char('/') && secondSlash >= 0 && (firstColon < 0 || secondSlash < firstColon))
        return std::nullopt;
    TCommandOption option;
    const QString text = argument.mid(1);
    const qsizetype colon = text.indexOf(QLatin1Char(':'));
    if (colon < 0) {
        option.Key = text;
        return option;
    }
    option.Key = text.left(colon);
    option.Value = text.mid(colon + 1);
    option.HasValue = true;
    return option;
}

bool OptionMatches(const QString &option, const QString &word)
{
    return option.size() <= word.size() && word.startsWith(option, Qt::CaseInsensitive);
}

QString CommandOptionValue(const QStringList &args, const QString &word)
{
    QString value;
    for (const QString &argument : args) {
        const std::optional<TCommandOption> option = ParseCommandOption(argument);
        if (option && option->HasValue && OptionMatches(option->Key, word))
            value = option->Value;
    }
    return value;
}

// Options with a value match only the words that take one, and the others
// only those that do not: so the bare "/" sets portable here and dark in the
// second pass.
TStartOptions ParseStartOptions(const QStringList &args, const QProcessEnvironment &variables)
{
    TStartOptions result;
    for (const QString &argument : args) {
        const std::optional<TCommandOption> option = ParseCommandOption(argument);
        if (!option)
            continue;
        if (option->HasValue) {
            if (OptionMatches(option->Key, OptionLang)) {
                result.Language = option->Value.left(2).toLower();
            } else if (OptionMatches(option->Key, OptionIni)) {
                result.IniPath = ExpandEnvironmentNames(option->Value, variables);
                result.IniGiven = true;
                result.IniIsProgramFolder = false;
            }
            continue;
        }
        if (!OptionMatches(option->Key, OptionPortable))
            continue;
        result.Portable = true;
        if (!result.IniGiven) {
            result.IniGiven = true;
            result.IniIsProgramFolder = true;
        }
    }
    return result;
}

TRunOptions ParseRunOptions(const QStringList &args)
{
    TRunOptions result;
    for (const QString &argument : args) {
        if (argument.isEmpty())
            continue;
        const std::optional<TCommandOption> option = ParseCommandOption(argument);
        if (!option) {
            result.TaskArgument = argument;
            continue;
        }
        if (option->HasValue)
            continue;
        if (OptionMatches(option->Key, OptionDark))
            result.UseDarkMode = true;
        else if (OptionMatches(option->Key, OptionClose))
            result.CloseProg = true;
        else if (OptionMatches(option->Key, OptionForce))
            result.ForceTask = true;
    }
    return result;
}

QString ExpandEnvironmentNames(const QString &text, const QProcessEnvironment &variables)
{
    QString result;
    qsizetype pos = 0;
    while (pos < text.size()) {
        const qsizetype open = text.indexOf(QLatin1Char('%'), pos);
        const qsizetype close = open < 0 ? -1 : text.indexOf(QLatin1Char('%'), open + 1);
        if (close < 0) {
            result += text.mid(pos);
            break;
        }
        result += text.mid(pos, open - pos);
        result += variables.value(text.mid(open + 1, close - open - 1));
        pos = close + 1;
    }
    return result;
}

QList<QPair<QString, QString>> TaskFolderPlaceholders(const TSystemEnvironment &env)
{
    const QProcessEnvironment &vars = env.Variables;
    const QString programFiles = QStringLiteral("/opt");
    const QString commonFiles = QStringLiteral("/usr/share");
    const QString allUsers = VariableOr(vars, QStringLiteral("ALLUSERSPROFILE"), QStringLiteral("/etc/xdg"));
    const QString programDir = QFileInfo(env.ProgramFile).absolutePath();
    const QList<QPair<QString, QString>> table = {
        {QStringLiteral("%perspath%"), env.DocumentsDir},
        {QStringLiteral("%apppath%"), env.ConfigHome},
        {QStringLiteral("%profile%"), env.HomeDir},
        {QStringLiteral("%desktop%"), env.DesktopDir},
        {QStringLiteral("%favorites%"), env.HomeDir},
        {QStringLiteral("%progfiles%"), programFiles},
        {QStringLiteral("%progpath%"), programDir},
        {QStringLiteral("%username%"), env.UserName},
        {QStringLiteral("%computername%"), env.HostName},
        {QStringLiteral("%user%"), QString()},
        {QStringLiteral("%computer%"), QString()},
        {QStringLiteral("%appdata%"), env.ConfigHome},
        {QStringLiteral("%localappdata%"), env.DataHome},
        {QStringLiteral("%allusersprofile%"), allUsers},
        {QStringLiteral("%public%"), VariableOr(vars, QStringLiteral("PUBLIC"), env.PublicShareDir)},
        {QStringLiteral("%programfiles%"), VariableOr(vars, QStringLiteral("ProgramW6432"), programFiles)},
        {QStringLiteral("%commonprogramfiles%"), VariableOr(vars, QStringLiteral("CommonProgramW6432"), commonFiles)},
        {QStringLiteral("%programfiles(x86)%"), VariableOr(vars, QStringLiteral("ProgramFiles(x86)"), programFiles)},
        {QStringLiteral("%commonprogramfiles(x86)%"),
         VariableOr(vars, QStringLiteral("CommonProgramFiles(x86)"), commonFiles)},
        {QStringLiteral("%programdata%"), allUsers},
        {QStringLiteral("%userprofile%"), env.HomeDir},
    };
    QList<QPair<QString, QString>> result;
    for (const auto &[placeholder, folder] : table)
        result.append({placeholder, WithoutTrailingSlash(folder)});
    return result;
}

QString TaskFileName(const QString &argument, const QString &jobDir, const TSystemEnvironment &env)
{
    if (argument.isEmpty())
        return QString();
    QString name = argument;
    for (const auto &[placeholder, folder] : TaskFolderPlaceholders(env))
        name.replace(placeholder, folder, Qt::CaseInsensitive);
    name = ExpandHomeFolder(name, env.HomeDir);
    if (!name.startsWith(QLatin1Char('/')))
        name = WithTrailingSlash(jobDir) + name;
    if (name.endsWith(QLatin1Char('.')))
        name.chop(1);
    if (QFileInfo(name).suffix().compare(QLatin1String("tsj"), Qt::CaseInsensitive) != 0)
        name += QStringLiteral(".tsj");
    return name;
}
