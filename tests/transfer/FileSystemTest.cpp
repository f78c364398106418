#include "transfer/FileSystem.h"
#include "base/FileTimes.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr TFileTime TicksPerSecond = 10000000;

class FileSystemTest : public ::testing::Test
{
protected:
    QTemporaryDir Dir;

    QString Path(const QString &name) const { return Dir.filePath(name); }

    QString MakeFile(const QString &name, const QByteArray &content = "data")
    {
        QFile file(Path(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
        return file.fileName();
    }

    TFileAttributeData Data(const QString &name, bool followLink = false)
    {
        TFileAttributeData data;
        EXPECT_EQ(GetFileAttributeData(name, data, followLink), 0u);
        return data;
    }
};

TFileTime UtcFileTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0)
{
    return DateTimeToFileTime(EncodeDateTime(year, month, day, hour, minute, second));
}

} // namespace

TEST_F(FileSystemTest, XlFileNameIsTheIdentity)
{
    const QString longPath = "/" + QString(300, 'a');
    EXPECT_EQ(XlFileName(longPath), longPath);
    EXPECT_EQ(XlFileName("dir/a.txt"), "dir/a.txt");
}

TEST_F(FileSystemTest, ExistenceWithAndWithoutFollowingLinks)
{
    const QString file = MakeFile("file.txt");
    ASSERT_TRUE(QDir(Dir.path()).mkdir("folder"));
    ASSERT_TRUE(QFile::link(file, Path("to-file")));
    ASSERT_TRUE(QFile::link(Path("folder"), Path("to-folder")));
    ASSERT_TRUE(QFile::link(Path("nowhere"), Path("broken")));

    struct Case
    {
        const char *Name;
        bool Plain;
        bool Followed;
    };
    for (const Case &c : {Case{"file.txt", true, true}, Case{"folder", false, false}, Case{"missing", false, false},
                          Case{"to-file", true, true}, Case{"to-folder", true, false}, Case{"broken", true, false},
                          Case{"missing/below", false, false}}) {
        EXPECT_EQ(XlFileExists(Path(c.Name), false), c.Plain) << c.Name;
        EXPECT_EQ(XlFileExists(Path(c.Name), true), c.Followed) << c.Name;
    }
}

TEST_F(FileSystemTest, AttributeDataOfFilesLinksAndMissingFiles)
{
    const QString file = MakeFile("file.txt", QByteArray(5000, 'x'));
    ASSERT_TRUE(QFile::link(file, Path("link")));

    const TFileAttributeData data = Data(file);
    EXPECT_EQ(data.FileSizeLow, 5000u);
    EXPECT_EQ(data.FileSizeHigh, 0u);
    EXPECT_EQ(data.FileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT), 0u);

    EXPECT_NE(Data(Path("link")).FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT, 0u);
    const TFileAttributeData followed = Data(Path("link"), true);
    EXPECT_EQ(followed.FileSizeLow, 5000u);
    EXPECT_EQ(followed.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT, 0u);

    QString target;
    EXPECT_TRUE(GetLinkTarget(Path("link"), target));
    EXPECT_EQ(target, QFileInfo(file).canonicalFilePath());
    EXPECT_FALSE(GetLinkTarget(file, target));

    TFileAttributeData missing;
    EXPECT_EQ(GetFileAttributeData(Path("missing"), missing, true), static_cast<std::uint32_t>(ENOENT));
    EXPECT_EQ(GetFileAttributes(Path("missing")), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetFileAttributes(Dir.path()) & FILE_ATTRIBUTE_DIRECTORY, FILE_ATTRIBUTE_DIRECTORY);
}

TEST_F(FileSystemTest, WriteTimeRoundTripAndMissingFile)
{
    const QString file = MakeFile("file.txt");
    EXPECT_EQ(GetFileWriteTime(Path("missing")), 0.0);

    const TDateTime time = EncodeDateTime(2021, 6, 7, 8, 9, 10, 123);
    ASSERT_EQ(SetFileWriteTime(file, time), 0u);
    EXPECT_EQ(DateTimeToFileTime(GetFileWriteTime(file)), DateTimeToFileTime(time));
    EXPECT_EQ(SetFileWriteTime(Path("missing"), time), static_cast<std::uint32_t>(ENOENT));
}

TEST_F(FileSystemTest, TimestampsSetWriteTimeAndOnRequestAccessTime)
{
    const QString file = MakeFile("file.txt");
    const TFileAttributeData before = Data(file);

    TFileTimestamps stamps;
    stamps.Valid = true;
    stamps.CreationTime = UtcFileTime(2010, 1, 1);
    stamps.LastAccessTime = UtcFileTime(2011, 1, 1);
    stamps.LastWriteTime = UtcFileTime(2012, 1, 1) + 1234567; // 100 ns precision survives

    ASSERT_EQ(SetFileTimestamps(file, stamps, true, false, false), 0u);
    TFileAttributeData after = Data(file);
    EXPECT_EQ(after.LastWriteTime, stamps.LastWriteTime);
    EXPECT_EQ(after.LastAccessTime, before.LastAccessTime);

    ASSERT_EQ(SetFileTimestamps(file, stamps, true, true, false), 0u);
    after = Data(file);
    EXPECT_EQ(after.LastWriteTime, stamps.LastWriteTime);
    EXPECT_EQ(after.LastAccessTime, stamps.LastAccessTime);

    EXPECT_EQ(SetFileTimestamps(Path("missing"), stamps, true, true, false), static_cast<std::uint32_t>(ENOENT));
}

TEST_F(FileSystemTest, InvalidOrFarFutureTimesBecomeTheLocalWallClock)
{
    const QString file = MakeFile("file.txt");
    const TFileTime wallClock = DateTimeToFileTime(NowLocalDateTime());
    const TFileTime slack = 10 * TicksPerSecond;

    ASSERT_EQ(SetFileTimestamps(file, TFileTimestamps(), true, false, false), 0u);
    EXPECT_NEAR(double(Data(file).LastWriteTime), double(wallClock), double(slack));

    TFileTimestamps stamps;
    stamps.Valid = true;
    stamps.LastWriteTime = DateTimeToFileTime(NowLocalDateTime() + 23.0 / 24);
    ASSERT_EQ(SetFileTimestamps(file, stamps, true, false, false), 0u);
    EXPECT_EQ(Data(file).LastWriteTime, stamps.LastWriteTime) << "23 hours ahead is kept";

    stamps.LastWriteTime = DateTimeToFileTime(NowLocalDateTime() + 25.0 / 24);
    ASSERT_EQ(SetFileTimestamps(file, stamps, false, false, false), 0u);
    EXPECT_EQ(Data(file).LastWriteTime, stamps.LastWriteTime) << "kept without the check";
    ASSERT_EQ(SetFileTimestamps(file, stamps, true, false, false), 0u);
    EXPECT_NEAR(double(Data(file).LastWriteTime), double(wallClock), double(slack));
}

TEST_F(FileSystemTest, ReadOnlyMapsToTheWriteBits)
{
    const QString file = MakeFile("file.txt");
    EXPECT_EQ(GetFileAttributes(file) & FILE_ATTRIBUTE_READONLY, 0u);

    ASSERT_EQ(SetFileAttributes(file, FILE_ATTRIBUTE_READONLY), 0u);
    EXPECT_NE(GetFileAttributes(file) & FILE_ATTRIBUTE_READONLY, 0u);
    struct stat info = {};
    ASSERT_EQ(::stat(QFile::encodeName(file).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH), 0u);

    ASSERT_EQ(SetFileAttributes(file, FILE_ATTRIBUTE_NORMAL), 0u);
    EXPECT_EQ(GetFileAttributes(file), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(SetFileAttributes(Path("missing"), FILE_ATTRIBUTE_NORMAL), static_cast<std::uint32_t>(ENOENT));
}

TEST_F(FileSystemTest, ArchiveBitIsKeptWhereTheFileSystemCanAndNeverFails)
{
    const QString file = MakeFile("file.txt");
    ASSERT_EQ(SetFileAttributes(file, FILE_ATTRIBUTE_ARCHIVE), 0u);
    const std::uint32_t attributes = GetFileAttributes(file);
    EXPECT_TRUE(attributes == FILE_ATTRIBUTE_ARCHIVE || attributes == FILE_ATTRIBUTE_NORMAL) << attributes;
    ASSERT_EQ(SetFileAttributes(file, FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY), 0u);
    EXPECT_NE(GetFileAttributes(file) & FILE_ATTRIBUTE_READONLY, 0u);
    ASSERT_EQ(SetFileAttributes(file, FILE_ATTRIBUTE_NORMAL), 0u);
    EXPECT_EQ(GetFileAttributes(file), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(FileSystemTest, NewFileModeIsTheModeANewFileGets)
{
    const QByteArray folder = QFile::encodeName(Dir.path());
    const int readable = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const int pathOnly = ::open(folder.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(readable, 0);
    const int expected = NewFileModeIn(readable);
    const int made = ::openat(readable, "new", O_CREAT | O_WRONLY | O_CLOEXEC, 0666);
    ASSERT_GE(made, 0);
    struct stat info = {};
    ASSERT_EQ(::fstat(made, &info), 0);
    EXPECT_EQ(expected, int(info.st_mode & 0777));
    EXPECT_EQ(GetNewFileAttributes(made, expected), GetNewFileAttributes(made));
    // Without a readable folder the mode is not told, and the file is looked at.
    EXPECT_EQ(NewFileModeIn(pathOnly), -1);
    EXPECT_EQ(NewFileModeIn(-1), -1);
    EXPECT_EQ(GetNewFileAttributes(made, -1), GetNewFileAttributes(made));
    ::close(made);
    ::close(pathOnly);
    ::close(readable);
}
