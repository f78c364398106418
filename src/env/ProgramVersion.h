#pragma once

#include <QString>

// The program's version, fixed at build time.
QString ProgramVersion();

// "Version" and the version number cut to at most `parts` parts: while the
// number has `parts` or more dots, its last "." and what follows are removed.
QString VersionLine(const QString &version, int parts);

// The program's display name, which heads the caption, the version box and
// the program entry of settings and task files.
QString ProgramDisplayName();

// The display name; " - " and Subtitle when Subtitle is set; " [" + the name
// of FileName without its folder + "]" when FileName is set.
QString CaptionText(const QString &Subtitle, const QString &FileName);

// " - 64-bit" for a 64-bit process, else " - 32-bit".
QString BitnessText();
