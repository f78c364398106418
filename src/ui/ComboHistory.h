#pragma once

#include <QString>

class QComboBox;

// Combo-box forms of the recent-entry lists: the box's drop-down count is the
// list's length, and the first entry is selected after loading or adding.
void LoadHistory(const QString &fileName, const QString &section, QComboBox &box);
void SaveHistory(const QString &fileName, const QString &section, bool erase, const QComboBox &box);
void AddToHistory(QComboBox &box, const QString &text);
// Adds the box's current text.
void AddToHistory(QComboBox &box);
// The entries of a box as a list, and a list shown in a box.
QStringList HistoryOf(const QComboBox &box);
void ShowHistory(QComboBox &box, const QStringList &history);
