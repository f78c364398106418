#pragma once

#include "app/CommandLine.h"
#include "app/Language.h"
#include "env/FamilySystem.h"

#include <QString>

// The places the program uses, fixed once at start. Folders end with "/".
struct TLocations
{
    QString PrgPath;   // the program file's folder
    QString PrgName;   // names this program's settings file
    QString FamilyCfg; // the family's configuration file "Quenbry.cfg"
    QString AppPath;   // the family's folder below the roaming application data
    QString UserPath;  // the documents folder; empty when unknown
    QString ConfigDir; // holds this program's settings and the log of a closing command-line run
    QString FamilyIni; // the family's settings file "Quenbry.ini" in ConfigDir
    QString JobDir;    // where task files are opened and saved, absolute
    QString IniName;   // this program's settings file
};

// Both front ends share one settings file, "Tessaril.ini".
inline const QString DefaultPrgName = QStringLiteral("Tessaril");

// The folder of the program file, with trailing "/".
QString ProgramFolder(const TSystemEnvironment &env);

// The family's configuration file, changed by the ini and portable options.
QString DetermineFamilyCfg(const TSystemEnvironment &env, const TStartOptions &options);
// $XDG_CONFIG_HOME/Quenbry6/, or the program's folder when that is unknown.
QString DetermineAppPath(const TSystemEnvironment &env);
QString DetermineUserPath(const TSystemEnvironment &env);
// The desktop folder (XDG user dirs), else "Desktop" in the home folder;
// with trailing "/", empty when neither is known.
QString DetermineDesktopDir(const TSystemEnvironment &env);
// The family's folder (the "IniPath" value, else AppPath), created when
// missing, or AppPath when that fails; the program's folder when it runs from
// a USB drive.
QString DetermineConfigDir(const TSystemEnvironment &env, const QString &appPath);
QString DetermineFamilyIni(const QString &configDir);
// UserPath + "Quenbry/", or the existing folder named by "JobDir" of section
// "Config" in the family's settings file; made absolute against the current directory.
QString DetermineJobDir(const TSystemEnvironment &env, const QString &userPath, const QString &familyIni);
// ConfigDir + PrgName + ".ini" (".ini" only when PrgName has no ".").
QString DetermineIniName(const QString &configDir, const QString &prgName);

// Every location in the order of start-up; ConfigDir is created when missing.
TLocations DetermineLocations(const TSystemEnvironment &env, const TStartOptions &options,
                              const QString &prgName = DefaultPrgName);

// Keys of the family's configuration file: "LangID" of "Language" (empty
// when missing) and "DarkMode" of "Config" (false when missing).
QString ReadFamilyLangId(const QString &familyCfg);
bool ReadFamilyDarkMode(const QString &familyCfg);

// Everything the start-up derives from the command line and the environment,
// in the order of start-up: the first option pass, FamilyCfg, the language,
// the other locations, the second option pass and the task file name.
struct TProgramStart
{
    TStartOptions StartOptions;
    TLocations Locations;
    TLanguageChoice Language;
    TRunOptions RunOptions;
    QString TaskName; // empty when no task file was named
};

// `args` are the arguments after the program file.
TProgramStart DetermineProgramStart(const TSystemEnvironment &env, const QStringList &args,
                                    const QLocale &system = QLocale::system(), const QString &prgName = DefaultPrgName);
