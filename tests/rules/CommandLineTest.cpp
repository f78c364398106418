#include "app/CommandLine.h"

#include <gtest/gtest.h>

namespace {

QStringList Args(std::initializer_list<const char *> items)
{
    QStringList result;
    for (const char *item : items)
        result << QString::fromUtf8(item);
    return result;
}

TSystemEnvironment TestEnvironment()
{
    TSystemEnvironment env;
    env.ProgramFile = QStringLiteral("/opt/tessaril/bin/tessaril");
    env.HomeDir = QStringLiteral("/home/ann");
    env.ConfigHome = QStringLiteral("/home/ann/.config");
    env.DataHome = QStringLiteral("/home/ann/.local/share");
    env.DocumentsDir = QStringLiteral("/home/ann/Documents/");
    env.DesktopDir = QStringLiteral("/home/ann/Desktop");
    env.UserName = QStringLiteral("ann");
    env.HostName = QStringLiteral("box");
    return env;
}

} // namespace

TEST(CommandLine, OptionPrefixes)
{
    const struct
    {
        const char *arg;
        bool force;
    } cases[] = {
        {"/F", true},       {"-force", true}, {"/fo", true},    {"/FORCE", true},
        {"/forced", false}, {"/x", false},    {"force", false}, {"/f:1", false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(ParseRunOptions(Args({c.arg})).ForceTask, c.force) << c.arg;

    const TRunOptions run = ParseRunOptions(Args({"-d", "/CL"}));
    EXPECT_TRUE(run.UseDarkMode);
    EXPECT_TRUE(run.CloseProg);
    EXPECT_FALSE(run.ForceTask);
    // "c" is tested against "dark" first, then "close".
    EXPECT_TRUE(ParseRunOptions(Args({"/c"})).CloseProg);
}

TEST(CommandLine, BareSlashIsTheEmptyOption)
{
    for (const char *bare : {"/", "-"}) {
        const TStartOptions start = ParseStartOptions(Args({bare}), {});
        EXPECT_TRUE(start.Portable) << bare;
        EXPECT_TRUE(start.Language.isEmpty());
        EXPECT_TRUE(start.IniIsProgramFolder); // portable before any ini
        const TRunOptions run = ParseRunOptions(Args({bare}));
        EXPECT_TRUE(run.UseDarkMode) << bare;
        EXPECT_FALSE(run.CloseProg);
        EXPECT_FALSE(run.ForceTask);
        EXPECT_TRUE(run.TaskArgument.isEmpty());
    }
}

TEST(CommandLine, StartOptions)
{
    QProcessEnvironment variables;
    variables.insert(QStringLiteral("HOME"), QStringLiteral("/home/ann"));
    variables.insert(QStringLiteral("CFG"), QStringLiteral("cfg"));

    EXPECT_EQ(ParseStartOptions(Args({"/lang:german"}), variables).Language.toStdString(), "ge");
    EXPECT_EQ(ParseStartOptions(Args({"-L:FR"}), variables).Language.toStdString(), "fr");
    EXPECT_TRUE(ParseStartOptions(Args({"/lang"}), variables).Language.isEmpty()); // no value

    const TStartOptions ini = ParseStartOptions(Args({"/ini:%HOME%/x/%CFG%/%NOPE%q.ini", "/force", "task"}), variables);
    EXPECT_TRUE(ini.IniGiven);
    EXPECT_EQ(ini.IniPath.toStdString(), "/home/ann/x/cfg/q.ini");
    EXPECT_FALSE(ini.Portable);

    const TStartOptions last = ParseStartOptions(Args({"/i:/a/", "/ini:/b/", "/por"}), variables);
    EXPECT_EQ(last.IniPath.toStdString(), "/b/");
    EXPECT_TRUE(last.Portable);

    // The second pass ignores the first pass's words and the other way round.
    const TRunOptions run = ParseRunOptions(Args({"/lang:de", "/ini:x", "/portable"}));
    EXPECT_FALSE(run.UseDarkMode || run.CloseProg || run.ForceTask);
    const TStartOptions start = ParseStartOptions(Args({"/dark", "/close", "/force"}), variables);
    EXPECT_FALSE(start.Portable || start.IniGiven || !start.Language.isEmpty());
}

TEST(CommandLine, EnvironmentNames)
{
    QProcessEnvironment variables;
    variables.insert(QStringLiteral("A"), QStringLiteral("1"));
    const struct
    {
        const char *text;
        const char *expanded;
    } cases[] = {
        {"%A%", "1"}, {"x%A%y%A%", "x1y1"}, {"%UNSET%z", "z"}, {"50%", "50%"}, {"%%", ""}, {"a%A", "a%A"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(ExpandEnvironmentNames(QString::fromUtf8(c.text), variables).toStdString(), c.expanded) << c.text;
}

TEST(CommandLine, TaskArgumentLastWins)
{
    EXPECT_EQ(ParseRunOptions(Args({"one", "/f", "two"})).TaskArgument.toStdString(), "two");
    EXPECT_EQ(ParseRunOptions(Args({"one", ""})).TaskArgument.toStdString(), "one");
    EXPECT_TRUE(ParseRunOptions({}).TaskArgument.isEmpty());
}

TEST(CommandLine, TaskFileNames)
{
    const TSystemEnvironment env = TestEnvironment();
    const QString jobDir = QStringLiteral("/home/ann/Documents/Quenbry/");
    const struct
    {
        const char *arg;
        const char *task;
    } cases[] = {
        {"daily", "/home/ann/Documents/Quenbry/daily.tsj"},
        {"/t/daily.TSJ", "/t/daily.TSJ"},
        {"day.txt", "/home/ann/Documents/Quenbry/day.txt.tsj"},
        {"daily.", "/home/ann/Documents/Quenbry/daily.tsj"},
        {"sub/x.tsj", "/home/ann/Documents/Quenbry/sub/x.tsj"},
        {"%perspath%/Tasks/a", "/home/ann/Documents/Tasks/a.tsj"},
        {"%PersPath%/Tasks/a", "/home/ann/Documents/Tasks/a.tsj"},
        {"%profile%/t/%username%-%computername%%user%%computer%", "/home/ann/t/ann-box.tsj"},
        {"%appdata%/q/%desktop%", "/home/ann/.config/q//home/ann/Desktop.tsj"},
        {"%progpath%/jobs/x", "/opt/tessaril/bin/jobs/x.tsj"},
        {"%localappdata%/x", "/home/ann/.local/share/x.tsj"},
        {"%userprofile%/x", "/home/ann/x.tsj"},
        {"~/t/x", "/home/ann/t/x.tsj"},
        {"a:b", "/home/ann/Documents/Quenbry/a:b.tsj"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(TaskFileName(QString::fromUtf8(c.arg), jobDir, env).toStdString(), c.task) << c.arg;
    EXPECT_TRUE(TaskFileName(QString(), jobDir, env).isEmpty());
}

TEST(CommandLine, FolderPlaceholderOrderAndFallbacks)
{
    TSystemEnvironment env = TestEnvironment();
    const auto table = TaskFolderPlaceholders(env);
    ASSERT_EQ(table.size(), 21);
    EXPECT_EQ(table.first().first.toStdString(), "%perspath%");
    EXPECT_EQ(table.last().first.toStdString(), "%userprofile%");
    for (const auto &[placeholder, folder] : table)
        EXPECT_FALSE(folder.endsWith(QLatin1Char('/'))) << placeholder.toStdString();

    const QString jobDir = QStringLiteral("/j/");
    EXPECT_EQ(TaskFileName(QStringLiteral("%programdata%/x"), jobDir, env).toStdString(), "/etc/xdg/x.tsj");
    EXPECT_EQ(TaskFileName(QStringLiteral("%public%x"), jobDir, env).toStdString(), "/j/x.tsj");
    env.Variables.insert(QStringLiteral("ALLUSERSPROFILE"), QStringLiteral("/srv/all"));
    env.Variables.insert(QStringLiteral("PUBLIC"), QStringLiteral("/srv/pub/"));
    EXPECT_EQ(TaskFileName(QStringLiteral("%allusersprofile%/x"), jobDir, env).toStdString(), "/srv/all/x.tsj");
    EXPECT_EQ(TaskFileName(QStringLiteral("%public%/x"), jobDir, env).toStdString(), "/srv/pub/x.tsj");
}
