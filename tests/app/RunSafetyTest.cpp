// What a run and its log must keep safe: no target written twice in a run,
// no old log lost to a full disk, no log line forged by a file name, no saved
// folder lost to a backslash in its name.

#include "support/SimDeviceFolder.h"

#include "app/MainJob.h"
#include "app/TargetNames.h"
#include "device/PortableDevice.h"
#include "device/PortableDeviceContent.h"
#include "settings/IniFile.h"
#include "settings/SafeSave.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>

#include <gtest/gtest.h>

#include <cerrno>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace {

QByteArray ReadAll(const QString &name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Makes every folder look as if it ignored letter case while it lives.
class TCaseBlindFolders
{
public:
    TCaseBlindFolders()
    {
        TTargetNames::SetCaseProbe([](const QString &) { return false; });
    }
    ~TCaseBlindFolders() { TTargetNames::SetCaseProbe({}); }
    TCaseBlindFolders(const TCaseBlindFolders &) = delete;
    TCaseBlindFolders &operator=(const TCaseBlindFolders &) = delete;
};

class TFullDisk
{
public:
    TFullDisk()
    {
        SetSaveWriteHook([](int, const void *, size_t) -> ssize_t {
            errno = ENOSPC;
            return -1;
        });
    }
    ~TFullDisk() { SetSaveWriteHook({}); }
    TFullDisk(const TFullDisk &) = delete;
    TFullDisk &operator=(const TFullDisk &) = delete;
};

} // namespace

class RunSafetyTest : public ::testing::Test
{
protected:
    TSimDeviceFolder Devices;
    QTemporaryDir Dest;
    std::unique_ptr<TMainJob> Job;

    TMainJob &Open(const QString &device = QStringLiteral("Phone"))
    {
        Job = std::make_unique<TMainJob>();
        Job->RefreshDeviceList();
        EXPECT_TRUE(Job->SelectDeviceByName(device, false));
        Job->Config.Destination = Dest.path();
        return *Job;
    }

    TRunTotals Run(const QString &devicePath, int overwrite = owOlder)
    {
        Job->Config.Overwrite = overwrite;
        Job->Selection = {Job->Device()->Content().GetObjectIndexByPath(devicePath)};
        EXPECT_GE(Job->Selection.front(), 0);
        Job->Log().Clear();
        return Job->BackupSelected();
    }
    QString Out(const QString &relative) const { return Dest.filePath(relative); }
    QStringList Files(const QString &relative) const
    {
        return QDir(Out(relative)).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }
};

TEST_F(RunSafetyTest, FilesWantingOneLocalNameGetNamesOfTheirOwnStableFromRunToRun)
{
    // "x" says its name is "a/b", which becomes "a_b" like the real "a_b";
    // "y" says its name is "photo.jpg" like the real one.
    Devices.SetDeviceIni(QStringLiteral("Phone"),
                         QStringLiteral("[Faults]\nName=Internal/x:a/b|Internal/y:photo.jpg\n"));
    Devices.AddFile(QStringLiteral("Phone"), QStringLiteral("Internal/a_b"), "real a_b");
    Devices.AddFile(QStringLiteral("Phone"), QStringLiteral("Internal/photo.jpg"), "first photo");
    Devices.AddFile(QStringLiteral("Phone"), QStringLiteral("Internal/photo (2).jpg"), "real numbered");
    Devices.AddFile(QStringLiteral("Phone"), QStringLiteral("Internal/x"), "made-safe a/b");
    Devices.AddFile(QStringLiteral("Phone"), QStringLiteral("Internal/y"), "second photo");
    Open();
    for (int overwrite : {owAll, owOlder}) {
        const TRunTotals totals = Run(QStringLiteral("Internal"), overwrite);
        EXPECT_EQ(totals.Failed, 0);
        EXPECT_EQ(ReadAll(Out(QStringLiteral("Internal/a_b"))), QByteArray("real a_b"));
        EXPECT_EQ(ReadAll(Out(QStringLiteral("Internal/a_b (2)"))), QByteArray("made-safe a/b"));
        EXPECT_EQ(ReadAll(Out(QStringLiteral("Internal/photo.jpg"))), QByteArray("first photo"));
        // The real "photo (2).jpg" keeps its name; the second "photo.jpg" takes the next one.
        EXPECT_EQ(ReadAll(Out(QStringLiteral("Internal/photo (2).jpg"))), QByteArray("real numbered"));
        EXPECT_EQ(ReadAll(Out(QStringLiteral("Internal/photo (3).jpg"))), QByteArray("second photo"));
        EXPECT_EQ(Files(QStringLiteral("Internal")).size(), 5)
            << qPrintable(Files(QStringLiteral("Internal")).join(','));
        EXPECT_TRUE(Job->Log().Lines().contains(QStringLiteral(
            "      Saved as \"photo (3).jpg\": an earlier file of this run took the name of \"photo.jpg\"")))
            << qPrintable(Job->Log().Text());
    }
    // The second run under "when older" found every copy, the renamed ones included, up to date.
    EXPECT_EQ(Job->Log().Text().count(QStringLiteral("- Skipped: ")), 5) << qPrintable(Job->Log().Text());
}

TEST_F(RunSafetyTest, DestinationThatIgnoresCaseKeepsBothSpellings)
{
    Devices.SetDeviceIni(QStringLiteral("Phone"), QString());
    Devices.AddFile(QStringLiteral("Phone"), QStringLiteral("Internal/Photo.JPG"), "upper");
    Devices.AddFile(QStringLiteral("Phone"), QStringLiteral("Internal/photo.jpg"), "lower");
    Open();
    {
        const TCaseBlindFolders caseBlind;
        const TRunTotals totals = Run(QStringLiteral("Internal"), owAll);
        EXPECT_EQ(totals.Copied, 2);
    }
    EXPECT_EQ(ReadAll(Out(QStringLiteral("Internal/Photo.JPG"))), QByteArray("upper"));
    EXPECT_EQ(ReadAll(Out(QStringLiteral("Internal/photo (2).jpg"))), QByteArray("lower"));
    // A folder that tells case apart keeps both names as they are.
    EXPECT_TRUE(TTargetNames::FolderIsCaseSensitive(Dest.path()));
    EXPECT_TRUE(QDir(Dest.path()).entryList(QDir::Files | QDir::Hidden).isEmpty()); // the probe is gone
}

TEST_F(RunSafetyTest, ReRunLeavesUnchangedDestinationFoldersUntouched)
{
    struct statfs fileSystem
    {};
    ASSERT_EQ(::statfs(QFile::encodeName(Dest.path()).constData(), &fileSystem), 0);
    constexpr long Ext4Magic = 0xEF53;
    constexpr long TmpfsMagic = 0x01021994;
    if (fileSystem.f_type != Ext4Magic && fileSystem.f_type != TmpfsMagic)
        GTEST_SKIP() << "the test folder is neither on ext4 nor on tmpfs: a probe file may be needed there";
    Devices.SetDeviceIni(QStringLiteral("Phone"), QString());
    Devices.AddFile(QStringLiteral("Phone"), QStringLiteral("Internal/DCIM/a.jpg"), "a");
    Open();
    ASSERT_EQ(Run(QStringLiteral("Internal"), owOlder).Copied, 1);
    const auto changeTime = [this] {
        struct stat info
        {};
        ::stat(QFile::encodeName(Out(QStringLiteral("Internal/DCIM"))).constData(), &info);
        return std::pair(info.st_mtim.tv_sec, info.st_mtim.tv_nsec);
    };
    const auto before = changeTime();
    // The file system's type answers the letter-case question: no probe file
    // comes and goes in a folder whose copies are all up to date.
    EXPECT_EQ(Run(QStringLiteral("Internal"), owOlder).Skipped, 1);
    EXPECT_EQ(changeTime(), before);
}

TEST_F(RunSafetyTest, RealCaseInsensitiveDriveIsFoundByTryingAndKeepsBothSpellings)
{
    const auto shell = [](const QString &command) {
        return QProcess::execute(QStringLiteral("sh"),
                                 {QStringLiteral("-c"), command + QStringLiteral(" >/dev/null 2>&1")});
    };
    if (::geteuid() != 0 || shell(QStringLiteral("command -v mkfs.vfat")) != 0)
        GTEST_SKIP() << "needs root and mkfs.vfat (dosfstools) to mount a FAT image: real FAT drive not tried";
    const QString image = Dest.filePath(QStringLiteral("fat.img"));
    const QString mountPoint = Dest.filePath(QStringLiteral("fat"));
    ASSERT_TRUE(QDir().mkpath(mountPoint));
    ASSERT_EQ(shell(QStringLiteral("truncate -s 8M '%1' && mkfs.vfat '%1'").arg(image)), 0);
    if (shell(QStringLiteral("mount -o loop '%1' '%2'").arg(image, mountPoint)) != 0)
        GTEST_SKIP() << "cannot mount a loop device here: real FAT drive not tried";
    const auto unmount = qScopeGuard([&] { shell(QStringLiteral("umount '%1'").arg(mountPoint)); });
    EXPECT_FALSE(TTargetNames::FolderIsCaseSensitive(mountPoint));

    Devices.SetDeviceIni(QStringLiteral("Phone"), QString());
    Devices.AddFile(QStringLiteral("Phone"), QStringLiteral("Internal/Photo.JPG"), "upper");
    Devices.AddFile(QStringLiteral("Phone"), QStringLiteral("Internal/photo.jpg"), "lower");
    Open();
    Job->Config.Destination = mountPoint;
    const TRunTotals totals = Run(QStringLiteral("Internal"), owAll);
    EXPECT_EQ(totals.Copied, 2);
    EXPECT_EQ(ReadAll(mountPoint + QStringLiteral("/Internal/Photo.JPG")), QByteArray("upper"));
    EXPECT_EQ(ReadAll(mountPoint + QStringLiteral("/Internal/photo (2).jpg")), QByteArray("lower"));
}

TEST_F(RunSafetyTest, FullDiskKeepsTheOldLogAndSaysSo)
{
    const QString name = Dest.filePath(QStringLiteral("ts-daily.log"));
    QFile old(name);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old log\n");
    old.close();
    TProgressLog log;
    log.LogLine(QStringLiteral("new line"));
    {
        const TFullDisk full;
        const QString error = log.SaveToFile(name);
        EXPECT_TRUE(error.contains(QString::fromLocal8Bit(std::strerror(ENOSPC)))) << qPrintable(error);
    }
    EXPECT_EQ(ReadAll(name), QByteArray("old log\n"));
    EXPECT_EQ(QDir(Dest.path()).entryList(QDir::Files | QDir::Hidden).size(), 1); // no temporary left
}

TEST_F(RunSafetyTest, ClosingRunOnAFullDiskKeepsTheWindowsLogError)
{
    Devices.SetDeviceIni(QStringLiteral("Phone"), QString());
    Devices.AddFile(QStringLiteral("Phone"), QStringLiteral("Internal/a.txt"), "a");
    const QString task = Dest.filePath(QStringLiteral("daily.tsj"));
    Open();
    Job->Config.Destination = Dest.filePath(QStringLiteral("out"));
    Job->Selection = {Job->Device()->Content().GetObjectIndexByPath(QStringLiteral("Internal"))};
    ASSERT_TRUE(Job->SaveTask(task, QStringLiteral("Phone")).isEmpty());

    TMainJob job;
    job.RefreshDeviceList();
    job.TaskName = task;
    job.ForceTask = true;
    job.CloseProg = true;
    const TFullDisk full;
    ASSERT_TRUE(job.RunCommandLineTask({}, Dest.path()));
    EXPECT_FALSE(job.LogSaveError().isEmpty());
    EXPECT_FALSE(QFile::exists(Dest.filePath(QStringLiteral("ts-daily.log"))));
}

TEST_F(RunSafetyTest, LineBreaksInNamesCannotForgeLogLines)
{
    Devices.SetDeviceIni(QStringLiteral("Phone"), QString());
    Devices.AddFile(QStringLiteral("Phone"), QStringLiteral("Internal/x\n  *** forged\x1b[2J.txt"), "e");
    Open();
    Run(QStringLiteral("Internal"), owAll);
    const QString logName = Dest.filePath(QStringLiteral("run.log"));
    ASSERT_TRUE(Job->Log().SaveToFile(logName).isEmpty());
    const QByteArray saved = ReadAll(logName);
    EXPECT_FALSE(saved.contains("\n  *** forged")) << saved.constData();
    EXPECT_FALSE(saved.contains('\x1b'));
    for (const QString &line : Job->Log().Lines())
        EXPECT_FALSE(line.contains(QLatin1Char('\n')) || line.contains(QLatin1Char('\r')));
}
