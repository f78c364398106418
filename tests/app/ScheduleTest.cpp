#include "app/Schedule.h"
#include "support/EnvironmentGuard.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QString Task = QStringLiteral("/home/ann/My \"best\" 100% $HOME\\phone.tsj");
const QString Cli = QStringLiteral("/opt/tes saril/tessaril-cli");
const QString Log = QStringLiteral("/home/ann/.config/Quenbry6/ts-My \"best\" 100% $HOME\\phone.log");

QString ReadText(const QString &name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// Records systemctl's calls and answers them all alike.
struct TFakeSystemctl
{
    QList<QStringList> Calls;
    TProcessOutcome Answer{true, 0, QString()};

    TProcessRunner Runner()
    {
        return [this](const QString &program, const QStringList &arguments) {
            Calls.append(QStringList{program} + arguments);
            return Answer;
        };
    }
};

// Puts a "systemctl" script first on PATH for one test.
class TFakeSystemctlOnPath
{
public:
    explicit TFakeSystemctlOnPath(const QString &script) : FPath("PATH", FDir.path().toUtf8() + ":" + qgetenv("PATH"))
    {
        QFile file(FDir.filePath(QStringLiteral("systemctl")));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(("#!/bin/sh\n" + script + "\n").toUtf8());
        file.close();
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    QString Folder() const { return FDir.path(); }

private:
    QTemporaryDir FDir;
    TEnvironmentGuard FPath;
};

} // namespace

TEST(ScheduleTest, UnitTextsQuoteTheTaskForSystemd)
{
    EXPECT_EQ(SystemdQuoted(Task), QStringLiteral("\"/home/ann/My \\\"best\\\" 100%% $$HOME\\\\phone.tsj\""));
    EXPECT_EQ(UnitBaseName(Task), QStringLiteral("tessaril-My__best__100___HOME_phone"));

    const QString quotedCli = QStringLiteral("\"/opt/tes saril/tessaril-cli\"");
    const QString quotedTask = SystemdQuoted(Task);
    const QString taskLine = QStringLiteral("# Task file: ") + Task + QLatin1Char('\n');
    const QString base = QStringLiteral("tessaril-x");

    const QList<TUnitFile> daily = ScheduleUnits(base, Task, {TScheduleKind::Daily, QTime(18, 30), 1}, Cli, Log);
    ASSERT_EQ(daily.size(), 2);
    EXPECT_EQ(daily[0].Name, QStringLiteral("tessaril-x.service"));
    EXPECT_EQ(daily[0].Text,
              QStringLiteral("[Unit]\nDescription=Tessaril backup task My \"best\" 100%% $HOME\\phone\n") + taskLine +
                  QStringLiteral("\n[Service]\nType=oneshot\nExecStart=") + quotedCli + QStringLiteral(" run ") +
                  quotedTask + QStringLiteral(" --log ") + SystemdQuoted(Log) + QStringLiteral(" --notify\n"));
    EXPECT_EQ(daily[1].Name, QStringLiteral("tessaril-x.timer"));
    EXPECT_EQ(
        daily[1].Text,
        QStringLiteral("[Unit]\nDescription=Tessaril backup task My \"best\" 100%% $HOME\\phone, daily at 18:30\n") +
            taskLine +
            QStringLiteral("\n[Timer]\nOnCalendar=*-*-* 18:30:00\nPersistent=true\nUnit=tessaril-x.service\n\n"
                           "[Install]\nWantedBy=timers.target\n"));

    const QList<TUnitFile> weekly = ScheduleUnits(base, Task, {TScheduleKind::Weekly, QTime(7, 5), 7}, Cli, Log);
    ASSERT_EQ(weekly.size(), 2);
    EXPECT_EQ(weekly[0].Text, daily[0].Text);
    EXPECT_TRUE(weekly[1].Text.contains(QStringLiteral("\nOnCalendar=Sun *-*-* 07:05:00\n")));
    EXPECT_TRUE(weekly[1].Text.contains(QStringLiteral(", weekly on Sun at 07:05\n")));

    const QList<TUnitFile> onPlug = ScheduleUnits(base, Task, {TScheduleKind::OnPlug, QTime(), 1}, Cli, Log);
    ASSERT_EQ(onPlug.size(), 1);
    EXPECT_EQ(onPlug[0].Name, QStringLiteral("tessaril-x-on-plug.service"));
    EXPECT_EQ(onPlug[0].Text,
              QStringLiteral("[Unit]\nDescription=Tessaril backup task My \"best\" 100%% $HOME\\phone when its device "
                             "is plugged in\n") +
                  taskLine + QStringLiteral("\n[Service]\nType=simple\nExecStart=") + quotedCli +
                  QStringLiteral(" watch ") + quotedTask +
                  QStringLiteral("\nRestart=on-failure\nRestartSec=30\n\n[Install]\nWantedBy=default.target\n"));
}

TEST(ScheduleTest, WeekDaysAndRefusedPaths)
{
    EXPECT_EQ(WeekDayFromText(QStringLiteral("mon")), 1);
    EXPECT_EQ(WeekDayFromText(QStringLiteral("Sunday")), 7);
    EXPECT_EQ(WeekDayFromText(QStringLiteral("SAT")), 6);
    EXPECT_EQ(WeekDayFromText(QStringLiteral("Sonntag")), 0);
    EXPECT_FALSE(UnitTaskPathError(QStringLiteral("relative.tsj")).isEmpty());
    // A line break would end the unit's line and let the rest be read as settings.
    EXPECT_FALSE(UnitTaskPathError(QStringLiteral("/a\nExecStartPre=/bin/evil.tsj")).isEmpty());

    QTemporaryDir dir;
    TFakeSystemctl systemctl;
    TUserUnits units(dir.path(), systemctl.Runner());
    EXPECT_FALSE(units.Install(QStringLiteral("/a\nb.tsj"), {}, Cli, Log).Error.isEmpty());
    EXPECT_FALSE(units.Install(Task, {TScheduleKind::Daily, QTime(), 1}, Cli, Log).Error.isEmpty());
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
    EXPECT_TRUE(systemctl.Calls.isEmpty());
}

TEST(ScheduleTest, InstallListAndRemoveWithAUserManager)
{
    QTemporaryDir dir;
    TFakeSystemctl systemctl;
    TUserUnits units(dir.path(), systemctl.Runner());

    TScheduleChange change = units.Install(Task, {TScheduleKind::Daily, QTime(18, 30), 1}, Cli, Log);
    ASSERT_TRUE(change.Error.isEmpty()) << qPrintable(change.Error);
    EXPECT_TRUE(change.ManagerUsed);
    EXPECT_TRUE(change.Commands.isEmpty());
    const QString base = UnitBaseName(Task);
    EXPECT_EQ(change.Written, QStringList({QDir(dir.path()).filePath(base + QStringLiteral(".service")),
                                           QDir(dir.path()).filePath(base + QStringLiteral(".timer"))}));
    const QString timer = base + QStringLiteral(".timer");
    EXPECT_EQ(systemctl.Calls,
              QList<QStringList>(
                  {{QStringLiteral("systemctl"), QStringLiteral("--user"), QStringLiteral("daemon-reload")},
                   {QStringLiteral("systemctl"), QStringLiteral("--user"), QStringLiteral("enable"),
                    QStringLiteral("--now"), timer},
                   {QStringLiteral("systemctl"), QStringLiteral("--user"), QStringLiteral("restart"), timer}}));

    // A new time replaces the timer; watching comes on top; another task of
    // the same name gets units of its own.
    ASSERT_TRUE(units.Install(Task, {TScheduleKind::Weekly, QTime(7, 5), 3}, Cli, Log).Error.isEmpty());
    ASSERT_TRUE(units.Install(Task, {TScheduleKind::OnPlug, QTime(), 1}, Cli, Log).Error.isEmpty());
    const QString other = QStringLiteral("/elsewhere/My \"best\" 100% $HOME\\phone.tsj");
    ASSERT_TRUE(units.Install(other, {TScheduleKind::Daily, QTime(1, 0), 1}, Cli, Log).Error.isEmpty());

    QList<TScheduleEntry> entries = units.ListFor(Task);
    ASSERT_EQ(entries.size(), 2);
    EXPECT_EQ(entries[0].UnitName, base + QStringLiteral("-on-plug.service"));
    EXPECT_EQ(entries[0].Schedule.Kind, TScheduleKind::OnPlug);
    EXPECT_EQ(entries[1].UnitName, timer);
    EXPECT_EQ(entries[1].Schedule, (TSchedule{TScheduleKind::Weekly, QTime(7, 5), 3}));
    EXPECT_EQ(ScheduleText(entries[1].Schedule), QStringLiteral("weekly on Wed at 07:05"));
    const QList<TScheduleEntry> otherEntries = units.ListFor(other);
    ASSERT_EQ(otherEntries.size(), 1);
    EXPECT_EQ(otherEntries[0].UnitName, base + QStringLiteral("-2.timer"));
    EXPECT_EQ(units.List().size(), 3);

    // An offline "enable" may have left a link; it goes with the unit.
    QDir(dir.path()).mkpath(QStringLiteral("timers.target.wants"));
    QFile::link(QDir(dir.path()).filePath(timer),
                QDir(dir.path()).filePath(QStringLiteral("timers.target.wants/") + timer));
    systemctl.Calls.clear();
    change = units.Remove(Task);
    ASSERT_TRUE(change.Error.isEmpty()) << qPrintable(change.Error);
    EXPECT_TRUE(change.ManagerUsed);
    EXPECT_EQ(change.Removed.size(), 3);
    ASSERT_EQ(systemctl.Calls.size(), 2);
    EXPECT_EQ(systemctl.Calls[0],
              QStringList({QStringLiteral("systemctl"), QStringLiteral("--user"), QStringLiteral("disable"),
                           QStringLiteral("--now"), base + QStringLiteral("-on-plug.service"), timer}));
    EXPECT_TRUE(units.ListFor(Task).isEmpty());
    EXPECT_FALSE(QFileInfo(QDir(dir.path()).filePath(QStringLiteral("timers.target.wants/") + timer)).isSymLink());
    EXPECT_EQ(units.List().size(), 1);
    EXPECT_TRUE(units.Remove(Task).Removed.isEmpty());
}

TEST(ScheduleTest, WithoutAUserManagerTellsWhatToRun)
{
    // systemctl as it answers outside a login session.
    const TFakeSystemctlOnPath fake(QStringLiteral("echo \"$@\" >> \"$(dirname \"$0\")/calls\"\n"
                                                   "echo 'Failed to connect to bus: No medium found' >&2\nexit 1"));
    QTemporaryDir dir;
    TUserUnits units(dir.path());
    const TScheduleChange change = units.Install(Task, {TScheduleKind::OnPlug, QTime(), 1}, Cli, Log);
    ASSERT_TRUE(change.Error.isEmpty()) << qPrintable(change.Error);
    EXPECT_FALSE(change.ManagerUsed);
    EXPECT_EQ(change.ManagerError, QStringLiteral("Failed to connect to bus: No medium found"));
    const QString unit = UnitBaseName(Task) + QStringLiteral("-on-plug.service");
    EXPECT_EQ(change.Commands, QStringList({QStringLiteral("systemctl --user daemon-reload"),
                                            QStringLiteral("systemctl --user enable --now ") + unit}));
    EXPECT_TRUE(QFile::exists(QDir(dir.path()).filePath(unit)));
    const QString report = change.Report();
    EXPECT_TRUE(report.contains(QStringLiteral("written: ") + QDir(dir.path()).filePath(unit)));
    EXPECT_TRUE(report.contains(QStringLiteral("Failed to connect to bus")));
    EXPECT_TRUE(report.contains(QStringLiteral("\n  systemctl --user enable --now ") + unit));
    EXPECT_EQ(ReadText(QDir(fake.Folder()).filePath(QStringLiteral("calls"))),
              QStringLiteral("--user daemon-reload\n"));

    const TScheduleChange removal = units.Remove(Task);
    EXPECT_TRUE(removal.Error.isEmpty());
    EXPECT_FALSE(removal.ManagerUsed);
    EXPECT_EQ(removal.Removed.size(), 1);
    EXPECT_FALSE(QFile::exists(QDir(dir.path()).filePath(unit)));
    EXPECT_TRUE(removal.Report().contains(QStringLiteral("systemctl --user daemon-reload")));
}

TEST(ScheduleTest, MissingSystemctlIsReported)
{
    QTemporaryDir empty;
    const TEnvironmentGuard path("PATH", empty.path().toUtf8());
    QTemporaryDir dir;
    TUserUnits units(dir.path());
    const TScheduleChange change = units.Install(Task, {TScheduleKind::Daily, QTime(6, 0), 1}, Cli, Log);
    EXPECT_TRUE(change.Error.isEmpty());
    EXPECT_FALSE(change.ManagerUsed);
    EXPECT_FALSE(change.ManagerError.isEmpty());
    EXPECT_EQ(change.Written.size(), 2);
}
