#include "transfer/CopyThread.h"
#include "base/ErrorText.h"
#include "base/FileDescriptor.h"
#include "base/FileTimes.h"
#include "support/TransferSupport.h"
#include "transfer/FileSystem.h"
#include "transfer/PartFiles.h"
#include "transfer/SourceStreams.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <thread>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <zlib.h>

namespace {

const TCopyOptions BackupOptions{coOverwrite, coTimeStamp}; // what the backup run passes: 264

QByteArray Pattern(qsizetype size)
{
    QByteArray data(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        data[i] = static_cast<char>((i * 131 + i / 977) & 0xFF);
    return data;
}

// The ErrorCode of a failed copy: output kind and result code.
constexpr std::int32_t Code(std::int32_t type, std::uint32_t result)
{
    return type | static_cast<std::int32_t>(result);
}

std::uint32_t CrcOf(const QByteArray &data)
{
    return static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef *>(data.constData()), static_cast<uInt>(data.size())));
}

class CopyThreadTest : public ::testing::Test
{
protected:
    QTemporaryDir Dir;

    QString Path(const QString &name) const { return Dir.filePath(name); }

    static TFileData Source(const QByteArray &data, std::uint32_t bufferSize = 4096, TFileTime time = 0)
    {
        return MakeFileData("photo.jpg", std::make_shared<TMemorySourceStream>(data), data.size(), bufferSize, time);
    }

    // Only the target itself may be left in the folder: no temporary file.
    void ExpectOnly(const QStringList &names) const { EXPECT_EQ(FolderEntries(Dir.path()), names); }
};

} // namespace

TEST(CopyOptions, WordHasOneBitPerOption)
{
    EXPECT_EQ(BackupOptions.Word(), 264);
    EXPECT_TRUE(TCopyOptions::FromWord(264).Contains(coOverwrite));
    EXPECT_FALSE(TCopyOptions::FromWord(264).Contains(coCompress));
    TCopyOptions options{coCompress, coZipCompress};
    options.Set(coZipCompress, false);
    EXPECT_EQ(options.Word(), 1);
}

TEST_F(CopyThreadTest, PlainCopyWritesTheDataWithTimeAndCrc)
{
    const QByteArray data = Pattern(100000);
    const TFileTime time = LocalDateTimeToFileTime(EncodeDateTime(2023, 5, 6, 7, 8, 9));
    std::atomic<bool> onDoneCalled{false};
    auto worker = std::make_unique<TWinCopyThread>(Source(data, 4096, time), Path("photo.jpg"), BackupOptions);
    worker->SetOnDone([&onDoneCalled] { onDoneCalled = true; });
    EXPECT_FALSE(worker->Done());
    worker->Start();
    ASSERT_TRUE(worker->WaitFor(60000));

    EXPECT_EQ(worker->ErrorCode(), 0);
    EXPECT_EQ(worker->ErrorType(), CopyTypePlain);
    EXPECT_TRUE(worker->SysErrorMsg().isEmpty());
    EXPECT_EQ(worker->Ratio(), -1);
    EXPECT_EQ(worker->Crc(), CrcOf(data));
    EXPECT_EQ(ReadWholeFile(Path("photo.jpg")), data);
    TFileAttributeData attributes;
    ASSERT_EQ(GetFileAttributeData(Path("photo.jpg"), attributes, false), 0u);
    EXPECT_EQ(attributes.LastWriteTime, time);
    ExpectOnly({"photo.jpg"});
    worker.reset(); // the callback runs right after Done; freeing waits for it
    EXPECT_TRUE(onDoneCalled);
}

TEST_F(CopyThreadTest, EmptySourceGivesEmptyFileAfterOneRead)
{
    auto stream = std::make_shared<TScriptedSourceStream>(QByteArray());
    auto worker = RunCopy(MakeFileData("empty.txt", stream, 0), Path("empty.txt"), BackupOptions);
    EXPECT_EQ(worker->ErrorCode(), 0);
    EXPECT_EQ(stream->Reads(), 1);
    EXPECT_TRUE(stream->Committed());
    EXPECT_TRUE(QFile::exists(Path("empty.txt")));
    EXPECT_EQ(QFileInfo(Path("empty.txt")).size(), 0);
}

TEST_F(CopyThreadTest, ShortReadsContinueToTheAnnouncedSize)
{
    const QByteArray data = Pattern(10000);
    auto stream = std::make_shared<TScriptedSourceStream>(data);
    stream->DeliverAtMost(1000);
    auto worker = RunCopy(MakeFileData("a.bin", stream, data.size(), 4096), Path("a.bin"), BackupOptions);
    EXPECT_EQ(worker->ErrorCode(), 0);
    EXPECT_EQ(ReadWholeFile(Path("a.bin")), data);
}

TEST_F(CopyThreadTest, ReadFailureKeepsTheEarlierCopyAndLeavesNoTemporaryFile)
{
    ASSERT_TRUE(WriteWholeFile(Path("a.bin"), "earlier good copy"));
    const QByteArray data = Pattern(50000);
    const HRESULT pulledOut = static_cast<HRESULT>(0x8007001F);
    auto stream = std::make_shared<TScriptedSourceStream>(data);
    stream->FailAfter(20000, pulledOut);

    auto worker = RunCopy(MakeFileData("a.bin", stream, data.size(), 4096), Path("a.bin"), BackupOptions);
    EXPECT_EQ(worker->ErrorCode(), Code(CopyTypePlain, CopyErrorRead));
    EXPECT_EQ(worker->SysErrorMsg(), SystemErrorText(0x8007001F));
    EXPECT_EQ(ReadWholeFile(Path("a.bin")), "earlier good copy");
    ExpectOnly({"a.bin"});
}

TEST_F(CopyThreadTest, SourceEndingBeforeItsSizeEndsWith260InEveryOutput)
{
    const QByteArray data = Pattern(3000);
    struct Case
    {
        TCopyOptions Options;
        std::int32_t Code;
        const char *Target;
    };
    for (const Case &c :
         {Case{BackupOptions, Code(CopyTypePlain, CopyErrorRead), "a.bin"},
          Case{{coOverwrite, coTimeStamp, coCompress}, Code(CopyTypeGzip, CopyErrorRead), "a.bin.gz"},
          Case{{coOverwrite, coTimeStamp, coZipCompress}, Code(CopyTypeZip, CopyErrorRead), "a.bin.zip"},
          Case{{coOverwrite, coTimeStamp, coZipCompress, coCompress}, Code(CopyTypeZip, CopyErrorRead), "b.bin.zip"}}) {
        // The device announced 5000 bytes but has only 3000.
        auto stream = std::make_shared<TMemorySourceStream>(data);
        auto worker = RunCopy(MakeFileData("a.bin", stream, 5000, 1024), Path(c.Target), c.Options);
        EXPECT_EQ(worker->ErrorCode(), c.Code) << c.Target;
        EXPECT_EQ(worker->SysErrorMsg(), SystemErrorText(ENODATA)) << c.Target;
        EXPECT_FALSE(QFile::exists(Path(c.Target))) << c.Target;
    }
    ExpectOnly({});
}

TEST_F(CopyThreadTest, CompressedOutputStopsAtTheFirstShortRead)
{
    const QByteArray data = Pattern(10000);
    auto stream = std::make_shared<TScriptedSourceStream>(data);
    stream->DeliverAtMost(1000);
    auto worker = RunCopy(MakeFileData("a.bin", stream, data.size(), 4096), Path("a.bin.gz"),
                          {coOverwrite, coTimeStamp, coCompress});
    EXPECT_EQ(worker->ErrorCode(), Code(CopyTypeGzip, CopyErrorRead));
    EXPECT_FALSE(QFile::exists(Path("a.bin.gz")));
}

TEST_F(CopyThreadTest, ExistingTargetWithoutOverwriteIsNeverChanged)
{
    ASSERT_TRUE(WriteWholeFile(Path("a.bin"), "keep me"));
    auto worker = RunCopy(Source(Pattern(100)), Path("a.bin"), {coTimeStamp});
    EXPECT_EQ(worker->ErrorCode(), Code(CopyTypePlain, CopyErrorCreate));
    EXPECT_EQ(worker->SysErrorMsg(), SystemErrorText(EEXIST));
    EXPECT_EQ(ReadWholeFile(Path("a.bin")), "keep me");
    ExpectOnly({"a.bin"});
}

TEST_F(CopyThreadTest, ReadOnlyTargetIsReplacedWithOverwrite)
{
    ASSERT_TRUE(WriteWholeFile(Path("a.bin"), "old"));
    ASSERT_EQ(SetFileAttributes(Path("a.bin"), FILE_ATTRIBUTE_READONLY), 0u);

    auto refused = RunCopy(Source(Pattern(100)), Path("a.bin"), {coTimeStamp});
    EXPECT_EQ(refused->ErrorCode(), Code(CopyTypePlain, CopyErrorCreate));
    EXPECT_EQ(ReadWholeFile(Path("a.bin")), "old");

    const QByteArray data = Pattern(100);
    auto worker = RunCopy(Source(data), Path("a.bin"), BackupOptions);
    EXPECT_EQ(worker->ErrorCode(), 0);
    EXPECT_EQ(ReadWholeFile(Path("a.bin")), data);
    EXPECT_EQ(GetFileAttributes(Path("a.bin")) & FILE_ATTRIBUTE_READONLY, 0u);
    ExpectOnly({"a.bin"});
}

TEST_F(CopyThreadTest, MissingFolderGives257WithTheSystemText)
{
    auto worker = RunCopy(Source(Pattern(10)), Path("missing/a.bin"), BackupOptions);
    EXPECT_EQ(worker->ErrorCode(), Code(CopyTypePlain, CopyErrorCreate));
    EXPECT_EQ(worker->SysErrorMsg(), SystemErrorText(ENOENT));
}

TEST_F(CopyThreadTest, TargetThatIsAFolderGives257)
{
    ASSERT_TRUE(QDir(Dir.path()).mkdir("a.bin"));
    auto worker = RunCopy(Source(Pattern(10)), Path("a.bin"), BackupOptions);
    EXPECT_EQ(worker->ErrorCode(), Code(CopyTypePlain, CopyErrorCreate));
    EXPECT_TRUE(QFileInfo(Path("a.bin")).isDir());
}

TEST_F(CopyThreadTest, LinkUnderTheTargetNameIsReplacedNotFollowed)
{
    ASSERT_TRUE(WriteWholeFile(Path("elsewhere.bin"), "not ours"));
    ASSERT_TRUE(QFile::link(Path("elsewhere.bin"), Path("a.bin")));

    auto refused = RunCopy(Source(Pattern(100)), Path("a.bin"), {coTimeStamp});
    EXPECT_EQ(refused->ErrorCode(), Code(CopyTypePlain, CopyErrorCreate));
    EXPECT_TRUE(QFileInfo(Path("a.bin")).isSymLink());

    const QByteArray data = Pattern(100);
    auto worker = RunCopy(Source(data), Path("a.bin"), BackupOptions);
    EXPECT_EQ(worker->ErrorCode(), 0);
    EXPECT_FALSE(QFileInfo(Path("a.bin")).isSymLink());
    EXPECT_EQ(ReadWholeFile(Path("a.bin")), data);
    EXPECT_EQ(ReadWholeFile(Path("elsewhere.bin")), "not ours");
    ExpectOnly({"a.bin", "elsewhere.bin"});
}

TEST_F(CopyThreadTest, TargetNameOfTheLongestAllowedLengthIsCopied)
{
    // The temporary name must not grow with the target's name.
    const QString longest = QString(NAME_MAX - 3, 'n') + ".gz";
    const QByteArray data = Pattern(1000);
    for (const TCopyOptions &options : {BackupOptions, TCopyOptions{coOverwrite, coTimeStamp, coCompress},
                                        TCopyOptions{coOverwrite, coZipCompress}}) {
        auto worker = RunCopy(Source(data), Path(longest), options);
        EXPECT_EQ(worker->ErrorCode(), 0) << options.Word();
        ExpectOnly({longest});
    }
}

TEST_F(CopyThreadTest, AttributesAndTimesFollowTheOptions)
{
    const TFileTime time = LocalDateTimeToFileTime(EncodeDateTime(2020, 2, 2, 2, 2, 2));
    TFileData source = Source(Pattern(10), 4096, time);
    source.FileAttr = FILE_ATTRIBUTE_READONLY;
    auto worker = RunCopy(source, Path("ro.bin"), BackupOptions);
    ASSERT_EQ(worker->ErrorCode(), 0);
    EXPECT_NE(GetFileAttributes(Path("ro.bin")) & FILE_ATTRIBUTE_READONLY, 0u);

    // Without coTimeStamp the copy keeps the moment it was written.
    auto untimed = RunCopy(Source(Pattern(10), 4096, time), Path("now.bin"), {coOverwrite});
    ASSERT_EQ(untimed->ErrorCode(), 0);
    TFileAttributeData attributes;
    ASSERT_EQ(GetFileAttributeData(Path("now.bin"), attributes, false), 0u);
    EXPECT_NE(attributes.LastWriteTime, time);
}

TEST_F(CopyThreadTest, ReplacedCopyKeepsItsPermissionsOwnerAndExtendedAttributes)
{
    const QByteArray note = "kept";
    for (const TCopyOptions &options : {BackupOptions, TCopyOptions{coOverwrite, coTimeStamp, coCompress},
                                        TCopyOptions{coOverwrite, coTimeStamp, coZipCompress}}) {
        SCOPED_TRACE(options.Word());
        const QString target = Path("private.bin");
        ASSERT_TRUE(WriteWholeFile(target, "earlier"));
        const QByteArray path = QFile::encodeName(target);
        ASSERT_EQ(::chmod(path.constData(), 0600), 0);
        const bool withAttribute =
            ::setxattr(path.constData(), "user.tessaril.note", note.constData(), note.size(), 0) == 0;
        // Only root may give a file away; then the copy must keep the stranger as owner.
        const bool asRoot = ::geteuid() == 0;
        if (asRoot) {
            ASSERT_EQ(::chown(path.constData(), 65534, 65534), 0);
        }

        auto worker = RunCopy(Source(Pattern(1000)), target, options);
        ASSERT_EQ(worker->ErrorCode(), 0);
        struct stat after = {};
        ASSERT_EQ(::stat(path.constData(), &after), 0);
        EXPECT_EQ(after.st_mode & 07777, 0600u);
        if (asRoot) {
            EXPECT_EQ(after.st_uid, 65534u);
            EXPECT_EQ(after.st_gid, 65534u);
        }
        if (withAttribute) {
            char value[16] = {};
            EXPECT_EQ(::getxattr(path.constData(), "user.tessaril.note", value, sizeof value), note.size());
            EXPECT_EQ(QByteArray(value), note);
        }
        ASSERT_TRUE(QFile::remove(target));
    }
    if (::geteuid() != 0)
        GTEST_SKIP() << "owner kept only checked as root (a user cannot give a file away)";
}

// A destination that refuses time stamps (a share, a FAT disk mounted for
// another user) still keeps the data; the code says what is missing.
TEST_F(CopyThreadTest, TimesThatCannotBeSetKeepTheDataAndReportTheCode)
{
    ASSERT_TRUE(WriteWholeFile(Path("a.bin"), "earlier"));
    SetFileTimesHook([](const char *, const struct timespec *) {
        errno = EPERM;
        return -1;
    });
    const QByteArray data = Pattern(5000);
    for (const TCopyOptions &options : {BackupOptions, TCopyOptions{coOverwrite, coTimeStamp, coZipCompress}}) {
        auto worker = RunCopy(Source(data), Path("a.bin"), options);
        const std::int32_t type = options.Contains(coZipCompress) ? CopyTypeZip : CopyTypePlain;
        EXPECT_EQ(worker->ErrorCode(), Code(type, CopyErrorSetTimestamps));
        EXPECT_EQ(worker->SysErrorMsg(), SystemErrorText((7u << 16) | EPERM));
        EXPECT_TRUE(worker->DataWritten());
        EXPECT_NE(ReadWholeFile(Path("a.bin")), "earlier");
        ExpectOnly({"a.bin"});
    }
    SetFileTimesHook({});
    EXPECT_EQ(ReadWholeFile(Path("a.bin")).size(), 30 + 46 + 22 + 2 * 5 + 5000) << "the zip is the last copy";

    // A copy that failed before its data was complete has nothing to keep.
    auto failed =
        RunCopy(MakeFileData("a.bin", std::make_shared<TMemorySourceStream>(data), 9000), Path("b.bin"), BackupOptions);
    EXPECT_FALSE(failed->DataWritten());
}

// A killed run leaves its part file; the next run removes it, but never the
// part file of a copy that is still running.
TEST_F(CopyThreadTest, LeftoverPartFilesGoButThoseInUseStay)
{
    ASSERT_TRUE(WriteWholeFile(Path(".tessaril-killed.part"), "half"));
    ASSERT_TRUE(WriteWholeFile(Path(".tessaril-held.part"), "in use elsewhere"));
    ASSERT_TRUE(WriteWholeFile(Path("photo.part"), "not ours"));
    ASSERT_TRUE(WriteWholeFile(Path(".tessaril-.part"), "not ours either"));
    ASSERT_TRUE(QFile::link(Path("photo.part"), Path(".tessaril-link.part")));
    // Another process's copy: a lock on its own open file.
    const int held = ::open(QFile::encodeName(Path(".tessaril-held.part")).constData(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX | LOCK_NB), 0);

    // A worker of this process, held while it writes; replacing a copy goes
    // through a named part file.
    ASSERT_TRUE(WriteWholeFile(Path("a.bin"), "earlier"));
    auto worker = std::make_unique<TWinCopyThread>(Source(Pattern(100000), 1024), Path("a.bin"), BackupOptions);
    worker->SetPaused(true);
    worker->Start();
    EXPECT_FALSE(worker->WaitFor(100));
    QStringList running = FolderEntries(Dir.path()).filter(QRegularExpression("^\\.tessaril-[0-9a-z]+\\.part$"));
    running.removeAll(".tessaril-killed.part");
    running.removeAll(".tessaril-held.part");
    running.removeAll(".tessaril-link.part");
    ASSERT_EQ(running.size(), 1) << running.join(' ').toStdString();

    EXPECT_EQ(RemoveLeftoverPartFiles(Dir.path()), QStringList{".tessaril-killed.part"});
    EXPECT_TRUE(QFile::exists(Path(".tessaril-held.part")));
    EXPECT_TRUE(QFile::exists(Path(running[0])));
    EXPECT_TRUE(QFile::exists(Path("photo.part")));
    EXPECT_TRUE(QFile::exists(Path(".tessaril-.part")));
    EXPECT_TRUE(QFileInfo(Path(".tessaril-link.part")).isSymLink());

    worker->SetPaused(false);
    ASSERT_TRUE(worker->WaitFor(60000));
    EXPECT_EQ(worker->ErrorCode(), 0);
    EXPECT_FALSE(QFile::exists(Path(running[0])));
    ::close(held);
    EXPECT_EQ(RemoveLeftoverPartFiles(Dir.path()), QStringList{".tessaril-held.part"});
}

// A new copy is written into a file without a name: until its data and times
// are complete nothing shows in the folder, and a cancelled copy leaves
// nothing. A file that appears under the name meanwhile is replaced only
// with overwrite.
TEST_F(CopyThreadTest, NewCopyHasNoNameUntilItIsComplete)
{
    const int probe = OpenUnnamedFile(Dir.path());
    if (probe < 0)
        GTEST_SKIP() << "the file system of the temporary folder has no files without a name";
    ::close(probe);
    const QByteArray data = Pattern(100000);
    const TFileTime time = LocalDateTimeToFileTime(EncodeDateTime(2023, 5, 6, 7, 8, 9));
    struct Case
    {
        const char *what;
        TCopyOptions options;
        const char *appearing; // written under the target's name while the copy is held; null: none
        bool cancel;
        std::int32_t code;
        bool replaced;
        // The caller saw no entry, but one came before the worker started.
        bool staleNoEntry = false;
    };
    const Case cases[] = {
        {"plain new copy", BackupOptions, nullptr, false, 0, true},
        {"cancelled", BackupOptions, nullptr, true, Code(CopyTypePlain, CopyErrorCancelled), false},
        {"appeared, overwrite", BackupOptions, "appeared", false, 0, true},
        {"appeared, no overwrite", TCopyOptions{coTimeStamp}, "appeared", false, Code(CopyTypePlain, CopyErrorCreate),
         false},
        {"came after the caller looked, overwrite", BackupOptions, "came", false, 0, true, true},
        {"came after the caller looked, no overwrite", TCopyOptions{coTimeStamp}, "came", false,
         Code(CopyTypePlain, CopyErrorCreate), false, true},
        // The zip writer goes back to fill in the sizes.
        {"zip", TCopyOptions{coOverwrite, coTimeStamp, coZipCompress}, nullptr, false, 0, true},
    };
    const TFileDescriptor folder(::open(QFile::encodeName(Dir.path()).constData(), O_RDONLY | O_DIRECTORY));
    // Both ways of naming the file: by its descriptor where the kernel
    // allows it, else through /proc; with and without what a run tells of
    // the folder (its descriptor, whether a close there can fail, the mode
    // of new files).
    for (const bool throughProc : {false, true})
        for (const bool folderKnown : {false, true}) {
            if (throughProc)
                NameUnnamedFilesThroughProc();
            for (const Case &test : cases) {
                SCOPED_TRACE(test.what);
                SCOPED_TRACE(throughProc ? "named through /proc" : "named by descriptor where allowed");
                SCOPED_TRACE(folderKnown ? "the folder as a run tells it" : "the folder by its path");
                if (test.staleNoEntry) {
                    ASSERT_TRUE(WriteWholeFile(Path("a.bin"), test.appearing));
                }
                auto worker = std::make_unique<TWinCopyThread>(Source(data, 1024, time), Path("a.bin"), test.options);
                worker->SetNoEntrySeen(test.staleNoEntry);
                if (folderKnown) {
                    worker->SetDestinationFolder(folder.Get());
                    worker->SetCloseReportsNothing(IsPlainLocalFileSystem(folder.Get()));
                    worker->SetNewFileMode(NewFileModeIn(folder.Get()));
                }
                worker->SetPaused(true);
                worker->Start();
                EXPECT_FALSE(worker->WaitFor(50));
                ExpectOnly(test.staleNoEntry ? QStringList{"a.bin"} : QStringList{});
                EXPECT_TRUE(RemoveLeftoverPartFiles(Dir.path()).isEmpty());
                if (test.appearing != nullptr && !test.staleNoEntry) {
                    ASSERT_TRUE(WriteWholeFile(Path("a.bin"), test.appearing));
                }
                if (test.cancel)
                    worker->CancelThread();
                worker->SetPaused(false);
                ASSERT_TRUE(worker->WaitFor(60000));
                EXPECT_EQ(worker->ErrorCode(), test.code);
                EXPECT_EQ(worker->DataWritten(), test.replaced);
                if (test.replaced) {
                    const QByteArray written = ReadWholeFile(Path("a.bin"));
                    if (test.options.Contains(coZipCompress))
                        EXPECT_EQ(written.size(), 30 + 46 + 22 + 2 * 5 + data.size());
                    else
                        EXPECT_EQ(written, data);
                    TFileAttributeData attributes;
                    ASSERT_EQ(GetFileAttributeData(Path("a.bin"), attributes, false), 0u);
                    EXPECT_EQ(attributes.LastWriteTime, time);
                    ExpectOnly({"a.bin"});
                } else if (test.appearing != nullptr) {
                    EXPECT_EQ(ReadWholeFile(Path("a.bin")), test.appearing);
                    EXPECT_EQ(worker->SysErrorMsg(), SystemErrorText((7u << 16) | EEXIST));
                    ExpectOnly({"a.bin"});
                } else {
                    ExpectOnly({});
                }
                QFile::remove(Path("a.bin"));
            }
        }
}

TEST_F(CopyThreadTest, PauseHoldsTheWorkerAndCancelEndsWith128)
{
    ASSERT_TRUE(WriteWholeFile(Path("a.bin"), "earlier"));
    auto worker = std::make_unique<TWinCopyThread>(Source(Pattern(100000), 1024), Path("a.bin"), BackupOptions);
    worker->SetPaused(true);
    worker->Start();
    EXPECT_FALSE(worker->WaitFor(100)) << "a paused worker does not finish";
    EXPECT_TRUE(worker->Paused());
    worker->CancelThread();
    ASSERT_TRUE(worker->WaitFor(60000));
    EXPECT_EQ(worker->ErrorCode(), Code(CopyTypePlain, CopyErrorCancelled));
    EXPECT_TRUE(worker->SysErrorMsg().isEmpty());
    EXPECT_EQ(ReadWholeFile(Path("a.bin")), "earlier");
    ExpectOnly({"a.bin"});

    auto resumed = std::make_unique<TWinCopyThread>(Source(Pattern(10000), 1024), Path("b.bin"), BackupOptions);
    resumed->SetPaused(true);
    resumed->Start();
    EXPECT_FALSE(resumed->WaitFor(50));
    resumed->SetPaused(false);
    ASSERT_TRUE(resumed->WaitFor(60000));
    EXPECT_EQ(resumed->ErrorCode(), 0);
}

TEST_F(CopyThreadTest, FreeingARunningWorkerCancelsAndWaits)
{
    auto worker = std::make_unique<TWinCopyThread>(Source(Pattern(100000), 1024), Path("a.bin"), BackupOptions);
    worker->SetPaused(true);
    worker->Start();
    worker.reset();
    ExpectOnly({});
}

// Workers that share one long-lived thread keep the semantics of their own:
// results after Done, cancel and pause, and freeing a running one waits for it.
TEST_F(CopyThreadTest, WorkersOnOneRunnerBehaveAsOnThreadsOfTheirOwn)
{
    TCopyRunner runner;
    for (int i = 0; i < 3; ++i) {
        const QByteArray data = Pattern(5000 + i);
        TWinCopyThread worker(Source(data, 1024), Path(QStringLiteral("f%1.bin").arg(i)), BackupOptions);
        worker.SetRunner(&runner);
        worker.SetPlainCrc(false);
        worker.Start();
        worker.Start(); // a second call does nothing
        ASSERT_TRUE(worker.WaitFor(60000));
        EXPECT_EQ(worker.ErrorCode(), 0);
        EXPECT_EQ(ReadWholeFile(Path(QStringLiteral("f%1.bin").arg(i))), data);
    }

    ASSERT_TRUE(WriteWholeFile(Path("f0.bin"), "earlier"));
    TWinCopyThread cancelled(Source(Pattern(100000), 1024), Path("f0.bin"), BackupOptions);
    cancelled.SetRunner(&runner);
    cancelled.SetPaused(true);
    cancelled.Start();
    EXPECT_FALSE(cancelled.WaitFor(50));
    cancelled.CancelThread();
    ASSERT_TRUE(cancelled.WaitFor(60000));
    EXPECT_EQ(cancelled.ErrorCode(), Code(CopyTypePlain, CopyErrorCancelled));
    EXPECT_EQ(ReadWholeFile(Path("f0.bin")), "earlier");

    auto freed = std::make_unique<TWinCopyThread>(Source(Pattern(100000), 1024), Path("g.bin"), BackupOptions);
    freed->SetRunner(&runner);
    freed->SetPaused(true);
    freed->Start();
    freed.reset();
    ExpectOnly({"f0.bin", "f1.bin", "f2.bin"});
}

// Within the runner's inline limit a copy runs inside Start on the caller's
// thread; beyond it on the runner's thread. Either way Done, the result and
// the copy are the same.
TEST_F(CopyThreadTest, SmallCopiesRunInsideStartLargeOnesOnTheRunner)
{
    TCopyRunner runner;
    runner.SetInlineLimit(8192);
    const struct
    {
        int Size;
        bool OnCaller;
    } cases[] = {{0, true}, {8192, true}, {8193, false}};
    for (const auto &c : cases) {
        const QByteArray data = Pattern(c.Size);
        const QString name = QStringLiteral("s%1.bin").arg(c.Size);
        TWinCopyThread worker(Source(data, 1024), Path(name), BackupOptions);
        worker.SetRunner(&runner);
        std::thread::id copiedOn;
        worker.SetOnProgress([&copiedOn](TFileAction, std::int64_t, bool) { copiedOn = std::this_thread::get_id(); });
        worker.Start();
        if (c.OnCaller) {
            EXPECT_TRUE(worker.Done()) << c.Size;
        }
        ASSERT_TRUE(worker.WaitFor(60000));
        EXPECT_EQ(worker.ErrorCode(), 0) << c.Size;
        EXPECT_EQ(ReadWholeFile(Path(name)), data) << c.Size;
        EXPECT_EQ(copiedOn == std::this_thread::get_id(), c.OnCaller) << c.Size;
    }
}

TEST_F(CopyThreadTest, ProgressAnnouncesTheTotalThenCountsUp)
{
    const QByteArray data = Pattern(10000);
    auto worker = std::make_unique<TWinCopyThread>(Source(data, 4096), Path("a.bin"), BackupOptions);
    std::vector<std::int64_t> counts;
    worker->SetOnProgress([&counts](TFileAction action, std::int64_t count, bool) {
        EXPECT_EQ(action, acCopy);
        counts.push_back(count);
    });
    worker->Start();
    worker->WaitFor();
    EXPECT_EQ(counts, (std::vector<std::int64_t>{-10000, 4096, 8192, 10000}));
}

TEST_F(CopyThreadTest, RatioIsKnownOnlyForCompressedNonEmptyData)
{
    const QByteArray zeros(100000, '\0');
    auto gzip = RunCopy(Source(zeros), Path("z.gz"), {coCompress, coOverwrite});
    EXPECT_EQ(gzip->ErrorCode(), 0);
    EXPECT_GE(gzip->Ratio(), 0);
    EXPECT_LT(gzip->Ratio(), 20);

    auto empty = RunCopy(Source(QByteArray()), Path("e.gz"), {coCompress, coOverwrite});
    EXPECT_EQ(empty->ErrorCode(), 0);
    EXPECT_EQ(empty->Ratio(), -1);

    auto stored = RunCopy(Source(zeros), Path("s.zip"), {coZipCompress, coOverwrite});
    EXPECT_EQ(stored->Ratio(), -1);
}

// The write seam fails the destination's writes once a number of bytes went
// through, as a full or broken disk would, for any user.
class WriteFailureTest : public CopyThreadTest
{
protected:
    void FailWritesAfter(std::int64_t allowed, int error)
    {
        auto left = std::make_shared<std::int64_t>(allowed);
        SetFileWriteHook([left, error](int fd, const void *buffer, size_t count) -> ssize_t {
            if (*left <= 0) {
                errno = error;
                return -1;
            }
            const auto now = static_cast<size_t>(std::min<std::int64_t>(*left, static_cast<std::int64_t>(count)));
            *left -= static_cast<std::int64_t>(now);
            return ::write(fd, buffer, now);
        });
    }
    void TearDown() override { SetFileWriteHook({}); }
};

TEST_F(WriteFailureTest, FullOrFailingDiskKeepsTheEarlierCopyInEveryOutput)
{
    struct Case
    {
        TCopyOptions Options;
        const char *Target;
        std::int64_t Allowed; // bytes that still fit
        int Error;
        std::int32_t Code;
        QString Message;
    };
    const TCopyOptions gzip{coOverwrite, coTimeStamp, coCompress};
    const TCopyOptions zip{coOverwrite, coTimeStamp, coZipCompress};
    const TCopyOptions deflatedZip{coOverwrite, coTimeStamp, coZipCompress, coCompress};
    const Case cases[] = {
        {BackupOptions, "a.bin", 5000, ENOSPC, Code(CopyTypePlain, CopyErrorDiskFull), SystemErrorText(ENOSPC)},
        {BackupOptions, "a.bin", 0, EIO, Code(CopyTypePlain, CopyErrorWrite), SystemErrorText(EIO)},
        {BackupOptions, "a.bin", 5000, EDQUOT, Code(CopyTypePlain, CopyErrorDiskFull), SystemErrorText(EDQUOT)},
        // Compressed data carries the bare text; the header has the disk-full code of its own.
        {gzip, "a.bin.gz", 5000, ENOSPC, Code(CopyTypeGzip, CopyErrorWrite), ErrorCodeText(ENOSPC)},
        {gzip, "a.bin.gz", 0, ENOSPC, Code(CopyTypeGzip, CopyErrorDiskFull), SystemErrorText(ENOSPC)},
        {gzip, "a.bin.gz", 0, EIO, Code(CopyTypeGzip, CopyErrorWrite), SystemErrorText(EIO)},
        {zip, "a.bin.zip", 5000, ENOSPC, Code(CopyTypeZip, CopyErrorDiskFull), SystemErrorText(ENOSPC)},
        {zip, "a.bin.zip", 0, EIO, Code(CopyTypeZip, CopyErrorZipStructure), SystemErrorText(EIO)},
        {deflatedZip, "a.bin.zip", 5000, EIO, Code(CopyTypeZip, CopyErrorWrite), ErrorCodeText(EIO)},
    };
    const std::int64_t size = 1024 * 1024;
    for (const Case &c : cases) {
        ASSERT_TRUE(WriteWholeFile(Path(c.Target), "earlier good copy"));
        FailWritesAfter(c.Allowed, c.Error);
        auto worker =
            RunCopy(MakeFileData("a.bin", std::make_shared<TGeneratedSourceStream>(size, TGeneratedContent::Random),
                                 size, 65536),
                    Path(c.Target), c.Options);
        SetFileWriteHook({});
        EXPECT_EQ(worker->ErrorCode(), c.Code) << c.Target << " " << c.Allowed << " " << c.Error;
        EXPECT_EQ(worker->SysErrorMsg(), c.Message) << c.Target << " " << c.Allowed << " " << c.Error;
        EXPECT_EQ(ReadWholeFile(Path(c.Target)), "earlier good copy") << c.Target;
        ExpectOnly({c.Target});
        ASSERT_TRUE(QFile::remove(Path(c.Target)));
    }
}

// A real full disk besides the seam above: a 1 MiB tmpfs, which only root can mount.
class FullDiskTest : public ::testing::Test
{
protected:
    QTemporaryDir Dir;
    bool Mounted = false;

    void SetUp() override
    {
        if (::geteuid() != 0)
            GTEST_SKIP() << "needs root to mount a 1 MiB tmpfs for the full-disk case";
        if (::mount("tmpfs", QFile::encodeName(Dir.path()).constData(), "tmpfs", 0, "size=1m") != 0)
            GTEST_SKIP() << "cannot mount a tmpfs here (" << std::strerror(errno) << "); full-disk case skipped";
        Mounted = true;
    }
    void TearDown() override
    {
        if (Mounted)
            ::umount2(QFile::encodeName(Dir.path()).constData(), MNT_DETACH);
    }
    QString Path(const QString &name) const { return Dir.filePath(name); }
};

TEST_F(FullDiskTest, FullDiskGivesTheDiskFullCodeAndKeepsTheEarlierCopy)
{
    ASSERT_TRUE(WriteWholeFile(Path("a.bin"), "earlier good copy"));
    const QByteArray data = Pattern(2 * 1024 * 1024);
    auto plain = RunCopy(MakeFileData("a.bin", std::make_shared<TMemorySourceStream>(data), data.size()), Path("a.bin"),
                         BackupOptions);
    EXPECT_EQ(plain->ErrorCode(), Code(CopyTypePlain, CopyErrorDiskFull));
    EXPECT_EQ(plain->SysErrorMsg(), SystemErrorText(ENOSPC));
    EXPECT_EQ(ReadWholeFile(Path("a.bin")), "earlier good copy");
    EXPECT_EQ(FolderEntries(Dir.path()), QStringList{"a.bin"});

    // Compressed output reports a failed write of compressed data as 261.
    const std::int64_t size = 2 * 1024 * 1024;
    auto gzip =
        RunCopy(MakeFileData("a.bin", std::make_shared<TGeneratedSourceStream>(size, TGeneratedContent::Random), size),
                Path("a.bin.gz"), {coOverwrite, coTimeStamp, coCompress});
    EXPECT_EQ(gzip->ErrorCode(), Code(CopyTypeGzip, CopyErrorWrite));
    EXPECT_EQ(gzip->SysErrorMsg(), ErrorCodeText(ENOSPC));
    EXPECT_EQ(FolderEntries(Dir.path()), QStringList{"a.bin"});
}

namespace {

// Streams that break the rules: one throws, one claims more bytes than asked for.
class TThrowingStream : public ISourceStream
{
public:
    HRESULT Read(void *, std::uint32_t, std::uint32_t &) override { throw std::runtime_error("device gone"); }
    HRESULT Commit() override { throw std::runtime_error("device gone"); }
};

class TBoastingStream : public ISourceStream
{
public:
    HRESULT Read(void *, std::uint32_t size, std::uint32_t &bytesRead) override
    {
        bytesRead = size + 1;
        return S_OK;
    }
};

} // namespace

class TNoThreadWorker : public TWinCopyThread
{
public:
    using TWinCopyThread::TWinCopyThread;

protected:
    std::thread LaunchThread() override
    {
        throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    }
};

TEST_F(CopyThreadTest, WhateverFailsTheWorkerReportsDoneWithACode)
{
    ASSERT_TRUE(WriteWholeFile(Path("a.bin"), "earlier"));
    auto thrown = RunCopy(MakeFileData("a.bin", std::make_shared<TThrowingStream>(), 10), Path("a.bin"), BackupOptions);
    EXPECT_TRUE(thrown->Done());
    EXPECT_EQ(thrown->ErrorCode(), Code(CopyTypePlain, CopyErrorRead));

    auto boasting =
        RunCopy(MakeFileData("a.bin", std::make_shared<TBoastingStream>(), 10), Path("a.bin"), BackupOptions);
    EXPECT_EQ(boasting->ErrorCode(), Code(CopyTypePlain, CopyErrorRead));

    // An exception from the owner's own progress callback still ends in Done.
    auto worker = std::make_unique<TWinCopyThread>(Source(Pattern(100)), Path("a.bin"), BackupOptions);
    worker->SetOnProgress([](TFileAction, std::int64_t, bool) { throw std::runtime_error("progress failed"); });
    worker->Start();
    ASSERT_TRUE(worker->WaitFor(60000));
    EXPECT_EQ(worker->ErrorCode(), Code(CopyTypePlain, CopyErrorWrite));
    EXPECT_EQ(worker->SysErrorMsg(), "progress failed");

    // A system out of threads fails the copy at once instead of leaving its owner waiting.
    TNoThreadWorker starved(Source(Pattern(100)), Path("a.bin"), BackupOptions);
    std::atomic<bool> onDoneCalled{false};
    starved.SetOnDone([&onDoneCalled] { onDoneCalled = true; });
    starved.Start();
    EXPECT_TRUE(starved.Done());
    EXPECT_TRUE(onDoneCalled);
    EXPECT_EQ(starved.ErrorCode(), Code(CopyTypePlain, CopyErrorWrite));
    EXPECT_EQ(starved.SysErrorMsg(), SystemErrorText(EAGAIN));

    EXPECT_EQ(ReadWholeFile(Path("a.bin")), "earlier");
    ExpectOnly({"a.bin"});
}

TEST_F(CopyThreadTest, BufferSizeZeroOrHugeStillCopies)
{
    const QByteArray data = Pattern(300000);
    for (std::uint32_t bufferSize : {0u, 0xFFFFFFFFu}) {
        auto worker = RunCopy(Source(data, bufferSize), Path("a.bin"), BackupOptions);
        EXPECT_EQ(worker->ErrorCode(), 0) << bufferSize;
        EXPECT_EQ(ReadWholeFile(Path("a.bin")), data);
    }
}

TEST_F(CopyThreadTest, LocalFileAsSource)
{
    const QByteArray data = Pattern(70000);
    ASSERT_TRUE(WriteWholeFile(Path("source.bin"), data));
    std::uint32_t error = 0;
    EXPECT_EQ(TFileSourceStream::Open(Path("missing.bin"), error), nullptr);
    EXPECT_EQ(error, static_cast<std::uint32_t>(ENOENT));
    auto stream = TFileSourceStream::Open(Path("source.bin"), error);
    ASSERT_NE(stream, nullptr);
    auto worker = RunCopy(MakeFileData("source.bin", stream, data.size()), Path("copy.bin"), BackupOptions);
    EXPECT_EQ(worker->ErrorCode(), 0);
    EXPECT_EQ(ReadWholeFile(Path("copy.bin")), data);
}
