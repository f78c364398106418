#include "cli/ProgressLine.h"

#include <gtest/gtest.h>

// A line longer than the terminal would wrap, and "\r" would then redraw only
// its last part: the line is cut to the width, the file's path first.
TEST(ProgressLineTest, TextFitsTheWidthAndKeepsTheFilesEnd)
{
    TRunProgress progress;
    EXPECT_TRUE(RunProgressText(progress, 80).isEmpty()) << "no figures before the totals are known";

    progress.FilesTotal = 300;
    progress.BytesTotal = 3000;
    progress.FilesDone = 120;
    progress.BytesDone = 1500;
    progress.CurrentFile = QStringLiteral("Internal\\DCIM\\Camera\\2026\\March\\a very long name\\IMG_0001.jpg");
    progress.CurrentSize = 200;
    progress.CurrentDone = 90;
    progress.BytesPerSecond = 100;
    progress.SecondsLeft = 15;
    EXPECT_EQ(RunProgressText(progress, 200),
              QStringLiteral("[ 50%] 120/300 files, 1.46 KiB of 2.93 KiB, 100 B/s, 0:00:15 left, ") +
                  progress.CurrentFile + QStringLiteral(" 45%"));
    const QString cut = RunProgressText(progress, 90);
    EXPECT_EQ(cut.size(), 90);
    EXPECT_TRUE(cut.contains(QStringLiteral(" left, ..."))) << qPrintable(cut);
    EXPECT_TRUE(cut.endsWith(QStringLiteral("\\IMG_0001.jpg 45%"))) << qPrintable(cut);
    for (int width : {40, 10})
        EXPECT_LE(RunProgressText(progress, width).size(), width);
    // A control character in a device's name must not reach the terminal.
    progress.CurrentFile = QStringLiteral("evil\x1b]0;title\x07.jpg");
    EXPECT_FALSE(RunProgressText(progress, 200).contains(QLatin1Char('\x1b')));
}
