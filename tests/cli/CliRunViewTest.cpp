#include "cli/CliProcess.h"
#include "support/SimDeviceFolder.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

namespace {

// Runs the command line with standard output and standard error on a
// pseudo-terminal, as in a terminal window; returns what the terminal got.
TCliResult RunCliOnTerminal(const QStringList &args)
{
    TCliResult result;
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) {
        ADD_FAILURE() << "no pseudo-terminal: " << std::strerror(errno);
        return result;
    }
    const int slave = ::open(::ptsname(master), O_RDWR | O_NOCTTY);
    QProcess cli;
    cli.setChildProcessModifier([slave] {
        ::dup2(slave, STDOUT_FILENO);
        ::dup2(slave, STDERR_FILENO);
    });
    cli.start(QStringLiteral(TESSARIL_CLI), args);
    cli.closeWriteChannel();
    ::close(slave);
    QByteArray terminal;
    // Read while it runs, so that a full terminal buffer never blocks it.
    for (;;) {
        pollfd ready{master, POLLIN, 0};
        if (::poll(&ready, 1, 100) > 0) {
            char buffer[4096];
            const ssize_t got = ::read(master, buffer, sizeof buffer);
            if (got > 0) {
                terminal.append(buffer, got);
                continue;
            }
            break; // EIO: every end of the terminal's other side is closed
        }
        if (cli.state() == QProcess::NotRunning && cli.waitForFinished(0))
            break;
        cli.waitForFinished(10);
    }
    // The short waits above may have seen it end already; a second wait
    // for a process that is not running says false.
    EXPECT_TRUE(cli.state() == QProcess::NotRunning || cli.waitForFinished(120000));
    ::close(master);
    result.Status = cli.exitStatus() == QProcess::NormalExit ? cli.exitCode() : -1;
    result.Out = QString::fromUtf8(terminal);
    return result;
}

// Every entry below a folder with its size and modification time.
QStringList TreeState(const QString &root)
{
    QStringList state;
    const auto note = [&state, &root](const QFileInfo &info) {
        state << QStringLiteral("%1 %2 %3")
                     .arg(QDir(root).relativeFilePath(info.absoluteFilePath()))
                     .arg(info.isDir() ? 0 : info.size())
                     .arg(info.lastModified().toMSecsSinceEpoch());
    };
    note(QFileInfo(root));
    QDirIterator entries(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                         QDirIterator::Subdirectories);
    while (entries.hasNext()) {
        entries.next();
        note(entries.fileInfo());
    }
    state.sort();
    return state;
}

} // namespace

class CliRunViewTest : public ::testing::Test
{
protected:
    TSimDeviceFolder Devices;
    QTemporaryDir Work;

    void SetUp() override
    {
        Devices.AddFile(QStringLiteral("Phone"), QStringLiteral("Internal/DCIM/a.jpg"), "a");
        Devices.AddFile(QStringLiteral("Phone"), QStringLiteral("Internal/Docs/n.txt"), "nn");
    }
    QString Out(const QString &relative) const { return Work.filePath(relative); }
    QStringList Backup(const QStringList &more) const
    {
        return QStringList{QStringLiteral("backup"), QStringLiteral("Phone"), QStringLiteral("--to"),
                           Out(QStringLiteral("b"))} +
               more;
    }
};

TEST_F(CliRunViewTest, DryRunListsAndWritesNothingForBackupAndRun)
{
    const QString task = Out(QStringLiteral("phone.tsj"));
    ASSERT_EQ(RunCli(Backup({QStringLiteral("--save-task"), task})).Status, 0);
    Devices.AddFile(QStringLiteral("Phone"), QStringLiteral("Internal/Docs/later.txt"), "later");
    const QStringList before = TreeState(Work.path());

    const TCliResult backup = RunCli(Backup({QStringLiteral("--dry-run")}));
    EXPECT_EQ(backup.Status, 0) << qPrintable(backup.Err);
    EXPECT_TRUE(backup.Out.contains(QStringLiteral("    + Would copy: later.txt\n"))) << qPrintable(backup.Out);
    EXPECT_TRUE(backup.Out.contains(QStringLiteral("    - Would skip: a.jpg (the existing copy is not older)\n")));
    EXPECT_EQ(backup.Err, QStringLiteral("tessaril-cli: dry run: 1 would be copied (5 bytes, 0 of them updates), 2 "
                                         "would be skipped, 0 left out by filter or time slot; nothing was written\n"));

    const TCliResult run = RunCli({QStringLiteral("run"), task, QStringLiteral("--dry-run")});
    EXPECT_EQ(run.Status, 0) << qPrintable(run.Err);
    EXPECT_TRUE(run.Out.contains(QStringLiteral("    + Would copy: later.txt\n"))) << qPrintable(run.Out);
    EXPECT_TRUE(run.Err.contains(QStringLiteral("dry run: 1 would be copied"))) << qPrintable(run.Err);
    EXPECT_EQ(TreeState(Work.path()), before);

    // Nothing that writes goes with a dry run.
    for (const QStringList &args :
         {Backup({QStringLiteral("--dry-run"), QStringLiteral("--log"), Out(QStringLiteral("x.log"))}),
          Backup({QStringLiteral("--dry-run"), QStringLiteral("--save-task"), Out(QStringLiteral("x.tsj"))}),
          QStringList{QStringLiteral("run"), task, QStringLiteral("--dry-run"), QStringLiteral("--log"),
                      Out(QStringLiteral("x.log"))}}) {
        const TCliResult refused = RunCli(args);
        EXPECT_EQ(refused.Status, 2) << qPrintable(args.join(' '));
        EXPECT_TRUE(refused.Err.contains(QStringLiteral("--dry-run writes nothing"))) << qPrintable(refused.Err);
    }
    EXPECT_EQ(TreeState(Work.path()), before);
}

// A pipe gets the log in blocks, but a long copy does not hold its own line
// back until the next one: it shows while the file is still being read.
TEST_F(CliRunViewTest, PipedLogShowsTheLineOfALongCopyWhileItRuns)
{
    // Quick copies first, so that the long copy's line falls within a block.
    for (int i = 0; i < 30; ++i)
        Devices.AddFile(QStringLiteral("Slow"), QStringLiteral("Internal/a%1.bin").arg(i, 2, 10, QLatin1Char('0')),
                        "a");
    // 4 MiB read at 50 ms per 64 KiB: about three seconds.
    Devices.AddFile(QStringLiteral("Slow"), QStringLiteral("Internal/big.bin"), QByteArray(4 << 20, 'x'));
    Devices.SetDeviceIni(QStringLiteral("Slow"), QStringLiteral("[Faults]\nReadDelayUs=50000\n"));
    QProcess cli;
    cli.start(QStringLiteral(TESSARIL_CLI),
              {QStringLiteral("backup"), QStringLiteral("Slow"), QStringLiteral("--to"), Out(QStringLiteral("s"))});
    cli.closeWriteChannel();
    QByteArray out;
    while (!out.contains("+ Copied: big.bin") && cli.waitForReadyRead(60000))
        out += cli.readAllStandardOutput();
    EXPECT_TRUE(out.contains("+ Copied: big.bin")) << out.constData();
    // The copy gets its name only once complete.
    EXPECT_FALSE(QFile::exists(Out(QStringLiteral("s/Internal/big.bin"))))
        << "the copy's line came only after the copy";
    ASSERT_TRUE(cli.waitForFinished(120000));
    EXPECT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().constData();
    EXPECT_TRUE(QFile::exists(Out(QStringLiteral("s/Internal/big.bin"))));
}

TEST_F(CliRunViewTest, ProgressLineOnlyOnATerminal)
{
    // In a pipe: plain lines, no progress, whatever is asked.
    for (const QString &option : {QString(), QStringLiteral("--progress")}) {
        QStringList more{QStringLiteral("--overwrite"), QStringLiteral("all")};
        if (!option.isEmpty())
            more << option;
        const TCliResult piped = RunCli(Backup(more));
        EXPECT_EQ(piped.Status, 0);
        EXPECT_FALSE(piped.Err.contains(QLatin1Char('\r'))) << qPrintable(option);
        EXPECT_FALSE(piped.Err.contains(QStringLiteral(" files, "))) << qPrintable(piped.Err);
        EXPECT_FALSE(piped.Out.contains(QLatin1Char('\x1b')));
    }

    const TCliResult terminal = RunCliOnTerminal(Backup({QStringLiteral("--overwrite"), QStringLiteral("all")}));
    EXPECT_EQ(terminal.Status, 0);
    const QString final = QStringLiteral("[100%] 2/2 files, 3 B of 3 B");
    EXPECT_TRUE(terminal.Out.contains(QStringLiteral("\r\x1b[K") + final)) << qPrintable(terminal.Out);
    // Log lines start on a line of their own, never glued to the progress line.
    for (const QString &line : {QStringLiteral("    + Updated: a.jpg"), QStringLiteral("    + Updated: n.txt")}) {
        const qsizetype at = terminal.Out.indexOf(line);
        ASSERT_GT(at, 0) << qPrintable(terminal.Out);
        EXPECT_TRUE(terminal.Out.mid(0, at).endsWith(QLatin1Char('\n')) ||
                    terminal.Out.mid(0, at).endsWith(QStringLiteral("\r\x1b[K")))
            << qPrintable(terminal.Out.mid(at - 20, 40));
    }
    // The final line follows a cleared progress line.
    EXPECT_TRUE(terminal.Out.contains(QStringLiteral("\r\x1b[Ktessaril-cli: 2 copied, 0 skipped, 0 failed")))
        << qPrintable(terminal.Out);

    const TCliResult switchedOff = RunCliOnTerminal(
        Backup({QStringLiteral("--overwrite"), QStringLiteral("all"), QStringLiteral("--no-progress")}));
    EXPECT_EQ(switchedOff.Status, 0);
    EXPECT_FALSE(switchedOff.Out.contains(QStringLiteral(" files, "))) << qPrintable(switchedOff.Out);
    EXPECT_TRUE(switchedOff.Out.contains(QStringLiteral("tessaril-cli: 2 copied")));
}

TEST_F(CliRunViewTest, QuietPrintsOnlyErrorsAndTheFinalLine)
{
    Devices.SetDeviceIni(QStringLiteral("Phone"), QStringLiteral("[Faults]\nStreamFail=Internal/Docs/n.txt\n"));
    const TCliResult quiet = RunCli(Backup({QStringLiteral("--quiet")}));
    EXPECT_EQ(quiet.Status, 1);
    const QStringList lines = quiet.Out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3) << qPrintable(quiet.Out);
    EXPECT_TRUE(lines.at(0).startsWith(QStringLiteral("  *** The device could not provide the file: ")));
    EXPECT_EQ(lines.at(1), QStringLiteral("* 1 file failed:"));
    EXPECT_EQ(lines.at(2), QStringLiteral("    Internal\\Docs\\n.txt: ") + lines.at(0).mid(6));
    EXPECT_EQ(quiet.Err, QStringLiteral("tessaril-cli: 1 copied, 0 skipped, 1 failed\n"));

    // Quiet on a terminal draws no progress either.
    const TCliResult terminal = RunCliOnTerminal(Backup({QStringLiteral("--quiet")}));
    EXPECT_FALSE(terminal.Out.contains(QStringLiteral(" files, "))) << qPrintable(terminal.Out);
}
