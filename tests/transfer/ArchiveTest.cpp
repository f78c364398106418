#include "base/FileTimes.h"
#include "support/TransferSupport.h"
#include "transfer/CopyThread.h"
#include "transfer/SourceStreams.h"

#include <QCryptographicHash>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStorageInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <zlib.h>

// Gzip files and zip archives written by the worker, read back by gzip,
// unzip, zipinfo and Python's gzip and zipfile modules.

namespace {

const QString Checker = QStringLiteral(TESSARIL_SOURCE_DIR "/tests/transfer/check_archive.py");
// 2024-03-05 14:07:59 local time: MS-DOS 0x586570FD.
TFileTime SourceTime()
{
    return LocalDateTimeToFileTime(EncodeDateTime(2024, 3, 5, 14, 7, 59));
}

QByteArray RandomBytes(qsizetype size)
{
    QByteArray data(size, Qt::Uninitialized);
    std::uint32_t got = 0;
    TGeneratedSourceStream(static_cast<std::uint64_t>(size), TGeneratedContent::Random, 7)
        .Read(data.data(), static_cast<std::uint32_t>(size), got);
    return data;
}

QByteArray TextBytes(qsizetype size)
{
    QByteArray data(size, Qt::Uninitialized);
    std::uint32_t got = 0;
    TGeneratedSourceStream(static_cast<std::uint64_t>(size), TGeneratedContent::Text)
        .Read(data.data(), static_cast<std::uint32_t>(size), got);
    return data;
}

QString Sha256(const QByteArray &data)
{
    return QString::fromLatin1(QCryptographicHash::hash(data, QCryptographicHash::Sha256).toHex());
}

std::uint32_t CrcOf(const QByteArray &data)
{
    return static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef *>(data.constData()), static_cast<uInt>(data.size())));
}

std::uint32_t U32At(const QByteArray &bytes, qsizetype offset)
{
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | static_cast<std::uint8_t>(bytes[offset + i]);
    return value;
}

std::uint16_t U16At(const QByteArray &bytes, qsizetype offset)
{
    return static_cast<std::uint16_t>(static_cast<std::uint8_t>(bytes[offset]) |
                                      (static_cast<std::uint8_t>(bytes[offset + 1]) << 8));
}

struct TArchiveCase
{
    QString Name;
    QByteArray Data;
};

class ArchiveTest : public ::testing::Test
{
protected:
    QTemporaryDir Dir;

    void SetUp() override
    {
        if (!RunProgram("python3", {"-c", "import zipfile, gzip"}).Started)
            GTEST_SKIP() << "python3 is not installed; the archive readers cannot run";
    }

    // Writes c as the file c.Name + suffix in folder (created when missing).
    QString Write(const TArchiveCase &c, const QString &suffix, TCopyOptions options, std::uint32_t bufferSize = 65536,
                  const QString &folder = QString())
    {
        QDir(Dir.path()).mkpath(folder.isEmpty() ? QStringLiteral(".") : folder);
        const QString target = Dir.filePath(folder.isEmpty() ? c.Name + suffix : folder + '/' + c.Name + suffix);
        auto source = MakeFileData(c.Name, std::make_shared<TMemorySourceStream>(c.Data), c.Data.size(), bufferSize,
                                   SourceTime());
        auto worker = RunCopy(source, target, options);
        EXPECT_EQ(worker->ErrorCode(), 0) << worker->SysErrorMsg().toStdString();
        EXPECT_EQ(worker->Crc(), CrcOf(c.Data));
        return target;
    }

    static QJsonObject Python(const QString &kind, const QString &path)
    {
        const TProcessResult result = RunProgram("python3", {Checker, kind, path});
        EXPECT_EQ(result.ExitCode, 0) << result.Output.toStdString();
        return QJsonDocument::fromJson(result.Output).object();
    }

    static void ExpectPeerAccepts(const QString &program, const QStringList &arguments)
    {
        const TProcessResult result = RunProgram(program, arguments);
        if (!result.Started) {
            std::cout << program.toStdString() << " is not installed; not checked\n";
            return;
        }
        EXPECT_EQ(result.ExitCode, 0) << program.toStdString() << ": " << result.Output.toStdString();
    }
};

const TCopyOptions GzipOptions{coCompress, coOverwrite, coTimeStamp};
const TCopyOptions DeflatedZipOptions{coZipCompress, coCompress, coOverwrite, coTimeStamp};
const TCopyOptions StoredZipOptions{coZipCompress, coOverwrite, coTimeStamp};

std::vector<TArchiveCase> Cases()
{
    return {{"empty.txt", QByteArray()},
            {QString::fromUtf8("Résumé.txt"), TextBytes(5000)},
            {QString::fromUtf8("Ωmega.txt"), TextBytes(100)},
            {QString::fromUtf8("Müller.txt"), TextBytes(70000)},
            {QString::fromUtf8("árbol.jpg"), RandomBytes(3000)},
            {"random.bin", RandomBytes(20 * 1024 * 1024)}};
}

} // namespace

TEST_F(ArchiveTest, GzipFilesAreReadByGzipAndPython)
{
    for (const TArchiveCase &c : Cases()) {
        SCOPED_TRACE(c.Name.toStdString());
        const QString path = Write(c, ".gz", GzipOptions);
        ExpectPeerAccepts("gzip", {"-t", path});
        const QJsonObject found = Python("gzip", path);
        const bool latin1 = c.Name != QString::fromUtf8("Ωmega.txt");
        EXPECT_EQ(found["name"].toString(), c.Name);
        EXPECT_EQ(found["os"].toInt(), latin1 ? 0 : 11);
        EXPECT_EQ(found["flags"].toInt(), 0x0C);
        EXPECT_EQ(found["xlen"].toInt(), 20);
        EXPECT_EQ(found["si1"].toInt(), 1);
        EXPECT_EQ(found["len"].toInt(), 16);
        EXPECT_EQ(found["usize"].toInteger(), c.Data.size());
        const qint64 nameLength = latin1 ? c.Name.toLatin1().size() : c.Name.toUtf8().size();
        EXPECT_EQ(found["csize"].toInteger(), QFileInfo(path).size() - 32 - (nameLength + 1) - 8);
        EXPECT_EQ(found["mtime"].toInteger(), FileTimeToUnixTime(SourceTime()));
        EXPECT_EQ(found["python_mtime"].toInteger(), FileTimeToUnixTime(SourceTime()));
        EXPECT_EQ(found["sha256"].toString(), Sha256(c.Data));
    }
}

TEST_F(ArchiveTest, ZeroInADeviceNameCannotBreakTheGzipHeader)
{
    const QByteArray data = TextBytes(3000);
    const QString deviceName = QStringLiteral("a") + QChar(0) + QStringLiteral("b.txt");
    const QString path = Dir.filePath("a_b.txt.gz");
    auto worker =
        RunCopy(MakeFileData(deviceName, std::make_shared<TMemorySourceStream>(data), data.size()), path, GzipOptions);
    ASSERT_EQ(worker->ErrorCode(), 0);
    ExpectPeerAccepts("gzip", {"-t", path});
    const QJsonObject found = Python("gzip", path);
    EXPECT_EQ(found["name"].toString(), "a_b.txt");
    EXPECT_EQ(found["sha256"].toString(), Sha256(data));
}

// The device's name may hold path parts; the archives store the local file's
// own name, as a naive extractor would otherwise write outside its folder.
TEST_F(ArchiveTest, ArchivesStoreTheLocalNameNotTheDeviceName)
{
    const QByteArray data = TextBytes(2000);
    struct Case
    {
        QString DeviceName;
        QString Target; // the local name the backup run gives it, with the output's suffix
        TCopyOptions Options;
        QString Stored;
    };
    const Case cases[] = {
        {"../../x.txt", ".._.._x.txt.gz", GzipOptions, ".._.._x.txt"},
        {"a/b.txt", "a_b.txt.gz", GzipOptions, "a_b.txt"},
        {"../../x.txt", ".._.._x.txt.zip", DeflatedZipOptions, ".._.._x.txt"},
        {"/etc/passwd", "_etc_passwd.zip", StoredZipOptions, "_etc_passwd"},
        // Only the suffix the output added comes off.
        {"notes.zip", "notes.zip.zip", StoredZipOptions, "notes.zip"},
        {"notes.gz", "notes.gz.gz", GzipOptions, "notes.gz"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.Target.toStdString());
        const QString path = Dir.filePath(c.Target);
        auto worker = RunCopy(MakeFileData(c.DeviceName, std::make_shared<TMemorySourceStream>(data), data.size()),
                              path, c.Options);
        ASSERT_EQ(worker->ErrorCode(), 0);
        const bool gzip = !c.Options.Contains(coZipCompress);
        const QJsonObject found = Python(gzip ? "gzip" : "zip", path);
        if (gzip) {
            EXPECT_EQ(found["name"].toString(), c.Stored);
        } else {
            const QJsonArray names = found["names"].toArray();
            ASSERT_EQ(names.size(), 1);
            EXPECT_EQ(names[0].toString(), c.Stored);
        }
        EXPECT_EQ(found["sha256"].toString().isEmpty() ? found["entries"][0]["sha256"].toString()
                                                       : found["sha256"].toString(),
                  Sha256(data));
    }
}

TEST_F(ArchiveTest, EmptyGzipHasTheFullFrame)
{
    const QString path = Write({"", QByteArray()}, ".gz", GzipOptions);
    const QByteArray bytes = ReadWholeFile(path);
    ASSERT_EQ(bytes.size(), 32 + 2 + 8);
    EXPECT_EQ(static_cast<std::uint8_t>(bytes[3]), 0x04) << "no name, no FNAME flag";
    EXPECT_EQ(static_cast<std::uint8_t>(bytes[9]), 0);
    EXPECT_EQ(U32At(bytes, 16), 2u) << "compressed size field";
    EXPECT_EQ(U32At(bytes, 24), 0u);
    EXPECT_EQ(bytes.mid(32, 2), QByteArray("\x03\x00", 2));
    EXPECT_EQ(U32At(bytes, 34), 0u);
    EXPECT_EQ(U32At(bytes, 38), 0u);
    ExpectPeerAccepts("gzip", {"-t", path});
}

TEST_F(ArchiveTest, ZipArchivesAreReadByUnzipZipinfoAndPython)
{
    for (bool compress : {true, false}) {
        for (const TArchiveCase &c : Cases()) {
            SCOPED_TRACE(c.Name.toStdString() + (compress ? " deflated" : " stored"));
            const QString path =
                Write(c, ".zip", compress ? DeflatedZipOptions : StoredZipOptions, 65536, compress ? "" : "stored");
            ExpectPeerAccepts("unzip", {"-t", path});
            ExpectPeerAccepts("zipinfo", {"-v", path});
            const QJsonObject found = Python("zip", path);
            EXPECT_TRUE(found["bad"].isNull());
            const QJsonArray entries = found["entries"].toArray();
            ASSERT_EQ(entries.size(), 1);
            const QJsonObject entry = entries[0].toObject();
            const bool deflated = compress && !c.Data.isEmpty();
            const bool utf8 = c.Name == QString::fromUtf8("Ωmega.txt") || c.Name == QString::fromUtf8("árbol.jpg");
            EXPECT_EQ(entry["name"].toString(), c.Name);
            EXPECT_EQ(entry["flags"].toInt(), 0x80 | (deflated ? 0x02 : 0) | (utf8 ? 0x800 : 0));
            EXPECT_EQ(entry["method"].toInt(), deflated ? 8 : 0);
            EXPECT_EQ(entry["crc"].toInteger(), CrcOf(c.Data));
            EXPECT_EQ(entry["size"].toInteger(), c.Data.size());
            if (!deflated) {
                EXPECT_EQ(entry["csize"].toInteger(), c.Data.size());
            }
            EXPECT_EQ(entry["date_time"].toArray(), (QJsonArray{2024, 3, 5, 14, 7, 58}));
            EXPECT_EQ(entry["external_attr"].toInteger(), 0x80);
            EXPECT_EQ(entry["create_version"].toInt(), 20);
            EXPECT_EQ(entry["extract_version"].toInt(), 20);
            EXPECT_EQ(entry["sha256"].toString(), Sha256(c.Data));
        }
    }
}

// Large files are compressed in blocks on several threads and joined into one
// deflate stream; every reader must see one member or entry with the exact
// bytes, whichever block boundary the data ends on.
TEST_F(ArchiveTest, BlockCompressedOutputIsReadBackByteExact)
{
    constexpr std::uint32_t Block = 64 * 1024;
    const QByteArray text = TextBytes(5 * Block + 123);
    const QByteArray random = RandomBytes(3 * Block);
    struct Sized
    {
        const char *Name;
        QByteArray Data;
    };
    const std::vector<Sized> sizes = {{"empty", QByteArray()},
                                      {"one", text.left(1)},
                                      {"block-1", text.left(Block - 1)},
                                      {"block", text.left(Block)},
                                      {"block+1", text.left(Block + 1)},
                                      {"several", text},
                                      {"random", random}};
    const auto inBlocks = [](TWinCopyThread &worker) { worker.SetParallelCompression(Block, 0, 3); };
    for (const bool zip : {false, true}) {
        for (const Sized &s : sizes) {
            SCOPED_TRACE(std::string(s.Name) + (zip ? ".zip" : ".gz"));
            const QString name = QString::fromLatin1(s.Name) + QStringLiteral(".txt");
            const QString path = Dir.filePath(name + (zip ? ".zip" : ".gz"));
            auto source =
                MakeFileData(name, std::make_shared<TMemorySourceStream>(s.Data), s.Data.size(), 4096, SourceTime());
            auto worker = RunCopy(source, path, zip ? DeflatedZipOptions : GzipOptions, inBlocks);
            ASSERT_EQ(worker->ErrorCode(), 0) << worker->SysErrorMsg().toStdString();
            EXPECT_EQ(worker->Crc(), CrcOf(s.Data));
            if (zip) {
                ExpectPeerAccepts("unzip", {"-t", path});
                const TProcessResult unzip = RunProgram("unzip", {"-p", path});
                if (unzip.Started) {
                    EXPECT_EQ(unzip.Output, s.Data);
                }
                const QJsonObject entry = Python("zip", path)["entries"][0].toObject();
                EXPECT_EQ(entry["size"].toInteger(), s.Data.size());
                EXPECT_EQ(entry["crc"].toInteger(), CrcOf(s.Data));
                EXPECT_EQ(entry["sha256"].toString(), Sha256(s.Data));
            } else {
                ExpectPeerAccepts("gzip", {"-t", path});
                const TProcessResult gunzip = RunProgram("gzip", {"-dc", path});
                if (gunzip.Started) {
                    EXPECT_EQ(gunzip.Output, s.Data);
                }
                const QJsonObject found = Python("gzip", path);
                EXPECT_EQ(found["usize"].toInteger(), s.Data.size());
                EXPECT_EQ(found["csize"].toInteger(), QFileInfo(path).size() - 32 - (name.size() + 1) - 8);
                EXPECT_EQ(found["sha256"].toString(), Sha256(s.Data));
            }
        }
    }
    // Joined blocks cost next to nothing in size against one stream.
    const QString single = Dir.filePath("single.gz");
    const QString blocks = Dir.filePath("blocks.gz");
    const auto source = [&] {
        return MakeFileData("t.txt", std::make_shared<TMemorySourceStream>(text), text.size(), 4096, SourceTime());
    };
    RunCopy(source(), single, GzipOptions, [](TWinCopyThread &worker) { worker.SetParallelCompression(0, 0); });
    RunCopy(source(), blocks, GzipOptions, inBlocks);
    EXPECT_LE(QFileInfo(blocks).size(), QFileInfo(single).size() * 1005 / 1000 + 64);
}

TEST_F(ArchiveTest, ZipNamesUseCodePage437WhereEveryCharacterHasAForm)
{
    struct Case
    {
        const char *Name;
        QByteArray Stored;
    };
    for (const Case &c : {Case{"Müller.txt", "M\x81ller.txt"}, Case{"Ärger.jpg", "\x8Erger.jpg"},
                          Case{"café.jpg", "caf\x82.jpg"}, Case{"árbol.jpg", "\xC3\xA1rbol.jpg"}}) {
        const QString name = QString::fromUtf8(c.Name);
        const QString path = Write({name, QByteArray()}, ".zip", DeflatedZipOptions);
        const QByteArray bytes = ReadWholeFile(path);
        const qsizetype n = c.Stored.size();
        ASSERT_EQ(bytes.size(), 30 + n + 46 + n + 22) << c.Name;
        EXPECT_EQ(bytes.mid(30, n), c.Stored) << c.Name;
        EXPECT_EQ(U16At(bytes, 8), 0) << "empty entries are stored";
        EXPECT_EQ(U32At(bytes, 10), 0x586570FDu);
    }
}

// Zip64 for real: archives above 0xFF000000 bytes and above 4 GiB. Several
// GiB on disk and minutes of checking, so it runs only on request:
//   test_transfer --gtest_also_run_disabled_tests --gtest_filter='*Zip64*'
// TESSARIL_LARGE_DIR names the folder to write into (default: the temporary folder).
TEST(LargeArchiveTest, DISABLED_Zip64EntriesAreReadByUnzipAndPython)
{
    const QString base = qEnvironmentVariable("TESSARIL_LARGE_DIR", QDir::tempPath());
    QTemporaryDir dir(base + "/tessaril-zip64-XXXXXX");
    ASSERT_TRUE(dir.isValid());
    for (const std::int64_t size : {std::int64_t(0xFF000001), std::int64_t(4608) * 1024 * 1024}) {
        SCOPED_TRACE(size);
        if (QStorageInfo(dir.path()).bytesAvailable() < size + (std::int64_t(1) << 30))
            GTEST_SKIP() << "not enough free space in " << dir.path().toStdString();
        const QString path = dir.filePath("big.bin.zip");
        auto source = MakeFileData("big.bin", std::make_shared<TGeneratedSourceStream>(size, TGeneratedContent::Zeros),
                                   size, 1024 * 1024, SourceTime());
        auto worker = RunCopy(source, path, StoredZipOptions);
        ASSERT_EQ(worker->ErrorCode(), 0) << worker->SysErrorMsg().toStdString();

        const TProcessResult unzip = RunProgram("unzip", {"-t", path}, 3600000);
        std::cout << unzip.Output.toStdString();
        EXPECT_EQ(unzip.ExitCode, 0);
        const TProcessResult python = RunProgram("python3", {Checker, "zip", path}, 3600000);
        std::cout << python.Output.toStdString();
        const QJsonObject entry = QJsonDocument::fromJson(python.Output)["entries"][0].toObject();
        EXPECT_EQ(entry["size"].toInteger(), size);
        EXPECT_EQ(entry["read_size"].toInteger(), size);
        EXPECT_EQ(entry["extract_version"].toInt(), 45);
        QFile::remove(path);
    }
}

// Compressed outputs of a 4.5 GiB source: the gzip size fields and ISIZE
// modulo 2^32, and a zip entry whose uncompressed size alone needs Zip64
// (the compressed size still fits). Little disk space, some minutes of CPU.
TEST(LargeArchiveTest, DISABLED_CompressedOutputsAbove4GiBAreReadByPeers)
{
    const QString base = qEnvironmentVariable("TESSARIL_LARGE_DIR", QDir::tempPath());
    QTemporaryDir dir(base + "/tessaril-large-XXXXXX");
    ASSERT_TRUE(dir.isValid());
    const std::int64_t size = std::int64_t(4608) * 1024 * 1024;
    struct Case
    {
        const char *Target;
        TCopyOptions Options;
    };
    for (const Case &c : {Case{"big.bin.gz", GzipOptions}, Case{"big.bin.zip", DeflatedZipOptions}}) {
        SCOPED_TRACE(c.Target);
        const QString path = dir.filePath(c.Target);
        auto source = MakeFileData("big.bin", std::make_shared<TGeneratedSourceStream>(size, TGeneratedContent::Zeros),
                                   size, 1024 * 1024, SourceTime());
        auto worker = RunCopy(source, path, c.Options);
        ASSERT_EQ(worker->ErrorCode(), 0) << worker->SysErrorMsg().toStdString();
        const bool gzip = c.Options.Contains(coCompress) && !c.Options.Contains(coZipCompress);
        const TProcessResult peer =
            gzip ? RunProgram("gzip", {"-t", "-v", path}, 3600000) : RunProgram("unzip", {"-t", path}, 3600000);
        std::cout << peer.Output.toStdString();
        EXPECT_EQ(peer.ExitCode, 0);
        const TProcessResult python = RunProgram("python3", {Checker, gzip ? "gzip" : "zip", path}, 3600000);
        std::cout << python.Output.toStdString();
        const QJsonObject found = QJsonDocument::fromJson(python.Output).object();
        if (gzip) {
            EXPECT_EQ(found["usize"].toInteger(), size);
            EXPECT_EQ(found["size"].toInteger(), size);
            const QByteArray bytes = ReadWholeFile(path);
            EXPECT_EQ(U32At(bytes, bytes.size() - 4), static_cast<std::uint32_t>(size & 0xFFFFFFFF));
        } else {
            const QJsonObject entry = found["entries"][0].toObject();
            EXPECT_EQ(entry["size"].toInteger(), size);
            EXPECT_EQ(entry["read_size"].toInteger(), size);
            const QByteArray bytes = ReadWholeFile(path);
            const qsizetype central = bytes.size() - 22 - (46 + 7 + 12);
            EXPECT_EQ(U32At(bytes, central), 0x02014B50u);
            EXPECT_EQ(U16At(bytes, central + 30), 12) << "one size in the Zip64 extra field";
            EXPECT_EQ(U32At(bytes, central + 24), 0xFFFFFFFFu);
            EXPECT_NE(U32At(bytes, central + 20), 0xFFFFFFFFu);
        }
        QFile::remove(path);
    }
}
