#pragma once

#include "app/BackupConfig.h"

#include <QString>
#include <QStringList>

// What the program's settings file keeps besides the configuration: the main
// window's position and the destination history (most recent first).
struct TWindowPlace
{
    int Top = 0;
    int Left = 0;
    int Width = 0; // 0: the designed size
    int Height = 0;
};

inline constexpr int DestinationHistoryCount = 15;

// Reads the settings file: window position, configuration and destination
// history. A missing file or key leaves the current values (the defaults), and
// so does a file that cannot be read; its error's text is returned then
// (empty on success), so that a broken file never stops the program's start.
QString ReadProgramSettings(const QString &iniName, TWindowPlace &place, TBackupConfig &config,
                            QStringList &destinationHistory);

// Writes them without clearing the file, so other sections survive; the
// history section is rewritten. Returns an empty text on success, else the
// error's text (the program still ends).
QString WriteProgramSettings(const QString &iniName, const TWindowPlace &place, const TBackupConfig &config,
                             const QStringList &destinationHistory);

// Puts a destination at the top of the history: an empty text is ignored, one
// already there (any letter case) moves up and takes the new spelling, and the
// list keeps at most 15 entries.
void AddDestinationToHistory(QStringList &history, const QString &destination);
