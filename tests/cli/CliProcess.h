#pragma once

// Runs the command-line program as a user does, with its exit status and
// both output streams.

#include <QProcess>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

struct TCliResult
{
    int Status = -1;
    QString Out;
    QString Err;
};

inline TCliResult RunCli(const QStringList &args, const QString &workingDir = QString())
{
    QProcess cli;
    cli.setWorkingDirectory(workingDir);
    cli.start(QStringLiteral(TESSARIL_CLI), args);
    cli.closeWriteChannel();
    EXPECT_TRUE(cli.waitForFinished(120000));
    return {cli.exitStatus() == QProcess::NormalExit ? cli.exitCode() : -1,
            QString::fromUtf8(cli.readAllStandardOutput()), QString::fromUtf8(cli.readAllStandardError())};
}
