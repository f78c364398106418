#include "app/Locations.h"
#include "env/Family.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

void WriteFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
}

// A user and a program installation inside a temporary folder.
class LocationsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(FRoot.isValid());
        const QString root = FRoot.path();
        FEnv = TSystemEnvironment::FromSystem();
        FEnv.ProgramFile = root + QStringLiteral("/opt/tessaril/tessaril");
        FEnv.HomeDir = root + QStringLiteral("/home");
        FEnv.ConfigHome = root + QStringLiteral("/home/.config");
        FEnv.DataHome = root + QStringLiteral("/home/.local/share");
        FEnv.DocumentsDir = root + QStringLiteral("/home/Documents");
        FEnv.CurrentDir = root + QStringLiteral("/cur");
        FEnv.MachineConfigDir = root + QStringLiteral("/etc/xdg");
        FEnv.IsOnUsbDrive = [](const QString &) { return false; };
        QDir().mkpath(FEnv.CurrentDir);
    }

    QString Root() const { return FRoot.path(); }
    void SetUserIniPath(const QByteArray &value)
    {
        WriteFile(FEnv.ConfigHome + QStringLiteral("/Quenbry6.reg"), "[Software\\Quenbry6]\nIniPath=" + value + "\n");
    }

    QTemporaryDir FRoot;
    TSystemEnvironment FEnv;
};

} // namespace

TEST_F(LocationsTest, Defaults)
{
    const TLocations places = DetermineLocations(FEnv, {});
    const QString family = FEnv.ConfigHome + QStringLiteral("/Quenbry6/");
    EXPECT_EQ(places.PrgPath, Root() + QStringLiteral("/opt/tessaril/"));
    EXPECT_EQ(places.PrgName, QStringLiteral("Tessaril"));
    EXPECT_EQ(places.FamilyCfg, family + QStringLiteral("Quenbry.cfg"));
    EXPECT_EQ(places.AppPath, family);
    EXPECT_EQ(places.UserPath, FEnv.DocumentsDir + QLatin1Char('/'));
    EXPECT_EQ(places.ConfigDir, family);
    EXPECT_TRUE(QFileInfo(family).isDir()) << "ConfigDir is created";
    EXPECT_EQ(places.FamilyIni, family + QStringLiteral("Quenbry.ini"));
    EXPECT_EQ(places.JobDir, FEnv.DocumentsDir + QStringLiteral("/Quenbry/"));
    EXPECT_EQ(places.IniName, family + QStringLiteral("Tessaril.ini"));
    EXPECT_EQ(DetermineIniName(family, QStringLiteral("my.app")), family + QStringLiteral("my.app"));
}

TEST_F(LocationsTest, UnknownFolders)
{
    FEnv.ConfigHome.clear();
    FEnv.DocumentsDir.clear();
    EXPECT_EQ(DetermineAppPath(FEnv), ProgramFolder(FEnv));
    EXPECT_TRUE(DetermineUserPath(FEnv).isEmpty());
    EXPECT_EQ(DetermineJobDir(FEnv, QString(), QStringLiteral("/none/Quenbry.ini")),
              FEnv.CurrentDir + QStringLiteral("/Quenbry/"));
}

TEST_F(LocationsTest, RegistryIniPath)
{
    const QString shared = Root() + QStringLiteral("/shared/q");
    SetUserIniPath(shared.toUtf8());
    TLocations places = DetermineLocations(FEnv, {});
    EXPECT_EQ(places.FamilyCfg, shared + QStringLiteral("/Quenbry.cfg"));
    EXPECT_EQ(places.ConfigDir, shared + QLatin1Char('/'));
    EXPECT_TRUE(QFileInfo(shared).isDir());
    EXPECT_EQ(places.AppPath, FEnv.ConfigHome + QStringLiteral("/Quenbry6/"));

    // A relative folder lies below the roaming application data, for both.
    SetUserIniPath("Other");
    places = DetermineLocations(FEnv, {});
    EXPECT_EQ(places.FamilyCfg, FEnv.ConfigHome + QStringLiteral("/Other/Quenbry.cfg"));
    EXPECT_EQ(places.ConfigDir, FEnv.ConfigHome + QStringLiteral("/Other/"));

    // An empty value counts as missing.
    SetUserIniPath("");
    EXPECT_EQ(DetermineFamilyCfg(FEnv, {}), FEnv.ConfigHome + QStringLiteral("/Quenbry6/Quenbry.cfg"));
}

TEST_F(LocationsTest, ConfigDirOnUsbAndOnFailure)
{
    SetUserIniPath((Root() + QStringLiteral("/shared")).toUtf8());
    FEnv.IsOnUsbDrive = [&](const QString &path) { return path == ProgramFolder(FEnv); };
    EXPECT_EQ(DetermineConfigDir(FEnv, DetermineAppPath(FEnv)), ProgramFolder(FEnv));

    FEnv.IsOnUsbDrive = [](const QString &) { return false; };
    FEnv.MakeFolders = [](const QString &) { return false; };
    EXPECT_EQ(DetermineConfigDir(FEnv, DetermineAppPath(FEnv)), DetermineAppPath(FEnv));
}

TEST_F(LocationsTest, FamilyCfgFromOptions)
{
    const QString prg = ProgramFolder(FEnv);
    const QString defaultFolder = FEnv.ConfigHome + QStringLiteral("/Quenbry6/");
    FEnv.Variables.insert(QStringLiteral("CFGROOT"), QStringLiteral("/srv/cfg"));
    const struct
    {
        QStringList args;
        QString familyCfg;
    } cases[] = {
        {{}, defaultFolder + QStringLiteral("Quenbry.cfg")},
        {{QStringLiteral("/portable")}, prg + QStringLiteral("Quenbry.cfg")},
        {{QStringLiteral("/")}, prg + QStringLiteral("Quenbry.cfg")},
        {{QStringLiteral("/ini:/etc/q/my.ini")}, QStringLiteral("/etc/q/Quenbry.cfg")},
        {{QStringLiteral("/ini:/etc/q/my.ini"), QStringLiteral("/portable")}, QStringLiteral("/etc/q/my.cfg")},
        {{QStringLiteral("/portable"), QStringLiteral("/ini:/etc/q/my.ini")}, QStringLiteral("/etc/q/my.cfg")},
        {{QStringLiteral("/ini:my.ini"), QStringLiteral("/p")}, prg + QStringLiteral("my.cfg")},
        {{QStringLiteral("/ini:sub/my"), QStringLiteral("/p")}, prg + QStringLiteral("sub/my.cfg")},
        {{QStringLiteral("/ini:my.ini")}, defaultFolder + QStringLiteral("Quenbry.cfg")},
        {{QStringLiteral("/ini:sub/../s2/my.ini")}, FEnv.CurrentDir + QStringLiteral("/s2/Quenbry.cfg")},
        {{QStringLiteral("/ini:/x/y/")}, QStringLiteral("/x/y/Quenbry.cfg")},
        {{QStringLiteral("/ini:/a/"), QStringLiteral("/ini:/b/")}, QStringLiteral("/b/Quenbry.cfg")},
        {{QStringLiteral("/ini:%CFGROOT%/")}, QStringLiteral("/srv/cfg/Quenbry.cfg")},
        {{QStringLiteral("/ini:~/c/")}, FEnv.HomeDir + QStringLiteral("/c/Quenbry.cfg")},
    };
    for (const auto &c : cases) {
        const TStartOptions options = ParseStartOptions(c.args, FEnv.Variables);
        EXPECT_EQ(DetermineFamilyCfg(FEnv, options), c.familyCfg) << c.args.join(QLatin1Char(' ')).toStdString();
    }
}

TEST_F(LocationsTest, JobDirFromFamilyIni)
{
    const QString configDir = Root() + QStringLiteral("/cfg/");
    const QString familyIni = DetermineFamilyIni(configDir);
    const QString userPath = FEnv.DocumentsDir + QLatin1Char('/');
    const QString tasks = Root() + QStringLiteral("/tasks");
    QDir().mkpath(tasks);
    QDir().mkpath(FEnv.CurrentDir + QStringLiteral("/rel"));

    EXPECT_EQ(DetermineJobDir(FEnv, userPath, familyIni), userPath + QStringLiteral("Quenbry/"));
    WriteFile(familyIni, "[Config]\nJobDir=" + tasks.toUtf8() + "\n");
    EXPECT_EQ(DetermineJobDir(FEnv, userPath, familyIni), tasks + QLatin1Char('/'));
    WriteFile(familyIni, "[Config]\nJobDir=" + tasks.toUtf8() + "/missing\n");
    EXPECT_EQ(DetermineJobDir(FEnv, userPath, familyIni), userPath + QStringLiteral("Quenbry/"));
    WriteFile(familyIni, "[Config]\nJobDir=rel\n");
    EXPECT_EQ(DetermineJobDir(FEnv, userPath, familyIni), FEnv.CurrentDir + QStringLiteral("/rel/"));
}

TEST_F(LocationsTest, FamilyConfigurationKeys)
{
    const QString cfg = Root() + QStringLiteral("/Quenbry.cfg");
    EXPECT_TRUE(ReadFamilyLangId(cfg).isEmpty());
    EXPECT_FALSE(ReadFamilyDarkMode(cfg));
    WriteFile(cfg, "[Language]\nLangID=de\n[Config]\nDarkMode=1\n");
    EXPECT_EQ(ReadFamilyLangId(cfg), QStringLiteral("de"));
    EXPECT_TRUE(ReadFamilyDarkMode(cfg));
}

TEST_F(LocationsTest, FamilyProgramPath)
{
    const QString inCurrent = FEnv.CurrentDir + QStringLiteral("/quenbry");
    const QString besideUs = ProgramFolder(FEnv) + QStringLiteral("quenbry");
    const QString registered = Root() + QStringLiteral("/usr/bin/quenbry");
    WriteFile(MachineRegistryFile(FEnv), "[Software\\Quenbry6]\nProgram=" + registered.toUtf8() + "\n");

    EXPECT_TRUE(FamilyProgramPath(FEnv).isEmpty()) << "a registered file that is missing counts for nothing";
    WriteFile(registered, "x");
    EXPECT_EQ(FamilyProgramPath(FEnv), registered);
    WriteFile(besideUs, "x");
    EXPECT_EQ(FamilyProgramPath(FEnv), besideUs);
    WriteFile(inCurrent, "x");
    EXPECT_EQ(FamilyProgramPath(FEnv), inCurrent);
}

TEST_F(LocationsTest, HelpFileName)
{
    const QString prg = ProgramFolder(FEnv);
    const auto exists = [](const QString &path) { return QFileInfo(path).isFile(); };
    EXPECT_EQ(HelpFileName(prg, QStringLiteral("qye-hilfe.html"), exists), prg + QStringLiteral("qye-help.html"));
    WriteFile(prg + QStringLiteral("qye-hilfe.html"), "x");
    EXPECT_EQ(HelpFileName(prg, QStringLiteral("qye-hilfe.html"), exists), prg + QStringLiteral("qye-hilfe.html"));
    EXPECT_EQ(HelpFileName(prg), prg + QStringLiteral("qye-help.html"));
}

TEST_F(LocationsTest, UsbDetectionThroughSysfs)
{
    const QString sys = Root() + QStringLiteral("/sys");
    const QString usbDisk = sys + QStringLiteral("/devices/pci0000:00/0000:00:14.0/usb2/2-1/2-1:1.0/host6/target6:0:0/"
                                                 "6:0:0:0/block/sdb/sdb1");
    const QString sataDisk = sys + QStringLiteral("/devices/pci0000:00/0000:00:17.0/ata1/host0/target0:0:0/0:0:0:0/"
                                                  "block/sda/sda1");
    QDir().mkpath(usbDisk);
    QDir().mkpath(sataDisk);
    QDir().mkpath(sys + QStringLiteral("/dev/block"));
    ASSERT_TRUE(QFile::link(usbDisk, sys + QStringLiteral("/dev/block/8:17")));
    ASSERT_TRUE(QFile::link(sataDisk, sys + QStringLiteral("/dev/block/8:1")));

    EXPECT_TRUE(IsBlockDeviceOnUsb(8, 17, sys));
    EXPECT_FALSE(IsBlockDeviceOnUsb(8, 1, sys));
    EXPECT_FALSE(IsBlockDeviceOnUsb(9, 9, sys));
    EXPECT_FALSE(IsPathOnUsbDrive(Root() + QStringLiteral("/does/not/exist")));
    EXPECT_FALSE(IsPathOnUsbDrive(QString()));
}

TEST_F(LocationsTest, ProgramStart)
{
    WriteFile(FEnv.ConfigHome + QStringLiteral("/Quenbry6/Quenbry.cfg"), "[Language]\nLangID=it\n");
    TProgramStart start = DetermineProgramStart(
        FEnv, {QStringLiteral("daily"), QStringLiteral("-f"), QStringLiteral("/close")}, QLocale(QLocale::French));
    EXPECT_EQ(start.Language.Code, QStringLiteral("it"));
    EXPECT_FALSE(start.Language.Given);
    EXPECT_TRUE(start.RunOptions.ForceTask);
    EXPECT_TRUE(start.RunOptions.CloseProg);
    EXPECT_EQ(start.TaskName, FEnv.DocumentsDir + QStringLiteral("/Quenbry/daily.tsj"));

    start = DetermineProgramStart(FEnv, {QStringLiteral("/lang:de"), QStringLiteral("/portable")},
                                  QLocale(QLocale::French));
    EXPECT_EQ(start.Language.Code, QStringLiteral("de"));
    EXPECT_TRUE(start.Language.Given);
    EXPECT_EQ(start.Locations.FamilyCfg, ProgramFolder(FEnv) + QStringLiteral("Quenbry.cfg"));
    EXPECT_TRUE(start.TaskName.isEmpty());

    // Without the family's language the system's counts.
    start = DetermineProgramStart(FEnv, {QStringLiteral("/portable")}, QLocale(QLocale::French));
    EXPECT_EQ(start.Language.Code, QStringLiteral("fr"));
}
