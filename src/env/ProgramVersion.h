#pragma once

#include <QString>

// The program's version, fixed at build time.
QString ProgramVersion();

// "Version" and the version number cut to at most `parts` parts: while the
// number has `parts` or more dots, its last "." and what follows are removed.
QString VersionLine(const QString &version, int parts);
