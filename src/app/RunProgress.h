#pragma once

#include <QMetaType>
#include <QString>

#include <QtGlobal>

// What a backup run (or its preview) does: copy and stamp files, or only
// list what it would do and write nothing.
enum class TRunMode
{
    Backup,
    Preview
};

// Where a run stands, as the main job reports it while the run goes on.
// Totals are known once the selected folders have been walked; until then
// they are -1. Rate and time left are -1 while they cannot be judged yet.
struct TRunProgress
{
    int FilesTotal = -1;    // files the run will look at (filter and time slot passed)
    qint64 BytesTotal = -1; // their sizes as the device reported them
    int FilesDone = 0;      // copied, skipped or failed so far
    qint64 BytesDone = 0;   // of BytesTotal, including the current file's part
    QString CurrentFile;    // device path of the file being copied; empty between files
    qint64 CurrentSize = 0; // its size
    qint64 CurrentDone = 0; // bytes of it written so far
    double BytesPerSecond = -1;
    int SecondsLeft = -1;
    bool Preview = false; // the run only lists what it would do
};

Q_DECLARE_METATYPE(TRunProgress)
