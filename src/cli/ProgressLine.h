#pragma once

#include "app/RunProgress.h"

#include <QObject>
#include <QString>

#include <chrono>
#include <cstdio>
#include <functional>

class TMainJob;

// "[ 42%] 120/300 files, 1.20 GiB of 3.40 GiB, 12.3 MiB/s, 0:02:35 left,
// DCIM\IMG_1.jpg 45%", cut to `width` characters (the file's path loses its
// start first).
QString RunProgressText(const TRunProgress &progress, int width);

// The run's progress as one line on a terminal, redrawn in place at most
// about ten times a second. Log lines on the same terminal clear it first
// (Clear); the next figures draw it again below them.
class TProgressLine : public QObject
{
    Q_OBJECT

public:
    // beforeDraw ends an open log line, so that the progress does not overwrite it.
    TProgressLine(TMainJob &job, std::FILE *out, std::function<void()> beforeDraw);
    ~TProgressLine() override;

    // Erases the line, if one is shown.
    void Clear();

private:
    void Draw(const TRunProgress &progress);

    std::FILE *FOut;
    std::function<void()> FBeforeDraw;
    bool FShown = false;
    std::chrono::steady_clock::time_point FLastDraw;
};

// The terminal's width in columns (80 when it cannot be told).
int TerminalColumns(int fd);
