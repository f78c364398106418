// The command line says what happened and exits accordingly when a task file,
// a device or a filter cannot give a useful run.

#include "cli/CliProcess.h"
#include "support/SimDeviceFolder.h"

#include "settings/IniFile.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

void WriteBytes(const QString &name, const QByteArray &bytes)
{
    QFile file(name);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray Utf16LE(const QString &text)
{
    return QByteArray(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
}

} // namespace

class CliRefusalTest : public ::testing::Test
{
protected:
    TSimDeviceFolder Devices;
    QTemporaryDir Work;

    void SetUp() override
    {
        Devices.SetDeviceIni(QStringLiteral("Phone"), QStringLiteral("[Device]\nManufacturer=Orrery\n"));
        Devices.AddFile(QStringLiteral("Phone"), QStringLiteral("Internal/DCIM/a.jpg"), "a");
    }
    QString Out(const QString &relative) const { return Work.filePath(relative); }

    // A task for Phone into Out("dest") with the given lines after [Config]'s device keys.
    QString Task(const QString &name, const QString &configLines, const QString &rest)
    {
        const QString text = QStringLiteral("[Config]\r\nDeviceName=Phone\r\nDestination=") +
                             Out(QStringLiteral("dest")) + QStringLiteral("\r\n") + configLines + rest;
        const QString file = Out(name);
        WriteBytes(file, QByteArray("\xFF\xFE") + Utf16LE(text));
        return file;
    }
};

TEST_F(CliRefusalTest, TaskThatSelectsNoFolderOrIsNotValidExitsTwoWithTheReason)
{
    const QString dirs = QStringLiteral("[Directories]\r\nDir00=Internal\\DCIM\r\n");
    struct TCase
    {
        QString File;
        QString Reason;
    };
    QByteArray cutByNul =
        QByteArray("\xFF\xFE") + Utf16LE(QStringLiteral("[Config]\r\nDeviceName=Phone\r\nDirCount=1\r\n"));
    cutByNul += QByteArray(2, '\0') + Utf16LE(QStringLiteral("[Directories]\r\nDir00=Internal\\DCIM\r\n"));
    WriteBytes(Out(QStringLiteral("nul.tsj")), cutByNul);
    WriteBytes(Out(QStringLiteral("empty.tsj")), QByteArray());
    WriteBytes(Out(QStringLiteral("garbage.tsj")), QByteArray("\x01\x02\xFF garbage \x7F\n==\n[", 16));
    WriteBytes(Out(QStringLiteral("nobom.tsj")), Utf16LE(QStringLiteral("[Config]\r\nDeviceName=Phone\r\n") + dirs));
    QByteArray truncated =
        QByteArray("\xFF\xFE") + Utf16LE(QStringLiteral("[Config]\r\nDeviceName=Phone\r\nDirCount=1\r\n[Direc"));

    WriteBytes(Out(QStringLiteral("truncated.tsj")), truncated);
    const QString noFolder = QStringLiteral("The task file selects no folder");
    const QString notValid = QStringLiteral("is not valid");
    const TCase cases[] = {
        {Task(QStringLiteral("nodirs.tsj"), QStringLiteral("DirCount=1\r\n"), QString()), noFolder},
        {Task(QStringLiteral("emptydir.tsj"), QStringLiteral("DirCount=1\r\n"),
              QStringLiteral("[Directories]\r\nDir00=\r\n")),
         noFolder},
        {Task(QStringLiteral("negative.tsj"), QStringLiteral("DirCount=-3\r\n"), dirs), noFolder},
        {Out(QStringLiteral("nul.tsj")), noFolder},
        {Out(QStringLiteral("truncated.tsj")), noFolder},
        {Out(QStringLiteral("empty.tsj")), notValid},
        {Out(QStringLiteral("garbage.tsj")), notValid},
        {Out(QStringLiteral("nobom.tsj")), notValid},
    };
    for (const TCase &test : cases) {
        const TCliResult run = RunCli({QStringLiteral("run"), test.File});
        EXPECT_EQ(run.Status, 2) << qPrintable(test.File) << qPrintable(run.Err);
        EXPECT_TRUE(run.Err.contains(test.Reason)) << qPrintable(test.File) << qPrintable(run.Err);
        EXPECT_FALSE(run.Err.contains(QStringLiteral("Portable device \"\""))) << qPrintable(run.Err);
        EXPECT_FALSE(QFile::exists(Out(QStringLiteral("dest/Internal/DCIM/a.jpg")))) << qPrintable(test.File);
    }
}

TEST_F(CliRefusalTest, HugeDirCountRunsTheFoldersThatExist)
{
    const QString task = Task(QStringLiteral("huge.tsj"), QStringLiteral("DirCount=2000000000\r\n"),
                              QStringLiteral("[Directories]\r\nDir00=Internal\\DCIM\r\n"));
    const TCliResult run = RunCli({QStringLiteral("run"), task});
    EXPECT_EQ(run.Status, 0) << qPrintable(run.Err);
    EXPECT_TRUE(QFile::exists(Out(QStringLiteral("dest/Internal/DCIM/a.jpg"))));
}

TEST_F(CliRefusalTest, FilterThatExcludesEverythingIsRefusedAndABadExpressionNamed)
{
    const TCliResult bare = RunCli({QStringLiteral("backup"), QStringLiteral("Phone"), QStringLiteral("--to"),
                                    Out(QStringLiteral("x")), QStringLiteral("--exclude")});
    EXPECT_EQ(bare.Status, 2);
    EXPECT_TRUE(bare.Err.contains(QStringLiteral("excludes every file"))) << qPrintable(bare.Err);
    EXPECT_FALSE(QFile::exists(Out(QStringLiteral("x/Internal"))));

    // A stored expression that does not compile falls back to "." and would exclude all.
    const QString task = Task(QStringLiteral("regex.tsj"), QStringLiteral("DirCount=1\r\n"),
                              QStringLiteral("[FileFilter]\r\nRegular=1\r\nFilterMode=2\r\nFilter=(\r\n"
                                             "[Directories]\r\nDir00=Internal\\DCIM\r\n"));
    const TCliResult run = RunCli({QStringLiteral("run"), task});
    EXPECT_EQ(run.Status, 2);
    EXPECT_TRUE(run.Out.contains(QStringLiteral("Illegal regular expression!"))) << qPrintable(run.Out);
    EXPECT_TRUE(run.Err.contains(QStringLiteral("excludes every file"))) << qPrintable(run.Err);

    // An exclude filter that lets some names through runs.
    const TCliResult some =
        RunCli({QStringLiteral("backup"), QStringLiteral("Phone"), QStringLiteral("--to"), Out(QStringLiteral("y")),
                QStringLiteral("--exclude"), QStringLiteral("--filter"), QStringLiteral("*.txt")});
    EXPECT_EQ(some.Status, 0) << qPrintable(some.Err);
    EXPECT_TRUE(QFile::exists(Out(QStringLiteral("y/Internal/DCIM/a.jpg"))));
}

TEST_F(CliRefusalTest, DeviceWithoutStorageSaysSoAndExitsOne)
{
    Devices.SetDeviceIni(QStringLiteral("Locked"), QStringLiteral("[Device]\nManufacturer=Orrery\n"));
    const TCliResult backup =
        RunCli({QStringLiteral("backup"), QStringLiteral("Locked"), QStringLiteral("--to"), Out(QStringLiteral("l"))});
    EXPECT_EQ(backup.Status, 1);
    EXPECT_TRUE(backup.Err.contains(QStringLiteral("The device shows no storage; is it unlocked?")))
        << qPrintable(backup.Err);

    const QString text =
        QStringLiteral("[Config]\r\nDeviceName=Locked\r\nDirCount=1\r\n[Directories]\r\nDir00=Internal\r\n");
    WriteBytes(Out(QStringLiteral("locked.tsj")), QByteArray("\xFF\xFE") + Utf16LE(text));
    const TCliResult run = RunCli({QStringLiteral("run"), Out(QStringLiteral("locked.tsj"))});
    EXPECT_EQ(run.Status, 1);
    EXPECT_TRUE(run.Err.contains(QStringLiteral("The device shows no storage; is it unlocked?")))
        << qPrintable(run.Err);
}

TEST_F(CliRefusalTest, DeviceThatCannotBeOpenedIsListedAndDoesNotStopOthers)
{
    Devices.SetDeviceIni(QStringLiteral("Broken"), QStringLiteral("[Faults]\nOpenFail=1\n"));
    Devices.AddFolder(QStringLiteral("Broken"), QStringLiteral("Internal"));
    const TCliResult devices = RunCli({QStringLiteral("devices")});
    EXPECT_EQ(devices.Status, 1);
    EXPECT_TRUE(devices.Out.contains(QStringLiteral("2 portable devices found")));
    EXPECT_TRUE(devices.Out.contains(QStringLiteral("\nBroken\n  Error calling: "))) << qPrintable(devices.Out);
    EXPECT_TRUE(devices.Out.contains(QStringLiteral("\nPhone\n"))) << qPrintable(devices.Out);

    const TCliResult backup =
        RunCli({QStringLiteral("backup"), QStringLiteral("Phone"), QStringLiteral("--to"), Out(QStringLiteral("p"))});
    EXPECT_EQ(backup.Status, 0) << qPrintable(backup.Err);
    EXPECT_TRUE(QFile::exists(Out(QStringLiteral("p/Internal/DCIM/a.jpg"))));
    EXPECT_TRUE(backup.Out.contains(QStringLiteral("The device \"Broken\" cannot be opened: ")))
        << qPrintable(backup.Out);
}

TEST_F(CliRefusalTest, PowerTextOnlyForPowerDataThatMakesSense)
{
    Devices.SetDeviceIni(QStringLiteral("Phone"), QStringLiteral("[Device]\nManufacturer=Orrery\n"));
    Devices.SetDeviceIni(QStringLiteral("Odd"), QStringLiteral("[Device]\nPowerSource=1\nPowerLevel=4294967295\n"));
    Devices.AddFolder(QStringLiteral("Odd"), QStringLiteral("Internal"));
    const TCliResult devices = RunCli({QStringLiteral("devices")});
    EXPECT_EQ(devices.Status, 0);
    EXPECT_FALSE(devices.Out.contains(QStringLiteral("Battery"))) << qPrintable(devices.Out);
    EXPECT_FALSE(devices.Out.contains(QStringLiteral("4294967295"))) << qPrintable(devices.Out);
    EXPECT_TRUE(devices.Out.contains(QStringLiteral("External\n"))) << qPrintable(devices.Out);
}
