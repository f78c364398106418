#include "support/EventWait.h"
#include "support/SimDeviceFolder.h"

#include "app/MainJob.h"
#include "app/RunCheck.h"
#include "device/PortableDevice.h"
#include "device/PortableDeviceContent.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// The window's job works on a worker thread: while it reads a large tree or
// runs a backup, every entry point that would disturb the work refuses.
class MainJobThreadTest : public ::testing::Test
{
protected:
    static constexpr int FolderCount = 400;
    TSimDeviceFolder Devices;
    QTemporaryDir Dest;

    void SetUp() override
    {
        for (int i = 0; i < FolderCount; ++i)
            Devices.AddFile(QStringLiteral("Big"), QStringLiteral("Card/f%1/x%1.txt").arg(i), "x");
        Devices.SetDeviceIni(QStringLiteral("Slow"), QStringLiteral("[Faults]\nReadDelayUs=100000\n"));
        for (const char *name : {"a.bin", "b.bin", "c.bin"})
            Devices.AddFile(QStringLiteral("Slow"), QStringLiteral("Card/") + QLatin1String(name),
                            QByteArray(256 * 1024, 'd'));
        Devices.AddFile(QStringLiteral("Small"), QStringLiteral("Card/one.txt"), "1");
    }

    static void ExpectRefusesEverything(TMainJob &job, const QStringList &logBefore)
    {
        EXPECT_TRUE(job.IsBusy());
        EXPECT_TRUE(job.RefreshDeviceList().isEmpty());
        EXPECT_FALSE(job.SelectDeviceByName(QStringLiteral("Small"), true));
        EXPECT_FALSE(job.SelectDevice(0, true));
        EXPECT_FALSE(job.ReadDeviceTree(true));
        EXPECT_FALSE(job.LoadTask(QStringLiteral("/nonexistent.tsj"), {}));
        EXPECT_EQ(job.SaveTask(QDir::temp().filePath(QStringLiteral("never.tsj")), QString()), JobBusyText());
        EXPECT_FALSE(QFileInfo::exists(QDir::temp().filePath(QStringLiteral("never.tsj"))));
        EXPECT_EQ(job.BackupSelected().Refused, JobBusyText());
        // Nothing of the refused calls reached the log.
        EXPECT_EQ(job.Log().Lines().mid(0, logBefore.size()), logBefore);
    }
};

TEST_F(MainJobThreadTest, ReadingATreeRefusesEveryOtherEntryPointAndEndsComplete)
{
    TMainJob job(TWorkMode::Threaded);
    job.RefreshDeviceList();
    bool readEnded = false;
    bool complete = false;
    QObject::connect(&job, &TMainJob::DeviceTreeRead, [&](bool done) {
        readEnded = true;
        complete = done;
        EXPECT_FALSE(job.IsBusy()); // a handler may start the next work
    });
    ASSERT_TRUE(job.SelectDeviceByName(QStringLiteral("Big"), true));
    EXPECT_TRUE(job.DeviceInUse());
    const QStringList logBefore = job.Log().Lines();
    ExpectRefusesEverything(job, logBefore);

    ASSERT_TRUE(WaitFor([&] { return readEnded; }));
    EXPECT_TRUE(complete);
    EXPECT_FALSE(job.IsBusy());
    EXPECT_EQ(job.Device()->Content().FolderCount(), FolderCount);
    EXPECT_EQ(job.Selection.size(), 1);
    // The worker's lines arrived in order, the counter line rewritten in place.
    const QStringList lines = job.Log().Lines();
    const qsizetype reading = lines.indexOf(QStringLiteral("  Reading the directory structure"));
    ASSERT_GE(reading, 0);
    ASSERT_EQ(lines.size(), reading + 3);
    EXPECT_EQ(lines[reading + 1], QStringLiteral("    %1 objects found").arg(job.Device()->Content().ObjectCount()));
    EXPECT_EQ(lines[reading + 2], QStringLiteral("    %1 directories found").arg(FolderCount));
}

TEST_F(MainJobThreadTest, ARunRefusesOtherWorkAndCancelsFromTheJobsThread)
{
    TMainJob job(TWorkMode::Threaded);
    job.RefreshDeviceList();
    ASSERT_TRUE(job.SelectDeviceByName(QStringLiteral("Slow"), true));
    ASSERT_TRUE(WaitFor([&] { return !job.IsBusy(); }));
    job.Config.Destination = Dest.path();
    bool finished = false;
    TRunTotals totals;
    QObject::connect(&job, &TMainJob::RunFinished, [&](const TRunTotals &result) {
        finished = true;
        totals = result;
    });
    EXPECT_TRUE(job.BackupSelected().Refused.isEmpty());
    EXPECT_TRUE(job.IsRunning());
    // The configuration may change under a run: the run keeps its own copy.
    job.Config.Destination.clear();
    ExpectRefusesEverything(job, job.Log().Lines());
    ASSERT_TRUE(WaitFor([&] { return QFileInfo::exists(Dest.filePath(QStringLiteral("Card/a.bin"))); }));
    job.CancelRun();
    ASSERT_TRUE(WaitFor([&] { return finished; }));
    EXPECT_TRUE(totals.Cancelled);
    EXPECT_EQ(totals.Failed, 0);
    EXPECT_FALSE(job.IsBusy());
    EXPECT_EQ(job.Log().Lines().last(), QStringLiteral("Backup cancelled"));
    // The file under way left nothing behind, not even a temporary file.
    const QStringList left =
        QDir(Dest.filePath(QStringLiteral("Card"))).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    EXPECT_LT(left.size(), 3) << qPrintable(left.join(QLatin1Char(',')));
    for (const QString &name : left)
        EXPECT_TRUE(name == QLatin1String("a.bin") || name == QLatin1String("b.bin")) << qPrintable(name);
}

TEST_F(MainJobThreadTest, DestroyingTheJobDuringARunCancelsAndWaits)
{
    auto job = std::make_unique<TMainJob>(TWorkMode::Threaded);
    job->RefreshDeviceList();
    ASSERT_TRUE(job->SelectDeviceByName(QStringLiteral("Slow"), true));
    ASSERT_TRUE(WaitFor([&] { return !job->IsBusy(); }));
    job->Config.Destination = Dest.path();
    EXPECT_TRUE(job->BackupSelected().Refused.isEmpty());
    job.reset();
    EXPECT_FALSE(QFileInfo::exists(Dest.filePath(QStringLiteral("Card/c.bin"))));
}

// A run checks its configuration first; the window and the command line show the text.
TEST(RunCheckTest, RefusesWhatWouldWriteElsewhereOrSelectNothingChosen)
{
    struct TCase
    {
        const char *Name;
        QString Destination;
        TTimeMode Mode;
        int Days;
        bool Refused;
    };
    const QString absolute = QDir::temp().filePath(QStringLiteral("out"));
    const TCase cases[] = {
        {"full path", absolute, tmAll, 7, false},
        {"placeholders in a full path", absolute + QStringLiteral("/%device%/%date%"), tmAll, 7, false},
        {"empty", QString(), tmAll, 7, true},
        {"blanks", QStringLiteral("   "), tmAll, 7, true},
        {"relative", QStringLiteral("backup"), tmAll, 7, true},
        {"only a placeholder", QStringLiteral("%device%"), tmAll, 7, true},
        {"0 days", absolute, tmLastDays, 0, true},
        {"0 previous days", absolute, tmPrevDays, 0, true},
        {"1 day", absolute, tmLastDays, 1, false},
        {"9999 days", absolute, tmLastDays, 9999, false},
        {"10000 days", absolute, tmLastDays, 10000, true},
        {"0 days unused", absolute, tmAll, 0, false},
    };
    for (const TCase &c : cases) {
        TBackupConfig config;
        config.Destination = c.Destination;
        config.TmPeriod.Mode = c.Mode;
        config.TmPeriod.Days = c.Days;
        EXPECT_EQ(!RunConfigError(config, QStringLiteral("Phone"), QDate(2026, 12, 10)).isEmpty(), c.Refused) << c.Name;
    }
    TBackupConfig span;
    span.Destination = absolute;
    span.TmPeriod.Mode = tmSpan;
    span.TmPeriod.Dat1 = DateToDateTime(QDate(2026, 12, 2));
    span.TmPeriod.Dat2 = DateToDateTime(QDate(2026, 12, 1));
    EXPECT_FALSE(RunConfigError(span, QString(), QDate(2026, 12, 10)).isEmpty());
}

TEST_F(MainJobThreadTest, ARefusedConfigurationRunsNothingAndSaysWhy)
{
    TMainJob job;
    job.RefreshDeviceList();
    ASSERT_TRUE(job.SelectDeviceByName(QStringLiteral("Small"), true));
    job.Config.Destination = QStringLiteral("relative/out");
    job.Config.TmPeriod.Mode = tmLastDays;
    job.Config.TmPeriod.Days = 0;
    bool started = false;
    QObject::connect(&job, &TMainJob::RunStarted, [&] { started = true; });
    const TRunTotals totals = job.BackupSelected();
    EXPECT_FALSE(started);
    EXPECT_EQ(totals.Refused, job.RunConfigError());
    EXPECT_TRUE(totals.Refused.contains(QStringLiteral("relative/out")));
    EXPECT_TRUE(job.Log().Lines().last().contains(totals.Refused));
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("relative")));

    job.Config.Destination = Dest.path();
    EXPECT_TRUE(job.BackupSelected().Refused.contains(QStringLiteral("9999")));
    job.Config.TmPeriod.Days = 3;
    EXPECT_TRUE(job.BackupSelected().Refused.isEmpty());
}
