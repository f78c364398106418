#pragma once

#include <QString>

// Opens the program's help in a window of its own, at a topic file such as
// "qy-device.html" (optionally with "#anchor"); false when the topic is missing.
bool ShowHelp(const QString &topic = QString());
// The language of the help pages: a topic opens in that language where a
// page "<name>.<code>.html" exists, else in English. Set once at start.
void SetHelpLanguage(const QString &languageCode);
// The page shown for a topic file in a language.
QString HelpPageFor(const QString &page, const QString &languageCode);
// Closes every help window the program opened (at program end).
void CloseAllHelp();
int OpenHelpWindows();

// The lines of the version box: name, bitness, version and date; the notice;
// and, when the family program reports a version, the family line.
QString VersionText(const QString &familyProgram, const QString &date, int parts);
