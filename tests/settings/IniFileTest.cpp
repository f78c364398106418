#include "settings/IniFile.h"
#include "settings/SafeSave.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class IniFileTest : public ::testing::Test
{
protected:
    void TearDown() override { SetSaveWriteHook({}); }

    QString Path(const QString &name = QStringLiteral("test.ini")) const { return m_dir.filePath(name); }

    void WriteBytes(const QByteArray &bytes, const QString &name = QStringLiteral("test.ini")) const
    {
        QFile file(Path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(file.write(bytes), bytes.size());
    }

    QByteArray ReadBytes(const QString &name = QStringLiteral("test.ini")) const
    {
        QFile file(Path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QStringList FolderEntries() const
    {
        return QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    QTemporaryDir m_dir;
};

QByteArray Utf16LE(const char *ascii)
{
    QByteArray bytes("\xFF\xFE", 2);
    for (const char *c = ascii; *c; ++c) {
        bytes.append(*c);
        bytes.append('\0');
    }
    return bytes;
}

std::string Std(const QString &text)
{
    return text.toStdString();
}

} // namespace

TEST_F(IniFileTest, ReadingDropsCommentsBlanksAndLinesBeforeTheFirstSection)
{
    WriteBytes("stray=1\r\n[A]\r\nx = 1 \r\n; note\r\n\r\n\ty\r\n");
    TMemIniFile ini(Path());
    EXPECT_EQ(ini.Encoding(), TIniEncoding::ieAnsi);
    ini.UpdateFile();
    EXPECT_EQ(ReadBytes(), QByteArray("[A]\r\nx=1\r\ny\r\n\r\n"));
}

TEST_F(IniFileTest, HeadersLineEndsAndNul)
{
    WriteBytes(QByteArray("[ Name ]\rk=v\n[Name\r\n=empty name\nv = a=b\n[B]\nz=1\0[C]\nq=2\n", 52));
    TMemIniFile ini(Path());
    EXPECT_EQ(ini.ReadSections(), QStringList({"Name", "B"}));
    EXPECT_EQ(ini.ReadSectionValues("name"), QStringList({"k=v", "[Name", "=empty name", "v=a=b"}));
    EXPECT_EQ(Std(ini.ReadString("Name", "v", "-")), "a=b");
    EXPECT_EQ(Std(ini.ReadString("Name", "", "-")), "empty name");
    EXPECT_EQ(Std(ini.ReadString("B", "z", "-")), "1");
    EXPECT_FALSE(ini.SectionExists("C"));
}

TEST_F(IniFileTest, NamesCompareWithoutCaseAndTheFirstWins)
{
    WriteBytes("[Config]\nTop=5\nk=1\nk=2\nbare\n[S]\na=first\n[S]\na=second\n");
    TMemIniFile ini(Path());
    EXPECT_EQ(Std(ini.ReadString("config", "TOP", "")), "5");
    EXPECT_EQ(Std(ini.ReadString("Config", "k", "")), "1");
    ini.WriteString("Config", "K", "3");
    EXPECT_EQ(ini.ReadSectionValues("Config"), QStringList({"Top=5", "K=3", "k=2", "bare"}));
    EXPECT_EQ(Std(ini.ReadString("Config", "bare", "default")), "default");
    EXPECT_TRUE(ini.ValueExists("Config", ""));
    EXPECT_FALSE(ini.ValueExists("Config", "bare"));

    EXPECT_EQ(Std(ini.ReadString("s", "a", "")), "first");
    ini.EraseSection("S");
    EXPECT_EQ(Std(ini.ReadString("s", "a", "")), "second");
    ini.EraseSection("S");
    EXPECT_FALSE(ini.SectionExists("S"));
    ini.EraseSection("S"); // nothing left: no effect
}

TEST_F(IniFileTest, EmptySectionsAreAbsentYetWritten)
{
    TMemIniFile ini(Path());
    ini.WriteString("A", "x", "1");
    ini.WriteString("E", "y", "2");
    ini.EraseSectionValues("E");
    EXPECT_FALSE(ini.SectionExists("E"));
    EXPECT_TRUE(ini.SectionExists("A"));
    ini.WriteString("A", "value", "  kept  ");
    EXPECT_EQ(Std(ini.ReadString("A", "value", "")), "  kept  ");
    ini.UpdateFile();
    EXPECT_EQ(ReadBytes(), QByteArray("[A]\r\nx=1\r\nvalue=  kept  \r\n\r\n[E]\r\n\r\n"));
    EXPECT_EQ(Std(TMemIniFile(Path()).ReadString("A", "value", "")), "kept");
}

TEST_F(IniFileTest, IntegerRule)
{
    struct Case
    {
        const char *text;
        int expected;
    };
    const int d = 777;
    const Case cases[] = {
        {"0x1F", 31},
        {"0X1F", 31},
        {"$1F", 31},
        {"x1F", 31},
        {"X1f", 31},
        {"1F", d},
        {"12 ", d},
        {"  12", 12},
        {"+7", 7},
        {"-$10", -16},
        {"-0x10", -16},
        {"0xFFFFFFFF", -1},
        {"$000000001", 1},
        {"$100000000", d},
        {"2147483648", d},
        {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1},
        {"-2147483649", d},
        {"0x", d},
        {"$", d},
        {"", d},
        {"-", d},
        {"0", 0},
        {"007", 7},
        {"1.5", d},
    };
    TMemIniFile ini(Path());
    for (const Case &c : cases) {
        ini.WriteString("N", "v", QString::fromLatin1(c.text));
        EXPECT_EQ(ini.ReadInteger("N", "v", d), c.expected) << '"' << c.text << '"';
    }
    EXPECT_EQ(ini.ReadInteger("N", "missing", d), d);

    struct Case64
    {
        const char *text;
        std::int64_t expected;
    };
    const Case64 cases64[] = {
        {"9223372036854775807", INT64_MAX}, {"-9223372036854775808", INT64_MIN}, {"9223372036854775808", 5},
        {"0xFFFFFFFFFFFFFFFF", -1},         {"0xFFFFFFFF", 4294967295LL},        {"$10000000000000000", 5},
        {"4294967296", 4294967296LL},
    };
    for (const Case64 &c : cases64) {
        ini.WriteString("N", "v", QString::fromLatin1(c.text));
        EXPECT_EQ(ini.ReadInt64("N", "v", 5), c.expected) << '"' << c.text << '"';
    }
    ini.WriteInteger("N", "w", -12);
    ini.WriteInt64("N", "w64", -12345678901LL);
    EXPECT_EQ(Std(ini.ReadString("N", "w", "")), "-12");
    EXPECT_EQ(Std(ini.ReadString("N", "w64", "")), "-12345678901");
}

TEST_F(IniFileTest, Booleans)
{
    struct Case
    {
        const char *text;
        bool withFalseDefault;
        bool withTrueDefault;
    };
    const Case cases[] = {
        {"2", true, true},   {"-1", true, true},    {"1", true, true},
        {"0", false, false}, {"true", false, true}, {"", false, true},
    };
    TMemIniFile ini(Path());
    for (const Case &c : cases) {
        ini.WriteString("B", "v", QString::fromLatin1(c.text));
        EXPECT_EQ(ini.ReadBool("B", "v", false), c.withFalseDefault) << c.text;
        EXPECT_EQ(ini.ReadBool("B", "v", true), c.withTrueDefault) << c.text;
    }
    ini.WriteBool("B", "t", true);
    ini.WriteBool("B", "f", false);
    EXPECT_EQ(Std(ini.ReadString("B", "t", "")), "1");
    EXPECT_EQ(Std(ini.ReadString("B", "f", "")), "0");
    ini.UpdateFile();
    EXPECT_TRUE(ReadBoolFromIni(Path(), "b", "T", false));
    EXPECT_FALSE(ReadBoolFromIni(Path(), "B", "f", true));
    EXPECT_TRUE(ReadBoolFromIni(Path("missing.ini"), "B", "t", true));
    EXPECT_EQ(Std(ReadStringFromIni(Path(), "b", "T")), "1");
    EXPECT_EQ(Std(ReadStringFromIni(Path("missing.ini"), "B", "t", "none")), "none");
    EXPECT_EQ(Std(ReadStringFromIni(m_dir.path(), "B", "t", "none")), "none"); // a folder cannot be read
}

TEST_F(IniFileTest, TwentySixByteDocument)
{
    TMemIniFile ini(Path());
    ini.WriteString("A", "x", "1");
    ini.SetEncoding(TIniEncoding::ieUtf16LE);
    ini.UpdateFile();
    const QByteArray expected("\xFF\xFE\x5B\x00\x41\x00\x5D\x00\x0D\x00\x0A\x00\x78\x00\x3D\x00\x31\x00\x0D\x00\x0A\x00"
                              "\x0D\x00\x0A\x00",
                              26);
    EXPECT_EQ(ReadBytes(), expected);
}

TEST_F(IniFileTest, SavingKeepsTheEncodingFound)
{
    struct Case
    {
        QByteArray bytes;
        TIniEncoding encoding;
        QByteArray saved;
    };
    const QByteArray plain("[A]\r\nx=\xC3\xA9\r\n\r\n");
    const Case cases[] = {
        {Utf16LE("[A]\r\nx=1\r\n"), TIniEncoding::ieUtf16LE, Utf16LE("[A]\r\nx=1\r\n\r\n")},
        {QByteArray("\xFE\xFF\0[\0A\0]\0\n\0x\0=\0\x32", 16), TIniEncoding::ieUtf16BE,
         QByteArray("\xFE\xFF\0[\0A\0]\0\r\0\n\0x\0=\0\x32\0\r\0\n\0\r\0\n", 26)},
        {"\xEF\xBB\xBF" + plain, TIniEncoding::ieUtf8, "\xEF\xBB\xBF" + plain},
        {plain, TIniEncoding::ieAnsi, plain},
    };
    for (const Case &c : cases) {
        WriteBytes(c.bytes);
        TMemIniFile ini(Path());
        EXPECT_EQ(ini.Encoding(), c.encoding);
        ini.UpdateFile();
        EXPECT_EQ(ReadBytes().toHex().toStdString(), c.saved.toHex().toStdString());
    }
    // An empty new document is written without a byte order mark, a cleared UTF-16 one as the mark alone.
    TMemIniFile fresh(Path("fresh.ini"));
    fresh.UpdateFile();
    EXPECT_EQ(ReadBytes("fresh.ini"), QByteArray());
    WriteBytes(Utf16LE("[A]\r\nx=1\r\n"));
    TMemIniFile cleared(Path());
    cleared.Clear();
    cleared.UpdateFile();
    EXPECT_EQ(ReadBytes(), QByteArray("\xFF\xFE"));
}

TEST_F(IniFileTest, BytesThatAreNoUtf8ReadAsLatin1)
{
    WriteBytes("[A]\nold=B\xFC"
               "cher\nnew=B\xC3\xBC"
               "cher\ncut=\xC3\n");
    TMemIniFile ini(Path());
    EXPECT_EQ(ini.ReadString("A", "old", ""), QString::fromUtf8("Bücher"));
    EXPECT_EQ(ini.ReadString("A", "new", ""), QString::fromUtf8("Bücher"));
    EXPECT_EQ(ini.ReadString("A", "cut", ""), QString(QChar(0xC3)));
    ini.UpdateFile();
    EXPECT_EQ(ReadBytes(), QByteArray("[A]\r\nold=B\xC3\xBC"
                                      "cher\r\nnew=B\xC3\xBC"
                                      "cher\r\ncut=\xC3\x83\r\n\r\n"));
}

TEST_F(IniFileTest, LineBreaksInValuesCannotSplitTheFile)
{
    TMemIniFile ini(Path());
    ini.WriteString("A", "x", "one\r\ntwo");
    ini.WriteString("A", "y", "[B]");
    ini.UpdateFile();
    TMemIniFile reread(Path());
    EXPECT_EQ(Std(reread.ReadString("A", "x", "")), "one  two");
    EXPECT_EQ(reread.ReadSections(), QStringList({"A"}));
}

TEST_F(IniFileTest, UnicodeIniFileWritesUtf16WithMarker)
{
    {
        auto ini = TUnicodeIniFile::CreateForWrite(Path(), false);
        ini->WriteProgramInfo("Program", "Tessaril");
        ini->WriteProgramInfo("Version", "1.3.0");
        ini->WriteString("Main", "Top", "5");
        ini->Close();
    }
    const QByteArray expected = Utf16LE("[Unicode]\r\nEncoding=UTF-16LE\r\nProgram=Tessaril\r\nVersion=1.3.0\r\n\r\n"
                                        "[Main]\r\nTop=5\r\n\r\n");
    EXPECT_EQ(ReadBytes(), expected);
    EXPECT_TRUE(ReadBytes().endsWith(QByteArray("\r\0\n\0\r\0\n\0", 8)));

    auto reader = TUnicodeIniFile::CreateForRead(Path());
    EXPECT_EQ(reader->ReadInteger("main", "top", 0), 5);
    reader->WriteString("Main", "Top", "6");
    reader.reset();
    EXPECT_EQ(ReadBytes(), expected);
}

TEST_F(IniFileTest, UnicodeIniFileSavesAtDestructionAndAlways)
{
    WriteBytes(Utf16LE("[Unicode]\r\nEncoding=UTF-16LE\r\n\r\n[A]\r\nx = 1\r\n"));
    TUnicodeIniFile::CreateForWrite(Path(), false).reset();
    EXPECT_EQ(ReadBytes(), Utf16LE("[Unicode]\r\nEncoding=UTF-16LE\r\n\r\n[A]\r\nx=1\r\n\r\n"));
}

TEST_F(IniFileTest, CreateForWriteKeepsOrClearsTheMarker)
{
    WriteBytes("[Unicode]\r\nEncoding=UTF-8\r\n[A]\r\nx=1\r\n");
    TUnicodeIniFile::CreateForWrite(Path(), false)->Close();
    EXPECT_EQ(ReadBytes(), Utf16LE("[Unicode]\r\nEncoding=UTF-8\r\n\r\n[A]\r\nx=1\r\n\r\n"));

    {
        auto ini = TUnicodeIniFile::CreateForWrite(Path(), true);
        ini->WriteString("B", "y", "2");
        ini->Close();
    }
    EXPECT_EQ(ReadBytes(), Utf16LE("[Unicode]\r\nEncoding=UTF-16LE\r\n\r\n[B]\r\ny=2\r\n\r\n"));

    // A file without the marker gets it appended after its own sections.
    WriteBytes("[A]\r\nx=1\r\n");
    TUnicodeIniFile::CreateForWrite(Path(), false)->Close();
    EXPECT_EQ(ReadBytes(), Utf16LE("[A]\r\nx=1\r\n\r\n[Unicode]\r\nEncoding=UTF-16LE\r\n\r\n"));
}

TEST_F(IniFileTest, CreateForReadOnAMissingFileLeavesNoFile)
{
    TUnicodeIniFile::CreateForRead(Path())->Close();
    EXPECT_FALSE(QFile::exists(Path()));
    EXPECT_TRUE(FolderEntries().isEmpty());
}

TEST_F(IniFileTest, FailureTexts)
{
    QDir(m_dir.path()).mkdir("folder");
    try {
        TMemIniFile ini(Path("folder"));
        FAIL() << "a folder read as an INI file";
    } catch (const EFOpenError &error) {
        EXPECT_EQ(Std(error.Message()), "Cannot open file \"" + Std(Path("folder")) + "\". Is a directory");
    }

    const QString orphan = Path("missing/settings.ini");
    TMemIniFile ini(orphan);
    ini.WriteString("A", "x", "1");
    try {
        ini.UpdateFile();
        FAIL() << "saved into a missing folder";
    } catch (const EFCreateError &error) {
        EXPECT_EQ(Std(error.Message()), "Cannot create file \"" + Std(orphan) + "\". No such file or directory");
        EXPECT_EQ(error.Code(), std::uint32_t(ENOENT));
    }

    auto writer = TUnicodeIniFile::CreateForWrite(orphan, false);
    try {
        writer->Close();
        FAIL() << "saved into a missing folder";
    } catch (const EWriteError &error) {
        EXPECT_EQ(Std(error.Message()), "Error writing to \"" + Std(orphan) + "\"");
    }
    writer.reset(); // saved once only: the destructor does not raise again

    // Without Close the destructor saves; its failure cannot escape a destructor.
    EXPECT_NO_THROW(TUnicodeIniFile::CreateForWrite(orphan, false).reset());
    EXPECT_FALSE(QFile::exists(orphan));

    // A file that cannot be opened is not written over in write mode either.
    EXPECT_THROW(TUnicodeIniFile::CreateForWrite(Path("folder"), true), EFOpenError);
    EXPECT_TRUE(QFileInfo(Path("folder")).isDir());
}

TEST_F(IniFileTest, AFailedWriteLeavesThePreviousFileIntact)
{
    const QByteArray old = Utf16LE("[Unicode]\r\nEncoding=UTF-16LE\r\n\r\n[A]\r\nx=1\r\n\r\n");
    WriteBytes(old);
    ASSERT_EQ(::chmod(QFile::encodeName(Path()).constData(), 0640), 0);

    size_t allowed = 10;
    SetSaveWriteHook([&allowed](int fd, const void *buffer, size_t count) -> ssize_t {
        if (allowed == 0) {
            errno = ENOSPC;
            return -1;
        }
        const size_t now = std::min(count, allowed);
        allowed -= now;
        return ::write(fd, buffer, now);
    });
    auto ini = TUnicodeIniFile::CreateForWrite(Path(), false);
    ini->WriteString("A", "x", QString(5000, QLatin1Char('y')));
    try {
        ini->Close();
        FAIL() << "a full disk went unnoticed";
    } catch (const EWriteError &error) {
        EXPECT_EQ(Std(error.Message()), "Error writing to \"" + Std(Path()) + "\"");
        EXPECT_EQ(error.Code(), std::uint32_t(ENOSPC));
    }
    EXPECT_EQ(ReadBytes(), old);
    EXPECT_EQ(FolderEntries(), QStringList({"test.ini"})) << "the temporary file was left behind";

    // Once there is room again the new content arrives, with the old permissions.
    SetSaveWriteHook({});
    TMemIniFile retry(Path());
    retry.WriteString("A", "x", "2");
    retry.UpdateFile();
    EXPECT_EQ(TMemIniFile(Path()).ReadInteger("A", "x", 0), 2);
    struct stat info
    {};
    ASSERT_EQ(::stat(QFile::encodeName(Path()).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
}

TEST_F(IniFileTest, ASymbolicLinkStaysALink)
{
    WriteBytes("[A]\nx=1\n", "real.ini");
    ASSERT_TRUE(QFile::link(Path("real.ini"), Path("link.ini")));
    TMemIniFile ini(Path("link.ini"));
    ini.WriteString("A", "x", "2");
    ini.UpdateFile();
    EXPECT_TRUE(QFileInfo(Path("link.ini")).isSymLink());
    EXPECT_EQ(TMemIniFile(Path("real.ini")).ReadInteger("A", "x", 0), 2);
}

TEST_F(IniFileTest, AReadOnlyFileIsNotReplaced)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "runs as root, for whom no file is read-only";
    WriteBytes("[A]\nx=1\n");
    ASSERT_EQ(::chmod(QFile::encodeName(Path()).constData(), 0440), 0);
    TMemIniFile ini(Path());
    ini.WriteString("A", "x", "2");
    EXPECT_THROW(ini.UpdateFile(), EFCreateError);
    EXPECT_EQ(ReadBytes(), QByteArray("[A]\nx=1\n"));
}

TEST_F(IniFileTest, AFullFileSystemLeavesThePreviousFileIntact)
{
    const QString mountPoint = Path("small");
    ASSERT_TRUE(QDir(m_dir.path()).mkdir("small"));
    const QByteArray point = QFile::encodeName(mountPoint);
    if (::mount("tmpfs", point.constData(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "cannot mount a small tmpfs here (" << std::strerror(errno)
                     << "); the write hook test covers this";
    struct Unmount
    {
        QByteArray point;
        ~Unmount() { ::umount2(point.constData(), MNT_DETACH); }
    } unmount{point};

    const QString settings = mountPoint + "/Tessaril.ini";
    {
        TMemIniFile ini(settings);
        ini.WriteString("A", "x", "1");
        ini.UpdateFile();
    }
    const QByteArray old = ReadBytes("small/Tessaril.ini");
    {
        // Fill the file system to the last block.
        QFile filler(mountPoint + "/filler");
        ASSERT_TRUE(filler.open(QIODevice::WriteOnly));
        const QByteArray block(4096, 'f');
        while (filler.write(block) == block.size() && filler.flush()) {
        }
    }
    TMemIniFile ini(settings);
    for (int i = 0; i < 200; ++i)
        ini.WriteString("History", QStringLiteral("History%1").arg(i), QString(100, QLatin1Char('d')));
    EXPECT_THROW(ini.UpdateFile(), EWriteError);
    EXPECT_EQ(ReadBytes("small/Tessaril.ini"), old);
    EXPECT_EQ(QDir(mountPoint).entryList(QDir::Files | QDir::Hidden, QDir::Name),
              QStringList({"Tessaril.ini", "filler"}));
}

TEST_F(IniFileTest, ManyKeysKeepTheirMeaningUnderTheKeyIndex)
{
    // Lookups, writes and deletions interleaved over a large section: the first
    // of equal names wins, case does not matter, a "=" in a name ends it.
    QByteArray text = "[D]\r\n";
    for (int i = 0; i < 40000; ++i)
        text += QStringLiteral("Dir%1=path %1\r\n").arg(i, 2, 10, QLatin1Char('0')).toUtf8();
    text += "dir07=second\r\nStra\xC3\x9F"
            "e=1\r\n";
    WriteBytes(text);
    TMemIniFile ini(Path());
    EXPECT_EQ(ini.ReadString(QStringLiteral("D"), QStringLiteral("Dir39999"), QString()), QStringLiteral("path 39999"));
    EXPECT_EQ(ini.ReadString(QStringLiteral("d"), QStringLiteral("DIR07"), QString()), QStringLiteral("path 07"));
    EXPECT_EQ(ini.ReadString(QStringLiteral("D"), QStringLiteral("STRASSE"), QStringLiteral("none")),
              QStringLiteral("none"));
    EXPECT_EQ(ini.ReadString(QStringLiteral("D"), QStringLiteral("STRA\u00DFE"), QString()), QStringLiteral("1"));

    ini.WriteString(QStringLiteral("D"), QStringLiteral("dir07"), QStringLiteral("new"));
    EXPECT_EQ(ini.ReadSectionValues(QStringLiteral("D")).value(7), QStringLiteral("dir07=new"));
    ini.WriteString(QStringLiteral("D"), QStringLiteral("a=b"), QStringLiteral("c"));
    EXPECT_EQ(ini.ReadString(QStringLiteral("D"), QStringLiteral("a"), QString()), QStringLiteral("b=c"));
    ini.WriteString(QStringLiteral("D"), QStringLiteral("Fresh"), QStringLiteral("f"));
    EXPECT_EQ(ini.ReadString(QStringLiteral("D"), QStringLiteral("FRESH"), QString()), QStringLiteral("f"));
    ini.DeleteKey(QStringLiteral("D"), QStringLiteral("Dir07"));
    EXPECT_EQ(ini.ReadString(QStringLiteral("D"), QStringLiteral("Dir07"), QString()), QStringLiteral("second"));
    EXPECT_EQ(ini.ReadString(QStringLiteral("D"), QStringLiteral("Dir08"), QString()), QStringLiteral("path 08"));
    ini.EraseSectionValues(QStringLiteral("D"));
    EXPECT_EQ(ini.ReadString(QStringLiteral("D"), QStringLiteral("Dir08"), QStringLiteral("gone")),
              QStringLiteral("gone"));
}
