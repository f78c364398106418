#include "support/EventWait.h"
#include "support/SimDeviceFolder.h"

#include "app/LocaleDates.h"
#include "app/MainJob.h"
#include "app/RunProgressMeter.h"
#include "device/PortableDevice.h"
#include "device/PortableDeviceContent.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>

namespace {

// Every entry below a folder (the folder itself included) with its size and
// modification time: a folder's time changes with every entry made or removed
// in it, so a probe file created and deleted again shows as well.
QMap<QString, QString> TreeState(const QString &root)
{
    QMap<QString, QString> state;
    const auto note = [&state, &root](const QFileInfo &info) {
        state.insert(QDir(root).relativeFilePath(info.absoluteFilePath()),
                     QStringLiteral("%1 %2 %3")
                         .arg(info.isDir() ? QStringLiteral("dir") : QStringLiteral("file"))
                         .arg(info.isDir() ? 0 : info.size())
                         .arg(info.lastModified().toMSecsSinceEpoch()));
    };
    note(QFileInfo(root));
    QDirIterator entries(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                         QDirIterator::Subdirectories);
    while (entries.hasNext()) {
        entries.next();
        note(entries.fileInfo());
    }
    return state;
}

void PlaceFile(const QString &name, const QByteArray &content, const QDateTime &time)
{
    QDir().mkpath(QFileInfo(name).absolutePath());
    QFile file(name);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(time, QFileDevice::FileModificationTime));
}

// The counts a preview promises and a run delivers.
QString Counts(const TRunTotals &totals)
{
    return QStringLiteral("copied %1, updated %2, skipped %3, excluded %4, failed %5, bytes %6")
        .arg(totals.Copied)
        .arg(totals.Updated)
        .arg(totals.Skipped)
        .arg(totals.Excluded)
        .arg(totals.Failed)
        .arg(totals.BytesCopied);
}

} // namespace

class RunPreviewTest : public ::testing::Test
{
protected:
    TSimDeviceFolder Devices;
    std::unique_ptr<QTemporaryDir> Dest = std::make_unique<QTemporaryDir>();
    std::unique_ptr<TMainJob> Job;

    TMainJob &Open(TWorkMode mode = TWorkMode::Synchronous)
    {
        Job = std::make_unique<TMainJob>(mode);
        Job->RefreshDeviceList();
        EXPECT_TRUE(Job->SelectDeviceByName(QStringLiteral("Phone"), false));
        if (mode == TWorkMode::Threaded) {
            EXPECT_TRUE(WaitFor([this] { return !Job->IsBusy(); }));
        }
        Job->Config.Destination = Dest->path();
        Job->Selection = {Job->Device()->Content().GetObjectIndexByPath(QStringLiteral("Internal"))};
        return *Job;
    }

    TRunTotals Run(TRunMode mode)
    {
        Job->Log().Clear();
        return Job->BackupSelected(mode);
    }

    QStringList Log() const { return Job->Log().Lines(); }
    QString Out(const QString &relative) const { return Dest->filePath(relative); }
};

TEST_F(RunPreviewTest, PreviewWritesNothingAndSaysWhatARunWouldDo)
{
    const QDateTime time = TSimDeviceFolder::DefaultTime();
    Devices.AddFile(QStringLiteral("Phone"), QStringLiteral("Internal/DCIM/new.jpg"), "new");
    Devices.AddFile(QStringLiteral("Phone"), QStringLiteral("Internal/DCIM/old.jpg"), "device copy");
    Devices.AddFile(QStringLiteral("Phone"), QStringLiteral("Internal/DCIM/same.jpg"), "same");
    Devices.AddFile(QStringLiteral("Phone"), QStringLiteral("Internal/Docs/n.txt"), "n");
    Devices.AddFolder(QStringLiteral("Phone"), QStringLiteral("Internal/Empty"));
    // An older copy, a copy as new as the device's, and what a killed run left.
    PlaceFile(Out(QStringLiteral("Internal/DCIM/old.jpg")), "old", time.addDays(-1));
    PlaceFile(Out(QStringLiteral("Internal/DCIM/same.jpg")), "same", time);
    PlaceFile(Out(QStringLiteral("Internal/DCIM/.tessaril-k1ll3d.part")), "half", time);
    Open();
    const QMap<QString, QString> before = TreeState(Dest->path());

    const TRunTotals preview = Run(TRunMode::Preview);
    EXPECT_EQ(TreeState(Dest->path()), before);
    EXPECT_TRUE(preview.Preview);
    EXPECT_EQ(Counts(preview), QStringLiteral("copied 3, updated 1, skipped 1, excluded 0, failed 0, bytes 15"));
    for (const QString &line :
         {QStringLiteral("    + Would copy: new.jpg"),
          QStringLiteral("    + Would update: old.jpg (the existing copy is older)"),
          QStringLiteral("    - Would skip: same.jpg (the existing copy is not older)"),
          QStringLiteral("  3 files would be copied"),
          QStringLiteral("Preview, nothing was written: 3 files to copy (15 B), 1 of them replacing existing copies, "
                         "1 to skip, 0 left out by filter or time slot")})
        EXPECT_TRUE(Log().contains(line)) << qPrintable(line) << "\n" << qPrintable(Log().join(QLatin1Char('\n')));
    EXPECT_TRUE(Log().filter(QStringLiteral("Removed the unfinished")).isEmpty());

    // The run then does what the preview said.
    const TRunTotals run = Run(TRunMode::Backup);
    EXPECT_FALSE(run.Preview);
    EXPECT_EQ(Counts(run), Counts(preview));
    EXPECT_TRUE(QFileInfo(Out(QStringLiteral("Internal/Empty"))).isDir());
    EXPECT_FALSE(QFile::exists(Out(QStringLiteral("Internal/DCIM/.tessaril-k1ll3d.part"))));
}

TEST_F(RunPreviewTest, PreviewCountsEqualTheFollowingRunForEveryRule)
{
    const QDateTime time = TSimDeviceFolder::DefaultTime();
    Devices.AddFile(QStringLiteral("Phone"), QStringLiteral("Internal/older.txt"), "device older");
    Devices.AddFile(QStringLiteral("Phone"), QStringLiteral("Internal/newer.jpg"), "device newer");
    Devices.AddFile(QStringLiteral("Phone"), QStringLiteral("Internal/missing.jpg"), "device missing");
    Devices.AddFile(QStringLiteral("Phone"), QStringLiteral("Internal/ancient.txt"), "ancient",
                    QDateTime(QDate(2019, 5, 1), QTime(12, 0)));

    struct TCase
    {
        const char *Name;
        int Rule;
        QString Filter;
        bool SinceTimeSlot;
        QString Expected;
    };
    const TCase cases[] = {
        {"older", owOlder, {}, false, QStringLiteral("copied 3, updated 1, skipped 1, excluded 0, failed 0, bytes 33")},
        {"all", owAll, {}, false, QStringLiteral("copied 4, updated 2, skipped 0, excluded 0, failed 0, bytes 45")},
        {"none", owNone, {}, false, QStringLiteral("copied 2, updated 0, skipped 2, excluded 0, failed 0, bytes 21")},
        {"filter", owOlder, QStringLiteral("*.jpg"), false,
         QStringLiteral("copied 1, updated 0, skipped 1, excluded 2, failed 0, bytes 14")},
        {"time slot",
         owOlder,
         {},
         true,
         QStringLiteral("copied 2, updated 1, skipped 1, excluded 1, failed 0, bytes 26")},
    };
    for (const TCase &c : cases) {
        Dest = std::make_unique<QTemporaryDir>();
        PlaceFile(Out(QStringLiteral("Internal/older.txt")), "copy", time.addSecs(-60));
        PlaceFile(Out(QStringLiteral("Internal/newer.jpg")), "copy", time.addSecs(60));
        Open();
        Job->Config.Overwrite = c.Rule;
        if (!c.Filter.isEmpty()) {
            Job->Config.FFilter.SetMode(fmInclude);
            Job->Config.FFilter.SetFilter(c.Filter);
        }
        if (c.SinceTimeSlot) {
            Job->Config.TmPeriod.Mode = tmNewer;
            Job->Config.TmPeriod.Dat1 = QtDateToDateTime(QDate(2025, 1, 1));
        }
        const QMap<QString, QString> before = TreeState(Dest->path());
        const TRunTotals preview = Run(TRunMode::Preview);
        EXPECT_EQ(TreeState(Dest->path()), before) << c.Name;
        EXPECT_EQ(Counts(preview), c.Expected) << c.Name;
        EXPECT_EQ(Counts(Run(TRunMode::Backup)), c.Expected) << c.Name;
    }
}

TEST_F(RunPreviewTest, DryRunOfAClosingTaskSavesNoLog)
{
    Devices.AddFile(QStringLiteral("Phone"), QStringLiteral("Internal/a.txt"), "a");
    QTemporaryDir work;
    Open();
    const QString task = work.filePath(QStringLiteral("daily.tsj"));
    ASSERT_TRUE(Job->SaveTask(task, QStringLiteral("Phone")).isEmpty());
    Job->TaskName = task;
    Job->ForceTask = true;
    Job->CloseProg = true;
    const QMap<QString, QString> before = TreeState(Dest->path());
    const QMap<QString, QString> workBefore = TreeState(work.path());
    TRunTotals totals;
    ASSERT_TRUE(Job->RunCommandLineTask({}, work.path(), &totals, TRunMode::Preview));
    EXPECT_EQ(totals.Copied, 1);
    EXPECT_TRUE(totals.Preview);
    EXPECT_EQ(TreeState(Dest->path()), before);
    EXPECT_EQ(TreeState(work.path()), workBefore);
    EXPECT_TRUE(Job->LogSaveError().isEmpty());
}

// The progress model: totals known before the first copy, the last report
// equal to the run's end, a large file with its own progress on the way.
TEST_F(RunPreviewTest, ProgressTotalsEqualTheRunAndTheLastReportIsTheEnd)
{
    Devices.SetDeviceIni(QStringLiteral("Phone"),
                         QStringLiteral("[Faults]\nStreamFail=Internal/bad1.txt,Internal/Sub/bad2.txt\n"
                                        "ReadDelayUs=50000\n"));
    Devices.AddFile(QStringLiteral("Phone"), QStringLiteral("Internal/big.bin"), QByteArray(4 * 1024 * 1024, 'b'));
    Devices.AddFile(QStringLiteral("Phone"), QStringLiteral("Internal/bad1.txt"), "bad one");
    Devices.AddFile(QStringLiteral("Phone"), QStringLiteral("Internal/Sub/bad2.txt"), "bad two");
    Devices.AddFile(QStringLiteral("Phone"), QStringLiteral("Internal/Sub/good.txt"), "good");
    Devices.AddFile(QStringLiteral("Phone"), QStringLiteral("Internal/skip.me"), "left out");
    Open(TWorkMode::Threaded);
    Job->Config.FFilter.SetMode(fmExclude);
    Job->Config.FFilter.SetFilter(QStringLiteral("*.me"));

    QList<TRunProgress> reports;
    bool finished = false;
    int reportsAtFinish = -1;
    TRunTotals totals;
    QObject::connect(Job.get(), &TMainJob::RunProgressChanged,
                     [&reports](const TRunProgress &progress) { reports.append(progress); });
    QObject::connect(Job.get(), &TMainJob::RunFinished, [&](const TRunTotals &end) {
        finished = true;
        reportsAtFinish = int(reports.size());
        totals = end;
    });
    EXPECT_TRUE(Run(TRunMode::Backup).Refused.isEmpty());
    ASSERT_TRUE(WaitFor([&finished] { return finished; }));

    const qint64 bytes = 4 * 1024 * 1024 + 7 + 7 + 4;
    ASSERT_GE(reports.size(), 2);
    EXPECT_EQ(reportsAtFinish, reports.size()) << "the last report comes before the run's end";
    EXPECT_EQ(reports.first().FilesTotal, 4);
    EXPECT_EQ(reports.first().BytesTotal, bytes);
    EXPECT_EQ(totals.Copied, 2);
    EXPECT_EQ(totals.Failed, 2);
    const TRunProgress &last = reports.last();
    EXPECT_EQ(last.FilesDone, totals.Copied + totals.Skipped + totals.Failed);
    EXPECT_EQ(last.FilesTotal, last.FilesDone);
    EXPECT_EQ(last.BytesDone, bytes);
    EXPECT_TRUE(last.CurrentFile.isEmpty());
    EXPECT_GT(last.BytesPerSecond, 0);
    EXPECT_EQ(last.SecondsLeft, 0);
    const bool bigFileShownOnItsWay = std::any_of(reports.cbegin(), reports.cend(), [](const TRunProgress &p) {
        return p.CurrentFile == QStringLiteral("Internal\\big.bin") && p.CurrentDone > 0 &&
               p.CurrentDone < p.CurrentSize;
    });
    EXPECT_TRUE(bigFileShownOnItsWay);

    // The failed files, and only they, are named again at the end.
    const QStringList log = Log();
    const int heading = int(log.indexOf(QStringLiteral("* 2 files failed:")));
    ASSERT_EQ(heading, log.size() - 3) << qPrintable(log.join(QLatin1Char('\n')));
    EXPECT_TRUE(log.at(heading + 1).startsWith(QStringLiteral("    Internal\\Sub\\bad2.txt: The device could not")));
    EXPECT_TRUE(log.at(heading + 2).startsWith(QStringLiteral("    Internal\\bad1.txt: The device could not")));
}

TEST_F(RunPreviewTest, ManyTinyFilesGiveFewReportsAndNoSummaryWithoutFailures)
{
    constexpr int Files = 400;
    for (int i = 0; i < Files; ++i)
        Devices.AddFile(QStringLiteral("Phone"), QStringLiteral("Internal/f%1.txt").arg(i), "x");
    Open();
    int reportCount = 0;
    TRunProgress last;
    QObject::connect(Job.get(), &TMainJob::RunProgressChanged, [&](const TRunProgress &progress) {
        ++reportCount;
        last = progress;
    });
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(Run(TRunMode::Backup).Copied, Files);
    const qint64 elapsedMs = clock.elapsed();
    // About ten a second, plus the first (totals) and the last (end figures).
    EXPECT_LE(reportCount, elapsedMs / 100 + 3) << "in " << elapsedMs << " ms";
    EXPECT_EQ(last.FilesDone, Files);
    EXPECT_EQ(last.BytesDone, Files);
    EXPECT_TRUE(Log().filter(QRegularExpression(QStringLiteral("^\\* "))).isEmpty());
}

// A device may report any size: the figures stay in range and never run past the end.
TEST(RunProgressMeterTest, HugeSizesNeitherOverflowNorRunPastTheEnd)
{
    constexpr qint64 Largest = std::numeric_limits<qint64>::max();
    TRunProgressMeter meter(std::chrono::milliseconds(0));
    QList<TRunProgress> reports;
    meter.SetHandler([&reports](const TRunProgress &progress) { reports.append(progress); });
    meter.SetTotals(2, AddBytes(Largest, Largest));
    EXPECT_EQ(reports.last().BytesTotal, Largest);
    meter.FileStarted([] { return QStringLiteral("Internal\\a"); }, Largest);
    meter.FileProgress(Largest);
    meter.FileFinished(true);
    meter.FileStarted([] { return QStringLiteral("Internal\\b"); }, 100);
    meter.FileProgress(500); // more than the device announced
    EXPECT_EQ(reports.last().CurrentDone, 100);
    EXPECT_EQ(reports.last().BytesDone, Largest);
    meter.FileFinished(true);
    meter.Finish();
    EXPECT_EQ(reports.last().FilesDone, 2);
    EXPECT_EQ(reports.last().BytesDone, Largest);
    EXPECT_GE(reports.last().SecondsLeft, -1);
}
