#include "app/ProgramSettings.h"
#include "app/BackupConfig.h"
#include "app/LocaleDates.h"
#include "settings/IniFile.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// Writes a settings file by hand, as UTF-16LE with byte order mark.
void WriteIni(const QString &name, const QString &text)
{
    QFile file(name);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    QByteArray bytes("\xFF\xFE", 2);
    QString crlf = text;
    crlf.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    bytes.append(reinterpret_cast<const char *>(crlf.utf16()), crlf.size() * 2);
    file.write(bytes);
}

struct TSettings
{
    TWindowPlace Place;
    TBackupConfig Config;
    QStringList History;
};

} // namespace

class ProgramSettingsTest : public ::testing::Test
{
protected:
    QTemporaryDir Dir;
    QString IniName = Dir.filePath(QStringLiteral("Tessaril.ini"));

    void Read(TSettings &settings) { ReadProgramSettings(IniName, settings.Place, settings.Config, settings.History); }
};

TEST_F(ProgramSettingsTest, MissingFileGivesTheDefaults)
{
    TSettings settings;
    Read(settings);
    EXPECT_EQ(settings.Config.AktNoComp.size(), 36);
    EXPECT_TRUE(IsNoCompType(settings.Config.AktNoComp, QStringLiteral("JPG")));
    EXPECT_EQ(settings.Config.Overwrite, owOlder);
    EXPECT_EQ(settings.Config.FFilter.Mode(), fmOff);
    EXPECT_EQ(settings.Config.TmPeriod.Mode, tmAll);
    EXPECT_EQ(settings.Config.TmPeriod.Days, 7);
    EXPECT_TRUE(settings.History.isEmpty());
    EXPECT_FALSE(QFile::exists(IniName));
}

TEST_F(ProgramSettingsTest, UnreadableFileGivesTheDefaultsAndItsError)
{
    WriteIni(IniName, QStringLiteral("[Config]\nOverwrite=2\n"));
    // Far beyond what a settings file may hold: the file cannot be read.
    ASSERT_TRUE(QFile::resize(IniName, 65 * 1024 * 1024));
    TSettings settings;
    const QString error = ReadProgramSettings(IniName, settings.Place, settings.Config, settings.History);
    EXPECT_TRUE(error.contains(IniName)) << qPrintable(error);
    EXPECT_EQ(settings.Config.Overwrite, owOlder);
    EXPECT_EQ(settings.Config.AktNoComp.size(), 36);
    EXPECT_TRUE(settings.History.isEmpty());
}

TEST_F(ProgramSettingsTest, StoredValuesAreReadWithTheirRules)
{
    WriteIni(IniName, QStringLiteral("[Config]\nTop=120\nLeft=-30\nOverwrite=7\nCompress=0\nCompressAsZip=1\n"
                                     "NoCompTypes=#\n[TimeSlot]\nTimeMode=9\nDays=3\n"
                                     "[Destination]\nHistory0=/b/one\nHistory2=/b/three\n"));
    TSettings settings;
    Read(settings);
    EXPECT_EQ(settings.Place.Top, 120);
    EXPECT_EQ(settings.Place.Left, -30);
    EXPECT_EQ(settings.Config.Overwrite, owOlder);
    EXPECT_FALSE(settings.Config.Compress);
    EXPECT_FALSE(settings.Config.CompressAsZip); // only together with "Compress"
    EXPECT_TRUE(settings.Config.AktNoComp.isEmpty());
    EXPECT_EQ(settings.Config.TmPeriod.Mode, tmAll);
    EXPECT_EQ(settings.Config.TmPeriod.Days, 3);
    EXPECT_EQ(settings.History, QStringList({QStringLiteral("/b/one"), QStringLiteral("/b/three")}));
}

TEST_F(ProgramSettingsTest, UnreadableDateResetsOnlyTheModeAndKeepsEarlierValues)
{
    WriteIni(IniName, QStringLiteral("[TimeSlot]\nTimeMode=5\nDays=12\nDayTime=%1\nDateFrom=31/31/31x\nDateTo=%2\n")
                          .arg(TimeText(0.75), DateText(46000)));
    TSettings settings;
    const TDateTime dat2 = settings.Config.TmPeriod.Dat2;
    Read(settings);
    EXPECT_EQ(settings.Config.TmPeriod.Mode, tmAll);
    EXPECT_EQ(settings.Config.TmPeriod.Days, 12);
    EXPECT_DOUBLE_EQ(settings.Config.TmPeriod.DayTime, 0.75);
    EXPECT_DOUBLE_EQ(settings.Config.TmPeriod.Dat2, dat2);
}

TEST_F(ProgramSettingsTest, FilterKeysFollowTheLoadingRules)
{
    struct TCase
    {
        QString Stored;
        int Mode;
        QString Filter;
        TFilterMode ExpectedMode;
        QString ExpectedFilter;
    };
    const TCase cases[] = {
        {QStringLiteral("Regular=0\nFilterMode=1\nFilter=*.jpg|*.png"),
         1,
         {},
         fmInclude,
         QStringLiteral("*.jpg|*.png")},
        {QStringLiteral("Regular=0\nFilterMode=2\nFilter=*.*"), 2, {}, fmExclude, QStringLiteral("*.*")},
        {QStringLiteral("Regular=0\nFilterMode=1\nFilter=[ab"), 1, {}, fmOff, QStringLiteral("*")},
        {QStringLiteral("Regular=0\nFilterMode=1\nFilter="), 1, {}, fmOff, QStringLiteral("*")},
        {QStringLiteral("Regular=1\nFilterMode=2\nFilter=(x"), 2, {}, fmExclude, QStringLiteral(".")},
        {QStringLiteral("Regular=1\nFilterMode=1\nFilter=jpg$"), 1, {}, fmInclude, QStringLiteral("jpg$")},
    };
    for (const TCase &c : cases) {
        WriteIni(IniName, QStringLiteral("[FileFilter]\n") + c.Stored + QLatin1Char('\n'));
        TSettings settings;
        Read(settings);
        EXPECT_EQ(settings.Config.FFilter.Mode(), c.ExpectedMode) << qPrintable(c.Stored);
        EXPECT_EQ(settings.Config.FFilter.Filter(), c.ExpectedFilter) << qPrintable(c.Stored);
    }
}

TEST_F(ProgramSettingsTest, WriteKeepsOtherSectionsAndReadsBackTheSameValues)
{
    WriteIni(IniName, QStringLiteral("[Other]\nKeep=yes\n[Destination]\nHistory0=/old\n"));
    TSettings written;
    written.Place = {50, 60, 1200, 840};
    written.Config.Overwrite = owNone;
    written.Config.ArchBit = true;
    written.Config.Compress = true;
    written.Config.CompressAsZip = true;
    written.Config.AktNoComp.clear();
    written.Config.FFilter.SetMode(fmExclude);
    written.Config.FFilter.SetFilter(QStringLiteral("*.tmp"));
    written.Config.TmPeriod.Mode = tmSpan;
    written.Config.TmPeriod.Days = 30;
    written.Config.TmPeriod.DayTime = 0.5;
    written.Config.TmPeriod.Dat1 = 46000;
    written.Config.TmPeriod.Dat2 = 46010;
    written.History = {QStringLiteral("/new"), QStringLiteral("/old")};
    ASSERT_TRUE(WriteProgramSettings(IniName, written.Place, written.Config, written.History).isEmpty());

    const TMemIniFile raw(IniName);
    EXPECT_EQ(raw.ReadString(QStringLiteral("Other"), QStringLiteral("Keep"), QString()), QStringLiteral("yes"));
    EXPECT_EQ(raw.ReadString(QStringLiteral("Config"), QStringLiteral("NoCompTypes"), QString()), QStringLiteral("#"));
    EXPECT_EQ(raw.ReadString(QStringLiteral("Unicode"), QStringLiteral("Program"), QString()),
              QStringLiteral("Tessaril"));
    EXPECT_EQ(
        raw.ReadSection(QStringLiteral("Config")),
        QStringList({QStringLiteral("Top"), QStringLiteral("Left"), QStringLiteral("Width"), QStringLiteral("Height"),
                     QStringLiteral("Overwrite"), QStringLiteral("ArchBit"), QStringLiteral("Compress"),
                     QStringLiteral("CompressAsZip"), QStringLiteral("NoCompTypes")}));
    EXPECT_EQ(raw.ReadSection(QStringLiteral("TimeSlot")),
              QStringList({QStringLiteral("TimeMode"), QStringLiteral("Days"), QStringLiteral("DayTime"),
                           QStringLiteral("DateFrom"), QStringLiteral("DateTo")}));

    TSettings read;
    Read(read);
    EXPECT_EQ(read.Place.Top, 50);
    EXPECT_EQ(read.Place.Left, 60);
    EXPECT_EQ(read.Place.Width, 1200);
    EXPECT_EQ(read.Place.Height, 840);
    EXPECT_EQ(read.Config.Overwrite, owNone);
    EXPECT_TRUE(read.Config.ArchBit);
    EXPECT_TRUE(read.Config.CompressAsZip);
    EXPECT_TRUE(read.Config.AktNoComp.isEmpty());
    EXPECT_EQ(read.Config.FFilter.Mode(), fmExclude);
    EXPECT_EQ(read.Config.FFilter.Filter(), QStringLiteral("*.tmp"));
    EXPECT_EQ(read.Config.TmPeriod.Mode, tmSpan);
    EXPECT_EQ(read.Config.TmPeriod.Days, 30);
    EXPECT_DOUBLE_EQ(read.Config.TmPeriod.DayTime, 0.5);
    EXPECT_DOUBLE_EQ(read.Config.TmPeriod.Dat1, 46000);
    EXPECT_DOUBLE_EQ(read.Config.TmPeriod.Dat2, 46010);
    EXPECT_EQ(read.History, written.History);
}

TEST_F(ProgramSettingsTest, CompressAsZipIsWrittenOnlyWithCompress)
{
    TSettings written;
    written.Config.Compress = false;
    written.Config.CompressAsZip = true;
    ASSERT_TRUE(WriteProgramSettings(IniName, written.Place, written.Config, written.History).isEmpty());
    const TMemIniFile raw(IniName);
    EXPECT_EQ(raw.ReadString(QStringLiteral("Config"), QStringLiteral("CompressAsZip"), QString()),
              QStringLiteral("0"));
}

TEST_F(ProgramSettingsTest, WriteErrorIsReported)
{
    const QString error = WriteProgramSettings(Dir.filePath(QStringLiteral("missing/dir/Tessaril.ini")), TWindowPlace(),
                                               TBackupConfig(), QStringList());
    EXPECT_FALSE(error.isEmpty());
}

TEST(DestinationHistory, KeepsFifteenNewestFirst)
{
    QStringList history;
    for (int i = 0; i < 15; ++i)
        AddDestinationToHistory(history, QStringLiteral("/d%1").arg(i));
    AddDestinationToHistory(history, QStringLiteral("/new"));
    EXPECT_EQ(history.size(), 15);
    EXPECT_EQ(history.first(), QStringLiteral("/new"));
    EXPECT_FALSE(history.contains(QStringLiteral("/d0")));
    AddDestinationToHistory(history, QStringLiteral("/D5"));
    EXPECT_EQ(history.first(), QStringLiteral("/D5"));
    EXPECT_EQ(history.size(), 15);
}

TEST(NoCompTypes, ListRules)
{
    QStringList types = DefaultNoCompTypes();
    ApplyNoCompTypesText(types, QString());
    EXPECT_EQ(types.size(), 36);
    ApplyNoCompTypesText(types, QStringLiteral("txt,JPG,jpg,\"a b\""));
    EXPECT_EQ(types, QStringList({QStringLiteral("a b"), QStringLiteral("JPG"), QStringLiteral("txt")}));
    EXPECT_EQ(NoCompTypesText(types), QStringLiteral("\"a b\",JPG,txt"));
    ApplyNoCompTypesText(types, QStringLiteral("#"));
    EXPECT_TRUE(types.isEmpty());
    EXPECT_EQ(NoCompTypesText(types), QStringLiteral("#"));
    // Files without an extension: the list editor's marker for an empty entry.
    EXPECT_FALSE(IsNoCompType(types, QString()));
    ApplyNoCompTypesText(types, QStringLiteral("<ohne>,zip"));
    EXPECT_TRUE(IsNoCompType(types, QString()));
    EXPECT_FALSE(IsNoCompType(types, QStringLiteral("ohne")));
    EXPECT_TRUE(IsNoCompType(types, QStringLiteral("ZIP")));
}
