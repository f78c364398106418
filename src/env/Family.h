#pragma once

#include "env/FamilySystem.h"

#include <QString>

// The product family's registry key. On Linux each hive is an INI file read
// with the settings engine: section = key path, key = value name.
inline const QString FamilyRegistryKey = QStringLiteral("Software\\Quenbry6");
// The family's main program file, looked for beside this program and in the current directory.
inline const QString FamilyProgramName = QStringLiteral("quenbry");
// The English name of the family's help file; a translation may name another.
inline const QString DefaultHelpFileName = QStringLiteral("qye-help.html");

// $XDG_CONFIG_HOME/Quenbry6.reg (the user's hive) and /etc/xdg/Quenbry6.reg (the machine's).
QString UserRegistryFile(const TSystemEnvironment &env);
QString MachineRegistryFile(const TSystemEnvironment &env);

// A string value of a key in a hive file; empty when the file, key or value
// is missing or cannot be read.
QString ReadRegistryString(const QString &hiveFile, const QString &key, const QString &valueName);

// The user's "IniPath" value of the family key, or `defaultPath` when it is
// missing or empty.
QString FamilyIniPath(const TSystemEnvironment &env, const QString &defaultPath);

// The family's main program: in the current directory, else in this
// program's folder, else the machine's "Program" value when that file
// exists; empty when none is found.
QString FamilyProgramPath(const TSystemEnvironment &env);

// `prgPath` (with trailing "/") followed by the translated help file name,
// or by the English one when the translated file does not exist.
QString HelpFileName(const QString &prgPath, const QString &translatedName,
                     const std::function<bool(const QString &)> &fileExists);
// The same with the translation of DefaultHelpFileName and the real file system.
QString HelpFileName(const QString &prgPath);
