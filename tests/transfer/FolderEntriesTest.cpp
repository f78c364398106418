#include "transfer/FolderEntries.h"
#include "base/FileDescriptor.h"
#include "transfer/FileSystem.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

namespace {

class FolderEntriesTest : public ::testing::Test
{
protected:
    QTemporaryDir Dir;

    int Open(int flags) const { return ::open(QFile::encodeName(Dir.path()).constData(), flags | O_CLOEXEC); }
    void MakeFile(const char *name) const
    {
        QFile file(Dir.filePath(QString::fromUtf8(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
};

TEST_F(FolderEntriesTest, AnEntryOfAnyKindMayBeThereAndNoOtherSpellingCounts)
{
    MakeFile("IMG_1.jpg");
    MakeFile("Ä b.txt");
    ASSERT_TRUE(QDir(Dir.path()).mkdir(QStringLiteral("folder")));
    ASSERT_EQ(::symlink("nowhere", QFile::encodeName(Dir.filePath(QStringLiteral("link"))).constData()), 0);
    const TFileDescriptor folder(Open(O_RDONLY | O_DIRECTORY));
    if (!IsPlainLocalFileSystem(folder.Get()))
        GTEST_SKIP() << "the test folder is not on ext4, tmpfs, XFS or Btrfs";
    const TFolderEntries entries = TFolderEntries::Read(folder.Get());
    ASSERT_TRUE(entries.Known());
    for (const char *present : {"IMG_1.jpg", "Ä b.txt", "folder", "link"})
        EXPECT_TRUE(entries.MayHold(QByteArray(present))) << present;
    for (const char *absent : {"IMG_2.jpg", "img_1.jpg", "IMG_1.JPG", ".", "..", ""})
        EXPECT_FALSE(entries.MayHold(QByteArray(absent))) << absent;
}

TEST_F(FolderEntriesTest, AFolderThatCannotBeReadLeavesEveryNamePossible)
{
    MakeFile("a");
    const TFileDescriptor pathOnly(Open(O_PATH | O_DIRECTORY));
    for (const int fd : {-1, pathOnly.Get()}) {
        const TFolderEntries entries = TFolderEntries::Read(fd);
        EXPECT_FALSE(entries.Known()) << fd;
        EXPECT_TRUE(entries.MayHold(QByteArrayLiteral("b"))) << fd;
    }
    EXPECT_TRUE(TFolderEntries().MayHold(QByteArrayLiteral("b")));
}

TEST_F(FolderEntriesTest, NamesAddedAfterTheReadAreNotSeen)
{
    // What the run relies on being told apart: the read is a snapshot, and
    // the copy's own linking (which never replaces) guards what came later.
    const TFileDescriptor folder(Open(O_RDONLY | O_DIRECTORY));
    if (!IsPlainLocalFileSystem(folder.Get()))
        GTEST_SKIP() << "the test folder is not on ext4, tmpfs, XFS or Btrfs";
    const TFolderEntries before = TFolderEntries::Read(folder.Get());
    MakeFile("late");
    EXPECT_FALSE(before.MayHold(QByteArrayLiteral("late")));
    EXPECT_TRUE(TFolderEntries::Read(folder.Get()).MayHold(QByteArrayLiteral("late")));
}

} // namespace
