#include "cli/CliProcess.h"
#include "support/SimDeviceFolder.h"

#include "settings/IniFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

namespace {

QByteArray ReadAll(const QString &name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class CliTest : public ::testing::Test
{
protected:
    TSimDeviceFolder Devices;
    QTemporaryDir Work;

    void SetUp() override
    {
        Devices.SetDeviceIni(QStringLiteral("Phone"),
                             QStringLiteral("[Device]\nManufacturer=Orrery\nDescription=Test phone\nFirmware=1.2\n"
                                            "PowerSource=0\nPowerLevel=80\nDeviceType=3\n"));
        Devices.AddFile(QStringLiteral("Phone"), QStringLiteral("Internal/DCIM/a.jpg"), "a");
        Devices.AddFile(QStringLiteral("Phone"), QStringLiteral("Internal/Docs/n.txt"), "n");
        Devices.AddFolder(QStringLiteral("Phone"), QStringLiteral("Card/Empty"));
    }
    QString Out(const QString &relative) const { return Work.filePath(relative); }
};

TEST_F(CliTest, HelpVersionAndBadArguments)
{
    const TCliResult help = RunCli({QStringLiteral("--help")});
    EXPECT_EQ(help.Status, 0);
    EXPECT_TRUE(help.Out.contains(QStringLiteral("backup DEVICE --to DEST")));
    const TCliResult version = RunCli({QStringLiteral("--version")});
    EXPECT_EQ(version.Status, 0);
    EXPECT_TRUE(version.Out.startsWith(QStringLiteral("tessaril-cli Version ")));

    struct TCase
    {
        QStringList Args;
        QString Reason;
    };
    const TCase cases[] = {
        {{}, QStringLiteral("no command given")},
        {{QStringLiteral("copy")}, QStringLiteral("unknown command copy")},
        {{QStringLiteral("backup"), QStringLiteral("Phone")}, QStringLiteral("needs a destination")},
        {{QStringLiteral("backup"), QStringLiteral("Phone"), QStringLiteral("--to"), Out(QStringLiteral("o")),
          QStringLiteral("--overwrite"), QStringLiteral("sometimes")},
         QStringLiteral("--overwrite must be one of")},
        {{QStringLiteral("backup"), QStringLiteral("Phone"), QStringLiteral("--to"), Out(QStringLiteral("o")),
          QStringLiteral("--filter"), QStringLiteral("[ab")},
         QStringLiteral("Illegal mask!")},
        {{QStringLiteral("backup"), QStringLiteral("Tablet"), QStringLiteral("--to"), Out(QStringLiteral("o"))},
         QStringLiteral("no device named \"Tablet\"")},
        {{QStringLiteral("backup"), QStringLiteral("Phone"), QStringLiteral("--to"), Out(QStringLiteral("o")),
          QStringLiteral("--dir"), QStringLiteral("Internal/Nowhere")},
         QStringLiteral("no folder Internal/Nowhere")},
        {{QStringLiteral("run"), Out(QStringLiteral("missing.tsj"))}, QStringLiteral("cannot read the task file")},
        {{QStringLiteral("tree")}, QStringLiteral("tree needs exactly one device name")},
    };
    for (const TCase &c : cases) {
        const TCliResult result = RunCli(c.Args);
        EXPECT_EQ(result.Status, 2) << qPrintable(c.Args.join(' '));
        EXPECT_TRUE(result.Err.startsWith(QStringLiteral("tessaril-cli: ")));
        EXPECT_TRUE(result.Err.contains(c.Reason)) << qPrintable(result.Err);
        EXPECT_EQ(result.Err.count(QLatin1Char('\n')), 1) << qPrintable(result.Err);
    }
}

TEST_F(CliTest, DevicesAndTree)
{
    const TCliResult devices = RunCli({QStringLiteral("devices")});
    EXPECT_EQ(devices.Status, 0);
    EXPECT_TRUE(devices.Out.contains(QStringLiteral("1 portable device found")));
    EXPECT_TRUE(devices.Out.contains(QStringLiteral("\nPhone\n")));
    EXPECT_TRUE(devices.Out.contains(QStringLiteral("Orrery")));
    EXPECT_TRUE(devices.Out.contains(QStringLiteral("Battery (80%)")));
    // Which library serves the device, in the style of the other details.
    EXPECT_TRUE(devices.Out.contains(QStringLiteral("\n  Backend:       simulated\n"))) << qPrintable(devices.Out);
    EXPECT_TRUE(devices.Out.contains(QStringLiteral("Phone")));

    const TCliResult tree = RunCli({QStringLiteral("tree"), QStringLiteral("Phone")});
    EXPECT_EQ(tree.Status, 0);
    EXPECT_TRUE(tree.Out.contains(QStringLiteral("  Internal/\n")));
    EXPECT_TRUE(tree.Out.contains(QStringLiteral("    DCIM/\n")));
    EXPECT_TRUE(tree.Out.contains(QStringLiteral("    Empty/\n")));
    EXPECT_FALSE(tree.Out.contains(QStringLiteral("a.jpg")));
    const TCliResult files = RunCli({QStringLiteral("tree"), QStringLiteral("Phone"), QStringLiteral("--files")});
    EXPECT_TRUE(files.Out.contains(QStringLiteral("      a.jpg  (1 bytes, ")));
    Devices.AddFile(QStringLiteral("Phone"), QStringLiteral("Internal/Docs/100%1.txt"), "pct");
    const TCliResult percent = RunCli({QStringLiteral("tree"), QStringLiteral("Phone"), QStringLiteral("--files")});
    EXPECT_TRUE(percent.Out.contains(QStringLiteral("      100%1.txt  (3 bytes, "))) << qPrintable(percent.Out);
}

TEST_F(CliTest, BackupWritesTheLogAndTheCopiesAndSavesATaskThatRunsAgain)
{
    const QString task = Out(QStringLiteral("phone.tsj"));
    const TCliResult backup =
        RunCli({QStringLiteral("backup"),          QStringLiteral("Phone"),          QStringLiteral("--to"),
                Out(QStringLiteral("b/%device%")), QStringLiteral("--dir"),          QStringLiteral("Internal/DCIM"),
                QStringLiteral("--dir"),           QStringLiteral("Internal\\Docs"), QStringLiteral("--compress"),
                QStringLiteral("--archive"),       QStringLiteral("--filter"),       QStringLiteral("*.jpg|*.txt"),
                QStringLiteral("--time"),          QStringLiteral("since"),          QStringLiteral("--from"),
                QStringLiteral("2026-01-01"),      QStringLiteral("--save-task"),    task,
                QStringLiteral("--log"),           Out(QStringLiteral("backup.log"))});
    EXPECT_EQ(backup.Status, 0) << qPrintable(backup.Err);
    EXPECT_EQ(ReadAll(Out(QStringLiteral("b/Phone/Internal/DCIM/a.jpg"))), QByteArray("a"));
    EXPECT_TRUE(QFile::exists(Out(QStringLiteral("b/Phone/Internal/Docs/n.txt.gz"))));
    EXPECT_TRUE(backup.Out.contains(QStringLiteral("    + Copied: a.jpg\n")));
    // Piped output holds the counter line once, with its final count.
    EXPECT_EQ(backup.Out.count(QStringLiteral("objects found")), 1) << qPrintable(backup.Out);
    EXPECT_TRUE(backup.Out.contains(QStringLiteral("    8 objects found\n"))) << qPrintable(backup.Out);
    EXPECT_TRUE(ReadAll(Out(QStringLiteral("backup.log"))).startsWith("\xEF\xBB\xBF"));

    const TMemIniFile ini(task);
    EXPECT_EQ(ini.ReadString(QStringLiteral("Config"), QStringLiteral("DeviceName"), QString()),
              QStringLiteral("Phone"));
    EXPECT_EQ(ini.ReadString(QStringLiteral("Config"), QStringLiteral("Destination"), QString()),
              Out(QStringLiteral("b/%device%")));
    EXPECT_EQ(ini.ReadString(QStringLiteral("Config"), QStringLiteral("Compress"), QString()), QStringLiteral("1"));
    EXPECT_EQ(ini.ReadString(QStringLiteral("Config"), QStringLiteral("ArchBit"), QString()), QStringLiteral("1"));
    EXPECT_EQ(ini.ReadString(QStringLiteral("FileFilter"), QStringLiteral("Filter"), QString()),
              QStringLiteral("*.jpg|*.txt"));
    EXPECT_EQ(ini.ReadString(QStringLiteral("FileFilter"), QStringLiteral("FilterMode"), QString()),
              QStringLiteral("1"));
    EXPECT_EQ(ini.ReadString(QStringLiteral("TimeSlot"), QStringLiteral("TimeMode"), QString()), QStringLiteral("1"));
    EXPECT_EQ(ini.ReadString(QStringLiteral("Directories"), QStringLiteral("Dir00"), QString()),
              QStringLiteral("Internal\\DCIM"));
    EXPECT_EQ(ini.ReadString(QStringLiteral("Directories"), QStringLiteral("Dir01"), QString()),
              QStringLiteral("Internal\\Docs"));
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("Config"), QStringLiteral("DirCount"), 0), 2);

    const TCliResult again = RunCli({QStringLiteral("run"), task});
    EXPECT_EQ(again.Status, 0) << qPrintable(again.Err);
    EXPECT_TRUE(again.Out.contains(QStringLiteral("    - Skipped: a.jpg\n"))) << qPrintable(again.Out);
    EXPECT_TRUE(again.Out.contains(QStringLiteral("    - Skipped: n.txt\n")));
    EXPECT_TRUE(again.Out.contains(QStringLiteral("\n=========================\n==> Start: ")));
    EXPECT_TRUE(again.Out.contains(QStringLiteral(" - Backup task: phone.tsj\n")));
    EXPECT_TRUE(again.Out.contains(QStringLiteral("==> Backup finished: ")));
}

// "backup --to" takes a relative destination below the working folder and
// says where it wrote; a task whose destination is relative does not run.
TEST_F(CliTest, RelativeDestinationIsTheWorkingFoldersForBackupAndRefusedForATask)
{
    const TCliResult backup =
        RunCli({QStringLiteral("backup"), QStringLiteral("Phone"), QStringLiteral("--to"),
                QStringLiteral("rel/%device%"), QStringLiteral("--save-task"), Out(QStringLiteral("rel.tsj"))},
               Work.path());
    EXPECT_EQ(backup.Status, 0) << qPrintable(backup.Err);
    EXPECT_EQ(ReadAll(Out(QStringLiteral("rel/Phone/Internal/DCIM/a.jpg"))), QByteArray("a"));
    EXPECT_TRUE(backup.Err.contains(QStringLiteral("written to ") + Out(QStringLiteral("rel/Phone"))))
        << qPrintable(backup.Err);

    TMemIniFile ini(Out(QStringLiteral("rel.tsj")));
    EXPECT_EQ(ini.ReadString(QStringLiteral("Config"), QStringLiteral("Destination"), QString()),
              Out(QStringLiteral("rel/%device%")));
    ini.WriteString(QStringLiteral("Config"), QStringLiteral("Destination"), QStringLiteral("elsewhere"));
    ini.UpdateFile();
    const TCliResult run = RunCli({QStringLiteral("run"), Out(QStringLiteral("rel.tsj"))}, Work.path());
    EXPECT_EQ(run.Status, 1);
    EXPECT_TRUE(run.Err.contains(QStringLiteral("\"elsewhere\" is not a full path"))) << qPrintable(run.Err);
    EXPECT_TRUE(run.Out.contains(QStringLiteral("\"elsewhere\" is not a full path"))) << qPrintable(run.Out);
    EXPECT_FALSE(QFileInfo::exists(Out(QStringLiteral("elsewhere"))));
}

TEST_F(CliTest, FailedFileGivesStatusOneAndMissingDeviceTwo)
{
    Devices.SetDeviceIni(QStringLiteral("Phone"), QStringLiteral("[Faults]\nStreamFail=Internal/DCIM/a.jpg\n"));
    const TCliResult failed =
        RunCli({QStringLiteral("backup"), QStringLiteral("Phone"), QStringLiteral("--to"), Out(QStringLiteral("f"))});
    EXPECT_EQ(failed.Status, 1);
    EXPECT_TRUE(failed.Out.contains(QStringLiteral("  *** The device could not provide the file: ")));
    EXPECT_TRUE(QFile::exists(Out(QStringLiteral("f/Internal/Docs/n.txt"))));
    EXPECT_TRUE(QFileInfo(Out(QStringLiteral("f/Card/Empty"))).isDir());

    const QString task = Out(QStringLiteral("tablet.tsj"));
    TMemIniFile ini(task);
    ini.WriteString(QStringLiteral("Config"), QStringLiteral("DeviceName"), QStringLiteral("Tablet"));
    ini.UpdateFile();
    const TCliResult missing = RunCli({QStringLiteral("run"), task});
    EXPECT_EQ(missing.Status, 2);
    EXPECT_EQ(missing.Err,
              QStringLiteral("tessaril-cli: Portable device \"Tablet\" is not ready! Please connect it to the "
                             "computer and activate the device!\n"));
}

TEST_F(CliTest, TaskWhoseSavedFolderIsGoneGivesStatusOne)
{
    const QString task = Out(QStringLiteral("gone.tsj"));
    const TCliResult saved =
        RunCli({QStringLiteral("backup"), QStringLiteral("Phone"), QStringLiteral("--to"), Out(QStringLiteral("g")),
                QStringLiteral("--dir"), QStringLiteral("Internal/DCIM"), QStringLiteral("--dir"),
                QStringLiteral("Internal/Docs"), QStringLiteral("--save-task"), task});
    ASSERT_EQ(saved.Status, 0) << qPrintable(saved.Err);
    ASSERT_TRUE(QDir(Devices.DevicePath(QStringLiteral("Phone"), QStringLiteral("Internal/Docs"))).removeRecursively());

    const TCliResult run = RunCli({QStringLiteral("run"), task});
    EXPECT_EQ(run.Status, 1);
    EXPECT_TRUE(run.Out.contains(QStringLiteral("    Saved directory not found on the device: Internal\\Docs\n")))
        << qPrintable(run.Out);
    EXPECT_TRUE(run.Err.contains(QStringLiteral("1 saved folders not found on the device"))) << qPrintable(run.Err);
    EXPECT_TRUE(run.Out.contains(QStringLiteral("    - Skipped: a.jpg\n")));
}

TEST_F(CliTest, SavedTaskHoldsEveryOption)
{
    const QString task = Out(QStringLiteral("all.tsj"));
    const TCliResult backup = RunCli({QStringLiteral("backup"),
                                      QStringLiteral("phone"),
                                      QStringLiteral("--to"),
                                      Out(QStringLiteral("all")),
                                      QStringLiteral("--overwrite"),
                                      QStringLiteral("none"),
                                      QStringLiteral("--archive"),
                                      QStringLiteral("--zip"),
                                      QStringLiteral("--no-comp-types"),
                                      QStringLiteral("png,JPG"),
                                      QStringLiteral("--regex"),
                                      QStringLiteral("--exclude"),
                                      QStringLiteral("--filter"),
                                      QStringLiteral("\\.tmp$"),
                                      QStringLiteral("--time"),
                                      QStringLiteral("period"),
                                      QStringLiteral("--from"),
                                      QStringLiteral("2026-02-01"),
                                      QStringLiteral("--until"),
                                      QStringLiteral("2026-02-28"),
                                      QStringLiteral("--day-time"),
                                      QStringLiteral("07:30"),
                                      QStringLiteral("--days"),
                                      QStringLiteral("21"),
                                      QStringLiteral("--save-task"),
                                      task});
    EXPECT_EQ(backup.Status, 0) << qPrintable(backup.Err);

    const TMemIniFile ini(task);
    const auto key = [&ini](const char *section, const char *name) {
        return ini.ReadString(QString::fromLatin1(section), QString::fromLatin1(name), QStringLiteral("<missing>"));
    };
    EXPECT_EQ(key("Unicode", "Encoding"), QStringLiteral("UTF-16LE"));
    EXPECT_EQ(key("Unicode", "Program"), QStringLiteral("Tessaril"));
    EXPECT_EQ(key("Config", "DeviceName"), QStringLiteral("Phone"));
    EXPECT_EQ(key("Config", "Destination"), Out(QStringLiteral("all")));
    EXPECT_EQ(key("Config", "Overwrite"), QStringLiteral("2"));
    EXPECT_EQ(key("Config", "ArchBit"), QStringLiteral("1"));
    EXPECT_EQ(key("Config", "Compress"), QStringLiteral("1"));
    EXPECT_EQ(key("Config", "CompressAsZip"), QStringLiteral("1"));
    EXPECT_EQ(key("Config", "NoCompTypes"), QStringLiteral("JPG,png"));
    EXPECT_EQ(key("FileFilter", "Regular"), QStringLiteral("1"));
    EXPECT_EQ(key("FileFilter", "FilterMode"), QStringLiteral("2"));
    EXPECT_EQ(key("FileFilter", "Filter"), QStringLiteral("\\.tmp$"));
    EXPECT_EQ(key("TimeSlot", "TimeMode"), QStringLiteral("3"));
    EXPECT_EQ(key("TimeSlot", "Days"), QStringLiteral("21"));
    EXPECT_EQ(key("TimeSlot", "DayTime"), QStringLiteral("07:30:00"));
    EXPECT_EQ(key("TimeSlot", "DateFrom"), QStringLiteral("1 Feb 2026"));
    EXPECT_EQ(key("TimeSlot", "DateTo"), QStringLiteral("28 Feb 2026"));
    // The whole device: its storages are the saved folders.
    QStringList dirs = {key("Directories", "Dir00"), key("Directories", "Dir01")};
    dirs.sort();
    EXPECT_EQ(dirs, QStringList({QStringLiteral("Card"), QStringLiteral("Internal")}));
    EXPECT_EQ(key("Config", "DirCount"), QStringLiteral("2"));
}
