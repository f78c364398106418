#include "support/SimDeviceFolder.h"

#include "app/MainJob.h"
#include "base/ErrorText.h"
#include "device/PortableDevice.h"
#include "device/PortableDeviceContent.h"
#include "transfer/FileSystem.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include <sys/mount.h>

namespace {

QByteArray ReadAll(const QString &name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Python's zipfile and gzip judge the compressed copies.
QString PythonCheck(const QString &script, const QString &file)
{
    QProcess python;
    python.start(QStringLiteral("python3"), {QStringLiteral("-c"), script, file});
    python.waitForFinished(30000);
    return QString::fromUtf8(python.readAllStandardOutput()).trimmed() +
           QString::fromUtf8(python.readAllStandardError()).trimmed();
}

const QString ZipEntryInfo =
    QStringLiteral("import sys,zipfile\nz=zipfile.ZipFile(sys.argv[1])\nassert z.testzip() is None\n"
                   "i=z.infolist()\nprint(len(i), i[0].filename, 'deflated' if i[0].compress_type==8 else 'stored', "
                   "z.read(i[0]).decode())");
const QString GzipContent = QStringLiteral("import sys,gzip\nprint(gzip.open(sys.argv[1]).read().decode())");

} // namespace

class BackupRunTest : public ::testing::Test
{
protected:
    TSimDeviceFolder Devices;
    QTemporaryDir Dest;
    std::unique_ptr<TMainJob> Job;

    void SetUp() override
    {
        Devices.SetDeviceIni(QStringLiteral("Phone"), QStringLiteral("[Device]\nManufacturer=Test\n"));
    }

    // Opens the device anew (a new job reads the device's faults and files again).
    TMainJob &Open(const QString &device = QStringLiteral("Phone"))
    {
        Job = std::make_unique<TMainJob>();
        Job->RefreshDeviceList();
        EXPECT_TRUE(Job->SelectDeviceByName(device, false));
        Job->Config.Destination = Dest.path();
        return *Job;
    }

    int IndexOf(const QString &devicePath) const { return Job->Device()->Content().GetObjectIndexByPath(devicePath); }

    TRunTotals Run(const QStringList &devicePaths)
    {
        Job->Selection.clear();
        for (const QString &path : devicePaths) {
            const int index = path.isEmpty() ? 0 : IndexOf(path);
            EXPECT_GE(index, 0) << qPrintable(path);
            Job->Selection.append(index);
        }
        Job->Log().Clear();
        return Job->BackupSelected();
    }

    QStringList Log() const { return Job->Log().Lines(); }
    QString Out(const QString &relative) const { return Dest.filePath(relative); }

    // Whether the destination's file system keeps the archive attribute at all.
    bool FileSystemKeepsArchiveBit() const
    {
        const QString probe = Dest.filePath(QStringLiteral(".probe"));
        QFile file(probe);
        if (!file.open(QIODevice::WriteOnly))
            return false;
        file.close();
        const bool kept = SetFileAttributes(probe, FILE_ATTRIBUTE_ARCHIVE) == 0 &&
                          (GetFileAttributes(probe) & FILE_ATTRIBUTE_ARCHIVE) != 0;
        QFile::remove(probe);
        return kept;
    }

    void ExpectSameTime(const QString &copy, const QString &deviceRelative)
    {
        const QDateTime device = QFileInfo(Devices.DevicePath(QStringLiteral("Phone"), deviceRelative)).lastModified();
        EXPECT_EQ(QFileInfo(copy).lastModified().toMSecsSinceEpoch(), device.toMSecsSinceEpoch()) << qPrintable(copy);
    }
};

TEST_F(BackupRunTest, StorageSelectionMirrorsFoldersSubfoldersFirstAndCreatesEmptyFolders)
{
    Devices.AddFile(QStringLiteral("Phone"), QStringLiteral("Internal/top.txt"), "top");
    Devices.AddFile(QStringLiteral("Phone"), QStringLiteral("Internal/DCIM/Camera/a.jpg"), "jpeg-a");
    Devices.AddFolder(QStringLiteral("Phone"), QStringLiteral("Internal/Empty/Inner"));
    Open();
    const TRunTotals totals = Run({QStringLiteral("Internal")});
    EXPECT_EQ(totals.Copied, 2);
    EXPECT_EQ(ReadAll(Out(QStringLiteral("Internal/DCIM/Camera/a.jpg"))), QByteArray("jpeg-a"));
    EXPECT_EQ(ReadAll(Out(QStringLiteral("Internal/top.txt"))), QByteArray("top"));
    EXPECT_TRUE(QFileInfo(Out(QStringLiteral("Internal/Empty/Inner"))).isDir());
    ExpectSameTime(Out(QStringLiteral("Internal/DCIM/Camera/a.jpg")), QStringLiteral("Internal/DCIM/Camera/a.jpg"));

    const QStringList expected = {
        QStringLiteral("  Destination directory: ") + Out(QStringLiteral("Internal")),
        QStringLiteral("  Subdirectory: Internal\\DCIM\\Camera"),
        QStringLiteral("    + Copied: a.jpg"),
        QStringLiteral("  Subdirectory: Internal\\DCIM"),
        QStringLiteral("  Subdirectory: Internal\\Empty\\Inner"),
        QStringLiteral("  Subdirectory: Internal\\Empty"),
        QStringLiteral("  Subdirectory: Internal"),
        QStringLiteral("    + Copied: top.txt"),
        QStringLiteral("  2 files copied"),
    };
    // Child order is the device's listing order; compare the lines as a set
    // of sequences: every folder's line comes after its subfolders' lines.
    EXPECT_EQ(Log().size(), expected.size()) << qPrintable(Log().join(QLatin1Char('\n')));
    for (const QString &line : expected)
        EXPECT_TRUE(Log().contains(line)) << qPrintable(line) << "\n" << qPrintable(Log().join(QLatin1Char('\n')));
    EXPECT_LT(Log().indexOf(QStringLiteral("  Subdirectory: Internal\\DCIM\\Camera")),
              Log().indexOf(QStringLiteral("  Subdirectory: Internal\\DCIM")));
    EXPECT_LT(Log().indexOf(QStringLiteral("  Subdirectory: Internal\\DCIM")),
              Log().indexOf(QStringLiteral("  Subdirectory: Internal")));
    EXPECT_EQ(Log().first(), expected.first());
    EXPECT_EQ(Log().last(), expected.last());
}

TEST_F(BackupRunTest, DeviceSelectionAddsTheDeviceNameAndFolderSelectionStartsAtTheFolder)
{
    Devices.AddFile(QStringLiteral("Phone"), QStringLiteral("Card/Music/Band/song.mp3"), "mp3");
    Open();
    EXPECT_EQ(Run({QString()}).Copied, 1);
    EXPECT_EQ(ReadAll(Out(QStringLiteral("Phone/Card/Music/Band/song.mp3"))), QByteArray("mp3"));
    EXPECT_EQ(Run({QStringLiteral("Card\\Music\\Band")}).Copied, 1);
    EXPECT_EQ(ReadAll(Out(QStringLiteral("Card/Music/Band/song.mp3"))), QByteArray("mp3"));
}

TEST_F(BackupRunTest, SecondRunFollowsEachOverwriteRule)
{
    Devices.AddFile(QStringLiteral("Phone"), QStringLiteral("Internal/a.txt"), "aaa");
    Devices.AddFile(QStringLiteral("Phone"), QStringLiteral("Internal/b.txt"), "bbb");
    Open();
    ASSERT_EQ(Run({QStringLiteral("Internal")}).Copied, 2);

    struct TCase
    {
        int Rule;
        QString Line;
        int Copied;
    };
    for (const TCase &c : {TCase{owOlder, QStringLiteral("    - Skipped: a.txt"), 0},
                           TCase{owAll, QStringLiteral("    + Updated: a.txt"), 2},
                           TCase{owNone, QStringLiteral("    - Skipped: a.txt"), 0}}) {
        Job->Config.Overwrite = c.Rule;
        const TRunTotals totals = Run({QStringLiteral("Internal")});
        EXPECT_EQ(totals.Copied, c.Copied) << c.Rule;
        EXPECT_TRUE(Log().contains(c.Line)) << c.Rule << qPrintable(Log().join(QLatin1Char('\n')));
        EXPECT_EQ(Log().last(),
                  c.Copied == 0 ? QStringLiteral("  No files copied") : QStringLiteral("  2 files copied"));
    }
}

TEST_F(BackupRunTest, OlderRuleComparesWithTheExistingCopysOwnTime)
{
    Devices.AddFile(QStringLiteral("Phone"), QStringLiteral("Internal/a.txt"), "device");
    QDir().mkpath(Out(QStringLiteral("Internal")));
    const auto place = [this](const QString &name, const QDateTime &time) {
        QFile file(Out(QStringLiteral("Internal/a.txt")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(name.toUtf8());
        file.flush();
        file.setFileTime(time, QFileDevice::FileModificationTime);
    };
    Open();
    place(QStringLiteral("newer"), TSimDeviceFolder::DefaultTime().addSecs(60));
    EXPECT_EQ(Run({QStringLiteral("Internal")}).Skipped, 1);
    EXPECT_EQ(ReadAll(Out(QStringLiteral("Internal/a.txt"))), QByteArray("newer"));
    place(QStringLiteral("older"), TSimDeviceFolder::DefaultTime().addSecs(-60));
    EXPECT_EQ(Run({QStringLiteral("Internal")}).Copied, 1);
    EXPECT_TRUE(Log().contains(QStringLiteral("    + Updated: a.txt")));
    EXPECT_EQ(ReadAll(Out(QStringLiteral("Internal/a.txt"))), QByteArray("device"));
}

TEST_F(BackupRunTest, CompressionTableGivesTargetNamesAndKinds)
{
    Devices.AddFile(QStringLiteral("Phone"), QStringLiteral("Internal/photo.jpg"), "photo-bytes");
    Devices.AddFile(QStringLiteral("Phone"), QStringLiteral("Internal/notes.txt"), "note note note note note");
    Devices.AddFile(QStringLiteral("Phone"), QStringLiteral("Internal/README"), "readme");
    Open();
    Job->Config.Compress = true;
    Job->Config.CompressAsZip = true;
    ASSERT_EQ(Run({QStringLiteral("Internal")}).Copied, 3);
    EXPECT_EQ(PythonCheck(ZipEntryInfo, Out(QStringLiteral("Internal/photo.jpg.zip"))),
              QStringLiteral("1 photo.jpg stored photo-bytes"));
    EXPECT_EQ(PythonCheck(ZipEntryInfo, Out(QStringLiteral("Internal/notes.txt.zip"))),
              QStringLiteral("1 notes.txt deflated note note note note note"));
    ExpectSameTime(Out(QStringLiteral("Internal/photo.jpg.zip")), QStringLiteral("Internal/photo.jpg"));

    Job->Config.CompressAsZip = false;
    ASSERT_EQ(Run({QStringLiteral("Internal")}).Copied, 3);
    EXPECT_EQ(ReadAll(Out(QStringLiteral("Internal/photo.jpg"))), QByteArray("photo-bytes"));
    EXPECT_EQ(PythonCheck(GzipContent, Out(QStringLiteral("Internal/notes.txt.gz"))),
              QStringLiteral("note note note note note"));
    // A name without extension is compressed unless the list holds an empty entry.
    EXPECT_EQ(PythonCheck(GzipContent, Out(QStringLiteral("Internal/README.gz"))), QStringLiteral("readme"));
    QDir(Out(QStringLiteral("Internal"))).removeRecursively();
    Job->Config.AktNoComp.append(QString());
    ASSERT_EQ(Run({QStringLiteral("Internal")}).Copied, 3);
    EXPECT_EQ(ReadAll(Out(QStringLiteral("Internal/README"))), QByteArray("readme"));
}

TEST_F(BackupRunTest, TwoSelectedFoldersLogTwoDestinationsAndTwoCounts)
{
    Devices.AddFile(QStringLiteral("Phone"), QStringLiteral("Internal/DCIM/a.jpg"), "a");
    Devices.AddFile(QStringLiteral("Phone"), QStringLiteral("Internal/Music/b.mp3"), "b");
    Devices.AddFile(QStringLiteral("Phone"), QStringLiteral("Internal/Music/c.mp3"), "c");
    Open();
    const TRunTotals totals = Run({QStringLiteral("Internal\\DCIM"), QStringLiteral("Internal\\Music")});
    EXPECT_EQ(totals.Copied, 3);
    EXPECT_EQ(Log().filter(QStringLiteral("  Destination directory: ")).size(), 2);
    EXPECT_TRUE(Log().contains(QStringLiteral("  1 file copied")));
    EXPECT_TRUE(Log().contains(QStringLiteral("  2 files copied")));
    EXPECT_EQ(ReadAll(Out(QStringLiteral("Internal/DCIM/a.jpg"))), QByteArray("a"));
    EXPECT_EQ(ReadAll(Out(QStringLiteral("Internal/Music/c.mp3"))), QByteArray("c"));
}

TEST_F(BackupRunTest, FilterAndTimeSlotPassFilesOverWithoutALine)
{
    Devices.AddFile(QStringLiteral("Phone"), QStringLiteral("Internal/new.jpg"), "n",
                    QDateTime(QDate(2026, 6, 1), QTime(12, 0)));
    Devices.AddFile(QStringLiteral("Phone"), QStringLiteral("Internal/old.jpg"), "o",
                    QDateTime(QDate(2025, 6, 1), QTime(12, 0)));
    Devices.AddFile(QStringLiteral("Phone"), QStringLiteral("Internal/new.txt"), "t",
                    QDateTime(QDate(2026, 6, 1), QTime(12, 0)));
    Open();
    Job->Config.FFilter.SetMode(fmInclude);
    Job->Config.FFilter.SetFilter(QStringLiteral("*.jpg"));
    Job->Config.TmPeriod.Mode = tmNewer;
    Job->Config.TmPeriod.Dat1 = 46023; // 2026-01-01
    EXPECT_EQ(Run({QStringLiteral("Internal")}).Copied, 1);
    EXPECT_TRUE(QFile::exists(Out(QStringLiteral("Internal/new.jpg"))));
    EXPECT_FALSE(QFile::exists(Out(QStringLiteral("Internal/old.jpg"))));
    EXPECT_FALSE(QFile::exists(Out(QStringLiteral("Internal/new.txt"))));
    EXPECT_EQ(Log().filter(QStringLiteral("old.jpg")).size() + Log().filter(QStringLiteral("new.txt")).size(), 0);

    Job->Config.FFilter.SetMode(fmExclude);
    Job->Config.TmPeriod.Mode = tmOlder;
    Job->Config.TmPeriod.Dat2 = 46023;
    QDir(Out(QStringLiteral("Internal"))).removeRecursively();
    EXPECT_EQ(Run({QStringLiteral("Internal")}).Copied, 0);
    Job->Config.FFilter.SetMode(fmOff);
    EXPECT_EQ(Run({QStringLiteral("Internal")}).Copied, 1);
    EXPECT_TRUE(QFile::exists(Out(QStringLiteral("Internal/old.jpg"))));
}

TEST_F(BackupRunTest, DestinationPlaceholdersExpandWithTheDeviceName)
{
    Devices.AddFile(QStringLiteral("Phone"), QStringLiteral("Internal/a.txt"), "a");
    Open();
    Job->Config.Destination = Dest.path() + QStringLiteral("/%DEVICE%/%date%");
    ASSERT_EQ(Run({QStringLiteral("Internal")}).Copied, 1);
    const QString day = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
    EXPECT_EQ(ReadAll(Out(QStringLiteral("Phone/") + day + QStringLiteral("/Internal/a.txt"))), QByteArray("a"));
}

TEST_F(BackupRunTest, NamesTheDeviceReportsStayInsideTheDestination)
{
    Devices.SetDeviceIni(
        QStringLiteral("Phone"),
        QStringLiteral("[Device]\nFriendlyName=..\n[Faults]\n"
                       "Name=Internal/sub:..|Internal/sub/a.txt:../../escaped.txt|Internal/b.txt:.\n"));
    Devices.AddFile(QStringLiteral("Phone"), QStringLiteral("Internal/sub/a.txt"), "a");
    Devices.AddFile(QStringLiteral("Phone"), QStringLiteral("Internal/b.txt"), "b");
    QDir().mkpath(Out(QStringLiteral("inner")));
    Open(QStringLiteral(".."));
    Job->Config.Destination = Out(QStringLiteral("inner/%device%"));
    EXPECT_EQ(Run({QStringLiteral("Internal")}).Copied, 2);
    QStringList files;
    QDirIterator it(Dest.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files.append(QDir(Dest.path()).relativeFilePath(it.next()));
    files.sort();
    EXPECT_EQ(files, QStringList({QStringLiteral("inner/__/Internal/_"),
                                  QStringLiteral("inner/__/Internal/__/.._.._escaped.txt")}));
    EXPECT_FALSE(QFile::exists(QFileInfo(Dest.path()).dir().filePath(QStringLiteral("escaped.txt"))));
}

TEST_F(BackupRunTest, UnlistableFolderIsReportedAndTheRunGoesOn)
{
    Devices.SetDeviceIni(QStringLiteral("Phone"), QStringLiteral("[Faults]\nEnumFail=Internal/Locked\n"));
    Devices.AddFile(QStringLiteral("Phone"), QStringLiteral("Internal/Locked/secret.txt"), "s");
    Devices.AddFile(QStringLiteral("Phone"), QStringLiteral("Internal/Open/a.txt"), "a");
    Open();
    const TRunTotals totals = Run({QStringLiteral("Internal")});
    EXPECT_EQ(totals.Copied, 1);
    EXPECT_EQ(totals.FolderErrors, 1);
    EXPECT_EQ(Log().filter(QStringLiteral("  *** The contents of \"Internal\\Locked\" could not be read: ")).size(), 1)
        << qPrintable(Log().join(QLatin1Char('\n')));
    EXPECT_TRUE(QFileInfo(Out(QStringLiteral("Internal/Locked"))).isDir());
}

TEST_F(BackupRunTest, FileWithoutDateWaitsForItsDateOnceAndIsCopied)
{
    Devices.SetDeviceIni(QStringLiteral("Phone"), QStringLiteral("[Faults]\nNoDate=Internal/a.txt\n"));
    Devices.AddFile(QStringLiteral("Phone"), QStringLiteral("Internal/a.txt"), "a");
    Open();
    std::vector<int> pauses;
    Job->Device()->Content().SetRetryPause(
        [&pauses](std::chrono::milliseconds pause) { pauses.push_back(int(pause.count())); });
    const TRunTotals totals = Run({QStringLiteral("Internal")});
    EXPECT_EQ(totals.Copied, 1);
    EXPECT_EQ(ReadAll(Out(QStringLiteral("Internal/a.txt"))), QByteArray("a"));
    // Two attempts of one date read, not a second read for the copy.
    EXPECT_EQ(pauses, (std::vector<int>{100, 100}));
}

TEST_F(BackupRunTest, CopyWhoseTimesCannotBeSetIsKeptWithAWarning)
{
    Devices.AddFile(QStringLiteral("Phone"), QStringLiteral("Internal/a.txt"), "a");
    Devices.AddFile(QStringLiteral("Phone"), QStringLiteral("Internal/b.txt"), "b");
    Open();
    // As a CIFS share or a FAT disk of another user refuses utimensat.
    SetFileTimesHook([](const char *, const struct timespec *) {
        errno = EPERM;
        return -1;
    });
    const TRunTotals totals = Run({QStringLiteral("Internal")});
    SetFileTimesHook({});
    EXPECT_EQ(totals.Copied, 2);
    EXPECT_EQ(totals.Failed, 0);
    EXPECT_EQ(totals.Warnings, 2);
    EXPECT_EQ(ReadAll(Out(QStringLiteral("Internal/a.txt"))), QByteArray("a"));
    EXPECT_EQ(ReadAll(Out(QStringLiteral("Internal/b.txt"))), QByteArray("b"));
    const int plusLine = int(Log().indexOf(QStringLiteral("    + Copied: a.txt")));
    ASSERT_GE(plusLine, 0);
    EXPECT_EQ(Log().at(plusLine + 1),
              QStringLiteral("  *** Copied, but its time stamps could not be set (0x0000120F): ") +
                  SystemErrorText((7u << 16) | EPERM))
        << qPrintable(Log().join(QLatin1Char('\n')));
    EXPECT_EQ(Log().last(), QStringLiteral("  2 files copied"));
}

TEST_F(BackupRunTest, RunRemovesWhatAKilledRunLeftHalfWritten)
{
    Devices.AddFile(QStringLiteral("Phone"), QStringLiteral("Internal/DCIM/a.txt"), "a");
    ASSERT_TRUE(QDir(Dest.path()).mkpath(QStringLiteral("Internal/DCIM")));
    QFile leftover(Out(QStringLiteral("Internal/DCIM/.tessaril-k1ll3d.part")));
    ASSERT_TRUE(leftover.open(QIODevice::WriteOnly));
    leftover.write("half of a large file");
    leftover.close();
    Open();
    const TRunTotals totals = Run({QStringLiteral("Internal")});
    EXPECT_EQ(totals.Copied, 1);
    EXPECT_FALSE(leftover.exists());
    EXPECT_EQ(
        Log().filter(QStringLiteral("    Removed the unfinished copy of an earlier run: .tessaril-k1ll3d.part")).size(),
        1)
        << qPrintable(Log().join(QLatin1Char('\n')));
    EXPECT_EQ(QDir(Out(QStringLiteral("Internal/DCIM"))).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("a.txt")});
}

TEST_F(BackupRunTest, FileTheDeviceWillNotOpenIsReportedWithItsError)
{
    Devices.SetDeviceIni(QStringLiteral("Phone"), QStringLiteral("[Faults]\nStreamFail=Internal/b.txt\n"));
    Devices.AddFile(QStringLiteral("Phone"), QStringLiteral("Internal/a.txt"), "a");
    Devices.AddFile(QStringLiteral("Phone"), QStringLiteral("Internal/b.txt"), "b");
    Open();
    const TRunTotals totals = Run({QStringLiteral("Internal")});
    EXPECT_EQ(totals.Copied, 1);
    EXPECT_EQ(totals.Failed, 1);
    const int plusLine = int(Log().indexOf(QStringLiteral("    + Copied: b.txt")));
    ASSERT_GE(plusLine, 0);
    EXPECT_TRUE(Log().at(plusLine + 1).startsWith(QStringLiteral("  *** The device could not provide the file: ")))
        << qPrintable(Log().join(QLatin1Char('\n')));
    EXPECT_FALSE(QFile::exists(Out(QStringLiteral("Internal/b.txt"))));
    // The count ends the folder; the failed file is named once more at the run's end.
    const int countLine = int(Log().indexOf(QStringLiteral("  1 file copied")));
    ASSERT_EQ(countLine, Log().size() - 3) << qPrintable(Log().join(QLatin1Char('\n')));
    EXPECT_EQ(Log().at(countLine + 1), QStringLiteral("* 1 file failed:"));
    EXPECT_EQ(Log().at(countLine + 2), QStringLiteral("    Internal\\b.txt: ") + Log().at(plusLine + 1).mid(6));
}

TEST_F(BackupRunTest, DevicePulledOutMidFileKeepsThePreviousCopyAndTheNextRunCopiesIt)
{
    const QByteArray oldContent(5000, 'o');
    const QByteArray newContent(300000, 'n');
    Devices.AddFile(QStringLiteral("Phone"), QStringLiteral("Internal/big.bin"), oldContent,
                    TSimDeviceFolder::DefaultTime().addDays(-1));
    Devices.AddFile(QStringLiteral("Phone"), QStringLiteral("Internal/after.txt"), "after");
    Open();
    ASSERT_EQ(Run({QStringLiteral("Internal")}).Copied, 2);
    const QDateTime oldTime = QFileInfo(Out(QStringLiteral("Internal/big.bin"))).lastModified();

    Devices.AddFile(QStringLiteral("Phone"), QStringLiteral("Internal/big.bin"), newContent);
    Devices.SetDeviceIni(QStringLiteral("Phone"), QStringLiteral("[Faults]\nReadFailAfter=Internal/big.bin:70000\n"));
    Open();
    Job->Config.ArchBit = true;
    const TRunTotals failed = Run({QStringLiteral("Internal")});
    EXPECT_EQ(failed.Failed, 1);
    const int plusLine = int(Log().indexOf(QStringLiteral("    + Updated: big.bin")));
    ASSERT_GE(plusLine, 0) << qPrintable(Log().join(QLatin1Char('\n')));
    EXPECT_TRUE(Log().at(plusLine + 1).startsWith(QStringLiteral("  *** "))) << qPrintable(Log().at(plusLine + 1));
    EXPECT_GT(Log().at(plusLine + 1).size(), 8);
    EXPECT_TRUE(Log().contains(QStringLiteral("    - Skipped: after.txt")));
    // The earlier copy survives untouched: neither its content nor its time changed.
    EXPECT_EQ(ReadAll(Out(QStringLiteral("Internal/big.bin"))), oldContent);
    EXPECT_EQ(QFileInfo(Out(QStringLiteral("Internal/big.bin"))).lastModified(), oldTime);

    Devices.SetDeviceIni(QStringLiteral("Phone"), QStringLiteral("[Faults]\n"));
    Open();
    const TRunTotals again = Run({QStringLiteral("Internal")});
    EXPECT_EQ(again.Copied, 1);
    EXPECT_TRUE(Log().contains(QStringLiteral("    + Updated: big.bin")));
    EXPECT_EQ(ReadAll(Out(QStringLiteral("Internal/big.bin"))), newContent);
    ExpectSameTime(Out(QStringLiteral("Internal/big.bin")), QStringLiteral("Internal/big.bin"));
    Job->Config.ArchBit = true;
    Job->Config.Overwrite = owAll;
    ASSERT_EQ(Run({QStringLiteral("Internal")}).Copied, 2);
    if (!FileSystemKeepsArchiveBit())
        GTEST_SKIP() << "the destination's file system keeps no archive attribute";
    EXPECT_EQ(GetFileAttributes(Out(QStringLiteral("Internal/big.bin"))), FILE_ATTRIBUTE_ARCHIVE);
}

// A synchronous run blocks its thread: the cancel comes from another one. The
// file under way is logged as cancelled, not as failed, and leaves nothing.
TEST_F(BackupRunTest, CancelFromAnotherThreadStopsTheRunWithoutAFailure)
{
    Devices.SetDeviceIni(QStringLiteral("Phone"), QStringLiteral("[Faults]\nReadDelayUs=200000\n"));
    Devices.AddFile(QStringLiteral("Phone"), QStringLiteral("Internal/slow1.bin"), QByteArray(1 << 20, 's'));
    Devices.AddFile(QStringLiteral("Phone"), QStringLiteral("Internal/slow2.bin"), QByteArray(1 << 20, 's'));
    Open();
    std::thread canceller([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        Job->CancelRun();
    });
    const TRunTotals totals = Run({QStringLiteral("Internal")});
    canceller.join();
    EXPECT_TRUE(totals.Cancelled);
    EXPECT_EQ(totals.Copied, 0);
    EXPECT_EQ(totals.Failed, 0);
    EXPECT_TRUE(Log().filter(QStringLiteral("***")).isEmpty()) << qPrintable(Log().join(QLatin1Char('\n')));
    EXPECT_EQ(Log().last(), QStringLiteral("Backup cancelled"));
    EXPECT_FALSE(QFile::exists(Out(QStringLiteral("Internal/slow1.bin"))));
    EXPECT_FALSE(QFile::exists(Out(QStringLiteral("Internal/slow2.bin"))));
}

TEST_F(BackupRunTest, FullDestinationIsReportedPerFile)
{
    const QString mountPoint = Out(QStringLiteral("small"));
    QDir().mkpath(mountPoint);
    if (::mount("tmpfs", mountPoint.toLocal8Bit().constData(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "cannot mount a small tmpfs here (needs root): full-destination check skipped";
    Devices.AddFile(QStringLiteral("Phone"), QStringLiteral("Internal/a.bin"), QByteArray(200000, 'a'));
    Devices.AddFile(QStringLiteral("Phone"), QStringLiteral("Internal/b.txt"), "small");
    Open();
    Job->Config.Destination = mountPoint;
    const TRunTotals totals = Run({QStringLiteral("Internal")});
    ::umount(mountPoint.toLocal8Bit().constData());
    EXPECT_EQ(totals.Failed, 1);
    EXPECT_EQ(totals.Copied, 1);
    EXPECT_EQ(Log().filter(QStringLiteral("  *** System error: ")).size(), 1)
        << qPrintable(Log().join(QLatin1Char('\n')));
}

TEST_F(BackupRunTest, NoSelectionLogsOneLine)
{
    Devices.AddFile(QStringLiteral("Phone"), QStringLiteral("Internal/a.txt"), "a");
    Open();
    Job->Selection.clear();
    Job->Log().Clear();
    Job->BackupSelected();
    EXPECT_EQ(Log(), QStringList({QStringLiteral("No directory selected")}));
}
