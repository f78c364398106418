// "watch" and "schedule" as users run them, with simulated devices and a
// stand-in systemctl.
#include "support/SimDeviceFolder.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

namespace {

class WatchScheduleTest : public ::testing::Test
{
protected:
    TSimDeviceFolder Devices;
    QTemporaryDir Work;
    QString Task;

    void SetUp() override
    {
        Devices.AddFile(QStringLiteral("Phone"), QStringLiteral("Internal/DCIM/a.jpg"), "a");
        Devices.AddFile(QStringLiteral("Phone"), QStringLiteral("Internal/Docs/n.txt"), "n");
        Task = Path(QStringLiteral("my phone.tsj"));
        QProcess save;
        save.setProcessEnvironment(Environment());
        save.start(QStringLiteral(TESSARIL_CLI),
                   {QStringLiteral("backup"), QStringLiteral("Phone"), QStringLiteral("--to"),
                    Path(QStringLiteral("copy")), QStringLiteral("--save-task"), Task});
        ASSERT_TRUE(save.waitForFinished(60000));
        ASSERT_EQ(save.exitCode(), 0) << save.readAllStandardError().constData();
        QDir(Path(QStringLiteral("copy"))).removeRecursively();
        QDir().mkpath(Path(QStringLiteral("run")));
        QFile::setPermissions(Path(QStringLiteral("run")), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    QString Path(const QString &relative) const { return Work.filePath(relative); }

    QProcessEnvironment Environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), Work.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), Path(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), Path(QStringLiteral("run")));
        env.insert(QStringLiteral("TESSARIL_BACKENDS"), QStringLiteral("sim"));
        env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
        return env;
    }

    // Moves the device folder away (pulled) or back (plugged in).
    void Plug(bool in)
    {
        const QString device = Devices.DevicePath(QStringLiteral("Phone"));
        const QString parked = Path(QStringLiteral("parked"));
        ASSERT_TRUE(in ? QDir().rename(parked, device) : QDir().rename(device, parked));
    }
};

// Reads a running process's output until it holds `count` times `text`.
bool WaitForOutput(QProcess &process, QString &output, const QString &text, int count, int seconds = 60)
{
    QDeadlineTimer deadline(seconds * 1000);
    while (output.count(text) < count) {
        if (deadline.hasExpired() || process.state() != QProcess::Running)
            return false;
        process.waitForReadyRead(200);
        output += QString::fromUtf8(process.readAll());
    }
    return true;
}

QString ReadText(const QString &name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace

TEST_F(WatchScheduleTest, WatchBacksUpOncePerConnection)
{
    Plug(false);
    QProcess watch;
    watch.setProcessEnvironment(Environment());
    watch.setProcessChannelMode(QProcess::MergedChannels);
    watch.start(QStringLiteral(TESSARIL_CLI),
                {QStringLiteral("watch"), Task, QStringLiteral("--rescan"), QStringLiteral("1")});
    ASSERT_TRUE(watch.waitForStarted(30000));
    QString output;
    ASSERT_TRUE(WaitForOutput(watch, output, QStringLiteral("Watching for \"Phone\" (my phone.tsj)"), 1))
        << qPrintable(output);
    QThread::msleep(1500);
    EXPECT_FALSE(QFileInfo::exists(Path(QStringLiteral("copy"))));

    Plug(true);
    ASSERT_TRUE(WaitForOutput(watch, output, QStringLiteral("tessaril-cli: 2 copied, 0 skipped, 0 failed"), 1))
        << qPrintable(output);
    EXPECT_EQ(ReadText(Path(QStringLiteral("copy/Internal/DCIM/a.jpg"))), QStringLiteral("a"));
    EXPECT_TRUE(
        WaitForOutput(watch, output, QStringLiteral("tessaril-cli: no desktop notification (no session bus)"), 1));
    // The task's log, where a run of the task always leaves it.
    EXPECT_TRUE(
        ReadText(Path(QStringLiteral("config/Quenbry6/ts-my phone.log"))).contains(QStringLiteral("1 file copied")) ||
        ReadText(Path(QStringLiteral("config/Quenbry6/ts-my phone.log"))).contains(QStringLiteral("2 files copied")));

    // Still plugged in after several looks: no second run.
    QThread::msleep(3500);
    output += QString::fromUtf8(watch.readAll());
    EXPECT_EQ(output.count(QStringLiteral("Backup task")), 1) << qPrintable(output);

    Plug(false);
    QThread::msleep(2500);
    Plug(true);
    ASSERT_TRUE(WaitForOutput(watch, output, QStringLiteral("Backup task"), 2)) << qPrintable(output);
    ASSERT_TRUE(WaitForOutput(watch, output, QStringLiteral("0 copied, 2 skipped, 0 failed"), 1)) << qPrintable(output);

    watch.terminate();
    ASSERT_TRUE(watch.waitForFinished(30000));
    output += QString::fromUtf8(watch.readAll());
    EXPECT_EQ(watch.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(watch.exitCode(), 0);
    EXPECT_TRUE(output.contains(QStringLiteral("Stopped watching"))) << qPrintable(output);
}

TEST_F(WatchScheduleTest, WatchRefusesTasksItCannotUse)
{
    QProcess watch;
    watch.setProcessEnvironment(Environment());
    watch.start(QStringLiteral(TESSARIL_CLI), {QStringLiteral("watch"), Path(QStringLiteral("missing.tsj"))});
    ASSERT_TRUE(watch.waitForFinished(30000));
    EXPECT_EQ(watch.exitCode(), 2);
    EXPECT_TRUE(QString::fromUtf8(watch.readAllStandardError()).contains(QStringLiteral("cannot read the task file")));
}

TEST_F(WatchScheduleTest, ScheduleWithoutAUserManager)
{
    // systemctl as it answers where no user manager runs.
    QDir().mkpath(Path(QStringLiteral("bin")));
    QFile fake(Path(QStringLiteral("bin/systemctl")));
    ASSERT_TRUE(fake.open(QIODevice::WriteOnly));
    fake.write("#!/bin/sh\necho 'Failed to connect to bus: No medium found' >&2\nexit 1\n");
    fake.close();
    fake.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QProcessEnvironment env = Environment();
    env.insert(QStringLiteral("PATH"),
               Path(QStringLiteral("bin")) + QLatin1Char(':') + env.value(QStringLiteral("PATH")));

    const auto schedule = [&env](const QStringList &args) {
        QProcess cli;
        cli.setProcessEnvironment(env);
        cli.start(QStringLiteral(TESSARIL_CLI), QStringList{QStringLiteral("schedule")} + args);
        EXPECT_TRUE(cli.waitForFinished(30000));
        return std::make_pair(cli.exitCode(),
                              QString::fromUtf8(cli.readAllStandardOutput() + cli.readAllStandardError()));
    };
    const QString units = Path(QStringLiteral("config/systemd/user"));

    auto [status, text] = schedule({Task, QStringLiteral("--weekly"), QStringLiteral("fri"), QStringLiteral("19:45")});
    EXPECT_EQ(status, 0) << qPrintable(text);
    EXPECT_TRUE(text.contains(QStringLiteral("written: ") + units + QStringLiteral("/tessaril-my_phone.timer")));
    EXPECT_TRUE(text.contains(QStringLiteral("Failed to connect to bus")));
    EXPECT_TRUE(text.contains(QStringLiteral("  systemctl --user enable --now tessaril-my_phone.timer")));
    EXPECT_TRUE(ReadText(units + QStringLiteral("/tessaril-my_phone.timer"))
                    .contains(QStringLiteral("OnCalendar=Fri *-*-* 19:45:00\nPersistent=true\n")));

    std::tie(status, text) = schedule({Task, QStringLiteral("--on-plug")});
    EXPECT_EQ(status, 0) << qPrintable(text);
    std::tie(status, text) = schedule({QStringLiteral("--list")});
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(text.contains(Task + QStringLiteral(": weekly on Fri at 19:45 (tessaril-my_phone.timer)")))
        << qPrintable(text);
    EXPECT_TRUE(
        text.contains(Task + QStringLiteral(": when the device is plugged in (tessaril-my_phone-on-plug.service)")));

    std::tie(status, text) = schedule({Task, QStringLiteral("--remove")});
    EXPECT_EQ(status, 0);
    EXPECT_EQ(text.count(QStringLiteral("removed: ")), 3) << qPrintable(text);
    std::tie(status, text) = schedule({Task, QStringLiteral("--list")});
    EXPECT_TRUE(text.contains(QStringLiteral("Nothing is scheduled")));

    const std::vector<std::pair<QStringList, QString>> refused = {
        {{Task}, QStringLiteral("schedule needs one of --daily")},
        {{Task, QStringLiteral("--daily"), QStringLiteral("25:00")}, QStringLiteral("not a time")},
        {{Task, QStringLiteral("--weekly"), QStringLiteral("Funday"), QStringLiteral("10:00")},
         QStringLiteral("needs a weekday")},
        {{Task, QStringLiteral("--daily"), QStringLiteral("10:00"), QStringLiteral("--on-plug")},
         QStringLiteral("one of")},
        {{Path(QStringLiteral("missing.tsj")), QStringLiteral("--on-plug")},
         QStringLiteral("cannot read the task file")}};
    for (const auto &[args, reason] : refused) {
        std::tie(status, text) = schedule(args);
        EXPECT_EQ(status, 2) << qPrintable(args.join(QLatin1Char(' ')));
        EXPECT_TRUE(text.contains(reason)) << qPrintable(text);
    }
}
