#pragma once

#include <QString>
#include <QStringList>

// Lists of recently used entries, most recent first, kept in an INI section
// under the keys "History0", "History1", ... The combo-box forms belong to the GUI.

// The history length of every combo box of this program.
inline constexpr int DefaultHistoryCount = 15;

// When the section exists, List is emptied and filled from "History0" to
// "History<Count-1>" in order, skipping empty or missing entries; otherwise
// List stays as it was. A file that cannot be read counts as empty.
void LoadHistory(const QString &FileName, const QString &Section, QStringList &List, int Count = DefaultHistoryCount);

// Writes the first min(Count, entries) entries (after erasing the section when
// Erase is set) and saves the file at once. Raises EStreamError when saving fails.
void SaveHistory(const QString &FileName, const QString &Section, bool Erase, const QStringList &List,
                 int Count = DefaultHistoryCount);

// Puts Text at the top: an entry equal to it without regard to case moves up and
// takes the new letter case; a new one pushes out the last entry when the list
// holds Max entries already. An empty text changes nothing.
void AddToHistory(QStringList &List, const QString &Text, int Max = DefaultHistoryCount);
