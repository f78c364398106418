#include "app/DesktopShortcut.h"
#include "app/Locations.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QString ReadText(const QString &name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// The arguments a desktop reads from an Exec value, by the desktop-entry rules:
// the string escapes first, then the quoting, then "%%".
QStringList ExecArguments(const QString &entry)
{
    QString value = entry.section(QStringLiteral("\nExec="), 1).section(QLatin1Char('\n'), 0, 0);
    QString unescaped;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] == QLatin1Char('\\') && i + 1 < value.size()) {
            const QChar next = value[++i];
            unescaped += next == QLatin1Char('n') ? QChar(QLatin1Char('\n')) : next;
        } else {
            unescaped += value[i];
        }
    }
    QStringList arguments;
    QString current;
    bool quoted = false;
    for (qsizetype i = 0; i < unescaped.size(); ++i) {
        const QChar c = unescaped[i];
        if (quoted && c == QLatin1Char('\\'))
            current += unescaped[++i];
        else if (c == QLatin1Char('"'))
            quoted = !quoted;
        else if (!quoted && c == QLatin1Char(' '))
            arguments.append(std::exchange(current, QString()));
        else if (c == QLatin1Char('%') && i + 1 < unescaped.size() && unescaped[i + 1] == QLatin1Char('%'))
            current += unescaped[++i];
        else
            current += c;
    }
    arguments.append(current);
    return arguments;
}

} // namespace

TEST(DesktopShortcutTest, NameAlwaysEndsInDesktopAlsoWithADotInTheTaskName)
{
    const TDesktopShortcut plain = DesktopShortcutFor(QStringLiteral("/t/Phone photos.tsj"), QStringLiteral("/d/"));
    EXPECT_EQ(plain.Base, QStringLiteral("Phone photos"));
    EXPECT_EQ(plain.FileName, QStringLiteral("/d/Qy-Tesar-Phone photos.desktop"));
    EXPECT_EQ(plain.Comment, QStringLiteral("Device backup: Phone photos"));
    const TDesktopShortcut dotted = DesktopShortcutFor(QStringLiteral("/t/my.daily.tsj"), QStringLiteral("/d/"));
    EXPECT_EQ(dotted.Base, QStringLiteral("my.daily"));
    EXPECT_EQ(dotted.FileName, QStringLiteral("/d/Qy-Tesar-my.daily.desktop"));
}

TEST(DesktopShortcutTest, DesktopFolderComesFromTheUserDirsElseTheHomeFolder)
{
    TSystemEnvironment env;
    env.HomeDir = QStringLiteral("/home/anna");
    EXPECT_EQ(DetermineDesktopDir(env), QStringLiteral("/home/anna/Desktop/"));
    env.DesktopDir = QStringLiteral("/home/anna/Schreibtisch");
    EXPECT_EQ(DetermineDesktopDir(env), QStringLiteral("/home/anna/Schreibtisch/"));
}

// Task paths with blanks, quotes, "%", "$", backslashes and backticks start
// the program with exactly that path; the desktop's own validator judges the file.
TEST(DesktopShortcutTest, LauncherIsValidExecutableAndStartsTheTaskUnchanged)
{
    QTemporaryDir work;
    const QString desktop = work.filePath(QStringLiteral("Desktop dir/"));
    const QString validator = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
    const QString program = work.filePath(QStringLiteral("bin $HOME/tessaril"));
    const QStringList tasks = {
        work.filePath(QStringLiteral("Phone photos.tsj")),
        work.filePath(QStringLiteral("say \"cheese\" 'now'.tsj")),
        work.filePath(QStringLiteral("100% $HOME `date` a\\b.tsj")),
        work.filePath(QStringLiteral("my.daily.tsj")),
        work.filePath(QStringLiteral("%f %u ~;|&<>*?#().tsj")),
    };
    for (const QString &task : tasks) {
        const TDesktopShortcut shortcut = DesktopShortcutFor(task, desktop);
        EXPECT_FALSE(DesktopShortcutExists(shortcut));
        const TShortcutTarget target = TaskShortcutTarget(program, task, work.path());
        ASSERT_EQ(CreateDesktopShortcut(shortcut, target), QString()) << qPrintable(task);
        EXPECT_TRUE(DesktopShortcutExists(shortcut));
        EXPECT_TRUE(QFileInfo(shortcut.FileName).isExecutable());
        const QString entry = ReadText(shortcut.FileName);
        EXPECT_EQ(ExecArguments(entry), (QStringList{program, task, QStringLiteral("/f")})) << qPrintable(entry);
        EXPECT_TRUE(entry.contains(QStringLiteral("\nComment=Device backup: ")));
        EXPECT_TRUE(entry.contains(QStringLiteral("\nIcon=")));
        if (validator.isEmpty())
            continue;
        QProcess validate;
        validate.start(validator, {shortcut.FileName});
        ASSERT_TRUE(validate.waitForFinished(30000));
        EXPECT_EQ(validate.exitCode(), 0) << qPrintable(entry) << validate.readAllStandardOutput().constData()
                                          << validate.readAllStandardError().constData();
    }
    // A second time replaces the launcher.
    const TDesktopShortcut again = DesktopShortcutFor(tasks.first(), desktop);
    ASSERT_EQ(CreateDesktopShortcut(again, TaskShortcutTarget(QStringLiteral("/usr/bin/x"), tasks.first(), QString())),
              QString());
    EXPECT_EQ(ExecArguments(ReadText(again.FileName)).first(), QStringLiteral("/usr/bin/x"));
    if (validator.isEmpty())
        GTEST_SKIP() << "desktop-file-validate is not installed (package desktop-file-utils)";
}

TEST(DesktopShortcutTest, AFolderThatCannotBeMadeIsReported)
{
    QTemporaryDir work;
    QFile blocker(work.filePath(QStringLiteral("file")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const TDesktopShortcut shortcut =
        DesktopShortcutFor(QStringLiteral("/t/a.tsj"), work.filePath(QStringLiteral("file/Desktop/")));
    EXPECT_FALSE(CreateDesktopShortcut(
                     shortcut, TaskShortcutTarget(QStringLiteral("/bin/x"), QStringLiteral("/t/a.tsj"), QString()))
                     .isEmpty());
}
