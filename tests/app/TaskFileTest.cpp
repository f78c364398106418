#include "support/SimDeviceFolder.h"

#include "app/LocaleDates.h"
#include "app/MainJob.h"
#include "device/PortableDevice.h"
#include "device/PortableDeviceContent.h"
#include "settings/IniFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

class TaskFileTest : public ::testing::Test
{
protected:
    TSimDeviceFolder Devices;
    QTemporaryDir Work;
    QString TaskFile = Work.filePath(QStringLiteral("daily.tsj"));

    void SetUp() override
    {
        Devices.SetDeviceIni(QStringLiteral("Phone"), QString());
        Devices.AddFile(QStringLiteral("Phone"), QStringLiteral("Internal/DCIM/Camera/a.jpg"), "a");
        Devices.AddFile(QStringLiteral("Phone"), QStringLiteral("Internal/Deep/One/Two/Three/d.txt"), "d");
        Devices.AddFile(QStringLiteral("Phone"), QStringLiteral("Card/Music/m.mp3"), "m");
    }

    static int IndexOf(TMainJob &job, const QString &path)
    {
        return job.Device()->Content().GetObjectIndexByPath(path);
    }

    static QStringList SelectedPaths(TMainJob &job)
    {
        QStringList paths;
        for (int index : std::as_const(job.Selection))
            paths.append(job.Device()->Content().GetObject(index)->Path());
        return paths;
    }

    // A task of the whole phone (its storages) into Work/out.
    void SaveWholePhoneTask()
    {
        TMainJob job;
        job.RefreshDeviceList();
        ASSERT_TRUE(job.SelectDeviceByName(QStringLiteral("Phone"), true));
        job.Config.Destination = Work.filePath(QStringLiteral("out"));
        ASSERT_TRUE(job.SaveTask(TaskFile, QStringLiteral("Phone")).isEmpty());
    }

    static TMainJob::TConfirmNotReady Decline(QStringList &questions)
    {
        return [&questions](const QString &question) {
            questions.append(question);
            return false;
        };
    }
};

TEST_F(TaskFileTest, SavedTaskKeepsEveryKeyAndSelectsDeepFolders)
{
    {
        TMainJob job;
        job.RefreshDeviceList();
        ASSERT_TRUE(job.SelectDeviceByName(QStringLiteral("phone"), false));
        TBackupConfig &config = job.Config;
        config.Destination = QStringLiteral("/backup/%device%/%date%");
        config.Overwrite = owAll;
        config.ArchBit = true;
        config.Compress = true;
        config.CompressAsZip = true;
        config.AktNoComp = {QStringLiteral("jpg"), QStringLiteral("png")};
        config.FFilter.SetRegular(true);
        config.FFilter.SetMode(fmExclude);
        config.FFilter.SetFilter(QStringLiteral("\\.tmp$"));
        config.TmPeriod.Mode = tmLastDays;
        config.TmPeriod.Days = 14;
        config.TmPeriod.DayTime = 0.375;
        config.TmPeriod.Dat1 = 46001;
        config.TmPeriod.Dat2 = 46002;
        job.Selection = {IndexOf(job, QStringLiteral("Card\\Music")),
                         IndexOf(job, QStringLiteral("Internal\\Deep\\One\\Two\\Three")),
                         IndexOf(job, QStringLiteral("Internal\\DCIM"))};
        ASSERT_TRUE(job.SaveTask(TaskFile, job.Device()->DeviceName()).isEmpty());
    }

    QFile raw(TaskFile);
    ASSERT_TRUE(raw.open(QIODevice::ReadOnly));
    EXPECT_TRUE(raw.read(2) == QByteArray("\xFF\xFE", 2));
    const TMemIniFile ini(TaskFile);
    EXPECT_EQ(ini.ReadSection(QStringLiteral("Config")),
              QStringList({QStringLiteral("DeviceName"), QStringLiteral("Destination"), QStringLiteral("Overwrite"),
                           QStringLiteral("ArchBit"), QStringLiteral("Compress"), QStringLiteral("CompressAsZip"),
                           QStringLiteral("NoCompTypes"), QStringLiteral("DirCount")}));
    EXPECT_EQ(ini.ReadSections(),
              QStringList({QStringLiteral("Unicode"), QStringLiteral("Config"), QStringLiteral("FileFilter"),
                           QStringLiteral("TimeSlot"), QStringLiteral("Directories")}));
    EXPECT_EQ(ini.ReadString(QStringLiteral("Directories"), QStringLiteral("Dir01"), QString()),
              QStringLiteral("Internal\\Deep\\One\\Two\\Three"));
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("Config"), QStringLiteral("DirCount"), 0), 3);
    EXPECT_EQ(ini.ReadString(QStringLiteral("Config"), QStringLiteral("NoCompTypes"), QString()),
              QStringLiteral("jpg,png"));
    EXPECT_EQ(ini.ReadString(QStringLiteral("TimeSlot"), QStringLiteral("DateFrom"), QString()), DateText(46001));

    TMainJob loaded;
    loaded.RefreshDeviceList();
    QStringList questions;
    ASSERT_TRUE(loaded.LoadTask(TaskFile, Decline(questions)));
    EXPECT_TRUE(questions.isEmpty());
    EXPECT_EQ(loaded.EditStatus(), esSaved);
    const TBackupConfig &config = loaded.Config;
    EXPECT_EQ(config.Destination, QStringLiteral("/backup/%device%/%date%"));
    EXPECT_EQ(config.Overwrite, owAll);
    EXPECT_TRUE(config.ArchBit);
    EXPECT_TRUE(config.Compress);
    EXPECT_TRUE(config.CompressAsZip);
    EXPECT_EQ(config.AktNoComp, QStringList({QStringLiteral("jpg"), QStringLiteral("png")}));
    EXPECT_TRUE(config.FFilter.Regular());
    EXPECT_EQ(config.FFilter.Mode(), fmExclude);
    EXPECT_EQ(config.FFilter.Filter(), QStringLiteral("\\.tmp$"));
    EXPECT_EQ(config.TmPeriod.Mode, tmLastDays);
    EXPECT_EQ(config.TmPeriod.Days, 14);
    EXPECT_DOUBLE_EQ(config.TmPeriod.DayTime, 0.375);
    EXPECT_DOUBLE_EQ(config.TmPeriod.Dat1, 46001);
    EXPECT_DOUBLE_EQ(config.TmPeriod.Dat2, 46002);
    EXPECT_EQ(SelectedPaths(loaded),
              QStringList({QStringLiteral("Card\\Music"), QStringLiteral("Internal\\Deep\\One\\Two\\Three"),
                           QStringLiteral("Internal\\DCIM")}));
    EXPECT_TRUE(loaded.Log().Lines().contains(QStringLiteral("  Selected: Phone")));
    EXPECT_TRUE(loaded.Log().Lines().contains(QStringLiteral("  Reading the directory structure")));
}

TEST_F(TaskFileTest, SavedDeviceNodeIsSelectedAgain)
{
    {
        TMainJob job;
        job.RefreshDeviceList();
        ASSERT_TRUE(job.SelectDeviceByName(QStringLiteral("Phone"), false));
        job.Selection = {0};
        ASSERT_TRUE(job.SaveTask(TaskFile, QStringLiteral("Phone")).isEmpty());
    }
    TMainJob job;
    job.RefreshDeviceList();
    QStringList questions;
    ASSERT_TRUE(job.LoadTask(TaskFile, Decline(questions)));
    EXPECT_EQ(job.Selection, QList<int>({0}));
}

TEST_F(TaskFileTest, SavedFolderThatIsGoneIsLoggedAndTheRestSelected)
{
    {
        TMainJob job;
        job.RefreshDeviceList();
        ASSERT_TRUE(job.SelectDeviceByName(QStringLiteral("Phone"), false));
        job.Selection = {IndexOf(job, QStringLiteral("Internal\\DCIM\\Camera")),
                         IndexOf(job, QStringLiteral("Card\\Music"))};
        ASSERT_TRUE(job.SaveTask(TaskFile, QStringLiteral("Phone")).isEmpty());
    }
    QDir(Devices.DevicePath(QStringLiteral("Phone"), QStringLiteral("Card/Music"))).removeRecursively();
    TMainJob job;
    job.RefreshDeviceList();
    QStringList questions;
    ASSERT_TRUE(job.LoadTask(TaskFile, Decline(questions)));
    EXPECT_EQ(SelectedPaths(job), QStringList({QStringLiteral("Internal\\DCIM\\Camera")}));
    EXPECT_TRUE(job.Log().Lines().contains(QStringLiteral("    Saved directory not found on the device: Card\\Music")))
        << qPrintable(job.Log().Text());
}

TEST_F(TaskFileTest, MissingDeviceAsksAndDecliningFailsTheLoad)
{
    TMemIniFile ini(TaskFile);
    ini.WriteString(QStringLiteral("Config"), QStringLiteral("DeviceName"), QStringLiteral("Tablet"));
    ini.WriteString(QStringLiteral("Config"), QStringLiteral("Destination"), QStringLiteral("/somewhere"));
    ini.UpdateFile();
    TMainJob job;
    job.RefreshDeviceList();
    QStringList questions;
    EXPECT_FALSE(job.LoadTask(TaskFile, Decline(questions)));
    EXPECT_EQ(questions,
              QStringList({QStringLiteral("Portable device \"Tablet\" is not ready!\r\nPlease connect it to the "
                                          "computer and activate the device!\r\nContinue?")}));
    EXPECT_EQ(job.TaskName, TaskFile);
    EXPECT_TRUE(job.Config.Destination.isEmpty());

    // Saying yes looks again (after the device list is loaded anew).
    int asked = 0;
    EXPECT_FALSE(job.LoadTask(TaskFile, [&asked](const QString &) { return ++asked < 3; }));
    EXPECT_EQ(asked, 3);
}

TEST_F(TaskFileTest, HandWrittenTaskLoadsAndRuns)
{
    const QString source = QStringLiteral(TESSARIL_TEST_DATA "/tasks/phone-camera.tsj");
    QFile raw(source);
    ASSERT_TRUE(raw.open(QIODevice::ReadOnly));
    QString text =
        QString::fromUtf16(reinterpret_cast<const char16_t *>(raw.readAll().constData() + 2), (raw.size() - 2) / 2);
    // The committed task names "/tmp/tessaril-demo"; point it at this test's folder.
    text.replace(QStringLiteral("/tmp/tessaril-demo"), Work.filePath(QStringLiteral("out")));
    QFile task(TaskFile);
    ASSERT_TRUE(task.open(QIODevice::WriteOnly));
    task.write(QByteArray("\xFF\xFE", 2) + QByteArray(reinterpret_cast<const char *>(text.utf16()), text.size() * 2));
    task.close();

    TMainJob job;
    job.RefreshDeviceList();
    job.TaskName = TaskFile;
    job.ForceTask = true;
    QStringList questions;
    TRunTotals totals;
    ASSERT_TRUE(job.RunCommandLineTask(Decline(questions), QString(), &totals));
    EXPECT_EQ(totals.Copied, 2);
    EXPECT_EQ(job.Config.FFilter.Mode(), fmInclude);
    EXPECT_TRUE(QFile::exists(Work.filePath(QStringLiteral("out/Phone/Internal/DCIM/Camera/a.jpg"))));
    EXPECT_TRUE(QFile::exists(Work.filePath(QStringLiteral("out/Phone/Internal/Deep/One/Two/Three/d.txt.gz"))));
    const QStringList lines = job.Log().Lines();
    const int separator = int(lines.indexOf(QString(25, QLatin1Char('='))));
    ASSERT_GE(separator, 0) << qPrintable(job.Log().Text());
    EXPECT_TRUE(lines.at(separator + 1).startsWith(QStringLiteral("==> Start: ")));
    EXPECT_TRUE(lines.at(separator + 1).endsWith(QStringLiteral(" - Backup task: daily.tsj")));
    EXPECT_TRUE(lines.last().startsWith(QStringLiteral("==> Backup finished: ")));
    EXPECT_TRUE(lines.last().endsWith(QStringLiteral(" (00:00:00)")) ||
                lines.last().endsWith(QStringLiteral(" (00:00:01)")));
}

TEST_F(TaskFileTest, ClosingRunSavesItsLogBesideTheSettings)
{
    ASSERT_NO_FATAL_FAILURE(SaveWholePhoneTask());
    TMainJob job;
    job.RefreshDeviceList(StartHeaderText());
    job.TaskName = TaskFile;
    job.ForceTask = true;
    job.CloseProg = true;
    QStringList questions;
    ASSERT_TRUE(job.RunCommandLineTask(Decline(questions), Work.path()));
    QFile log(Work.filePath(QStringLiteral("ts-daily.log")));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QByteArray bytes = log.readAll();
    EXPECT_TRUE(bytes.startsWith("\xEF\xBB\xBFTessaril - 64-bit (Version "));
    EXPECT_TRUE(bytes.contains("\n  2 files copied\n"));
    EXPECT_TRUE(bytes.contains("\n  1 file copied\n"));
}

TEST_F(TaskFileTest, ClosingRunThatCannotSaveItsLogSaysSo)
{
    ASSERT_NO_FATAL_FAILURE(SaveWholePhoneTask());
    ASSERT_TRUE(QDir(Work.path()).mkdir(QStringLiteral("ts-daily.log"))); // the log's name is taken
    TMainJob job;
    job.RefreshDeviceList(StartHeaderText());
    job.TaskName = TaskFile;
    job.ForceTask = true;
    job.CloseProg = true;
    QStringList questions;
    ASSERT_TRUE(job.RunCommandLineTask(Decline(questions), Work.path()));
    EXPECT_FALSE(job.LogSaveError().isEmpty());
    EXPECT_EQ(job.Log().Lines().last(), QStringLiteral("  *** ") + job.LogSaveError());
}

TEST_F(TaskFileTest, WithoutForceTheTaskIsOnlyLoaded)
{
    ASSERT_NO_FATAL_FAILURE(SaveWholePhoneTask());
    TMainJob job;
    job.TaskName = TaskFile;
    QStringList questions;
    EXPECT_FALSE(job.RunCommandLineTask(Decline(questions), QString()));
    EXPECT_EQ(job.Selection.size(), 2);
    EXPECT_FALSE(QDir(Work.filePath(QStringLiteral("out"))).exists());
}

TEST_F(TaskFileTest, FolderWithABackslashInItsNameIsSelectedAgainAndOldPathsStillRead)
{
    Devices.AddFolder(QStringLiteral("Phone"), QStringLiteral("Internal/a\\b"));
    Devices.AddFolder(QStringLiteral("Phone"), QStringLiteral("Internal/50%25"));
    {
        TMainJob job;
        job.RefreshDeviceList();
        ASSERT_TRUE(job.SelectDeviceByName(QStringLiteral("Phone"), false));
        TPortableDeviceObject *storage = job.Device()->Content().GetObjectByPath(QStringLiteral("Internal"));
        ASSERT_NE(storage, nullptr);
        TPortableDeviceObject *slash = storage->GetChildByName(QStringLiteral("a\\b"));
        ASSERT_NE(slash, nullptr);
        job.Selection = {slash->Index(), IndexOf(job, QStringLiteral("Internal\\50%25"))};
        ASSERT_TRUE(job.SaveTask(TaskFile, QStringLiteral("Phone")).isEmpty());
    }
    const TMemIniFile ini(TaskFile);
    EXPECT_EQ(ini.ReadString(QStringLiteral("Directories"), QStringLiteral("Dir00"), QString()),
              QStringLiteral("Internal\\a%5Cb"));
    // A name without a backslash is written as older versions wrote it.
    EXPECT_EQ(ini.ReadString(QStringLiteral("Directories"), QStringLiteral("Dir01"), QString()),
              QStringLiteral("Internal\\50%2525"));

    TMainJob job;
    job.RefreshDeviceList();
    QStringList questions;
    ASSERT_TRUE(job.LoadTask(TaskFile, Decline(questions)));
    EXPECT_EQ(SelectedPaths(job), (QStringList{QStringLiteral("Internal\\a\\b"), QStringLiteral("Internal\\50%25")}));
    EXPECT_EQ(job.MissingFolders(), 0);

    // An older task names "50%25" as it is.
    TMemIniFile old(TaskFile);
    old.WriteString(QStringLiteral("Directories"), QStringLiteral("Dir01"), QStringLiteral("Internal\\50%25"));
    old.UpdateFile();
    ASSERT_TRUE(job.LoadTask(TaskFile, Decline(questions)));
    EXPECT_EQ(job.MissingFolders(), 0);
    EXPECT_EQ(SelectedPaths(job).value(1), QStringLiteral("Internal\\50%25"));
}
