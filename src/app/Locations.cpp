#include "app/Locations.h"

#include "env/Family.h"
#include "settings/IniFile.h"

#include <QDir>
#include <QFileInfo>

namespace {

const QString FamilyCfgName = QStringLiteral("Quenbry.cfg");
const QString FamilyIniName = QStringLiteral("Quenbry.ini");
const QString FamilyFolderName = QStringLiteral("Quenbry6/");
const QString JobFolderName = QStringLiteral("Quenbry/");

bool IsAbsolute(const QString &path)
{
    return path.startsWith(QLatin1Char('/'));
}

QString ExpandHome(const QString &path, const TSystemEnvironment &env)
{
    return ExpandHomeFolder(path, env.HomeDir);
}

// The folder part with its trailing "/", empty when there is none.
QString DirectoryPart(const QString &path)
{
    return path.left(path.lastIndexOf(QLatin1Char('/')) + 1);
}

QString FileNamePart(const QString &path)
{
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

QString WithExtension(const QString &fileName, const QString &extension)
{
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    return (dot < 0 ? fileName : fileName.left(dot)) + extension;
}

QString FullPath(const QString &path, const TSystemEnvironment &env)
{
    QString expanded = ExpandHome(path, env);
    if (IsAbsolute(expanded))
        return expanded;
    return WithTrailingSlash(env.CurrentDir) + expanded;
}

QString FullFolder(const QString &path, const TSystemEnvironment &env)
{
    return WithTrailingSlash(QDir::cleanPath(FullPath(path, env)));
}

// A family folder named relative (for example "Quenbry6/") lies below the
// roaming application data.
QString FamilyFolder(const QString &folder, const TSystemEnvironment &env)
{
    QString expanded = ExpandHome(folder, env);
    if (IsAbsolute(expanded) || env.ConfigHome.isEmpty())
        return WithTrailingSlash(expanded);
    return WithTrailingSlash(env.ConfigHome) + WithTrailingSlash(expanded);
}

QString IniPathFolder(const QString &iniPath, bool portable, const QString &currentCfg, const TSystemEnvironment &env)
{
    const QString path = ExpandHome(iniPath, env);
    const bool hasFolder = path.contains(QLatin1Char('/'));
    if (IsAbsolute(path))
        return DirectoryPart(path);
    if (portable)
        return hasFolder ? ProgramFolder(env) + DirectoryPart(path) : ProgramFolder(env);
    return hasFolder ? FullFolder(DirectoryPart(path), env) : DirectoryPart(currentCfg);
}

} // namespace

QString ProgramFolder(const TSystemEnvironment &env)
{
    if (env.ProgramFile.isEmpty())
        return QString();
    return WithTrailingSlash(QFileInfo(env.ProgramFile).absolutePath());
}

QString DetermineFamilyCfg(const TSystemEnvironment &env, const TStartOptions &options)
{
    QString folder = FamilyFolder(FamilyIniPath(env, FamilyFolderName), env);
    QString familyCfg = folder + FamilyCfgName;
    if (!options.IniGiven)
        return familyCfg;

    const QString iniPath = options.IniIsProgramFolder ? ProgramFolder(env) : options.IniPath;
    if (iniPath.isEmpty())
        return familyCfg;
    if (iniPath.endsWith(QLatin1Char('/')))
        return ExpandHome(iniPath, env) + FamilyCfgName;
    const QString fileName =
        options.Portable ? WithExtension(FileNamePart(iniPath), QStringLiteral(".cfg")) : FamilyCfgName;
    return WithTrailingSlash(IniPathFolder(iniPath, options.Portable, familyCfg, env)) + fileName;
}

QString DetermineAppPath(const TSystemEnvironment &env)
{
    if (env.ConfigHome.isEmpty())
        return ProgramFolder(env);
    return WithTrailingSlash(env.ConfigHome) + FamilyFolderName;
}

QString DetermineUserPath(const TSystemEnvironment &env)
{
    return WithTrailingSlash(env.DocumentsDir);
}

QString DetermineDesktopDir(const TSystemEnvironment &env)
{
    if (!env.DesktopDir.isEmpty())
        return WithTrailingSlash(env.DesktopDir);
    return env.HomeDir.isEmpty() ? QString() : WithTrailingSlash(env.HomeDir) + QStringLiteral("Desktop/");
}

QString DetermineConfigDir(const TSystemEnvironment &env, const QString &appPath)
{
    QString programFolder = ProgramFolder(env);
    if (appPath.isEmpty() || (env.IsOnUsbDrive && env.IsOnUsbDrive(programFolder)))
        return programFolder;
    QString folder = FamilyFolder(FamilyIniPath(env, appPath), env);
    if (env.MakeFolders && !env.MakeFolders(folder))
        return WithTrailingSlash(appPath);
    return folder;
}

QString DetermineFamilyIni(const QString &configDir)
{
    return WithTrailingSlash(configDir) + FamilyIniName;
}

QString DetermineJobDir(const TSystemEnvironment &env, const QString &userPath, const QString &familyIni)
{
    QString jobDir = userPath + JobFolderName;
    if (env.FileExists && env.FileExists(familyIni)) {
        // An unreadable family settings file counts as a missing one.
        const QString configured = ReadStringFromIni(familyIni, QStringLiteral("Config"), QStringLiteral("JobDir"));
        if (!configured.isEmpty()) {
            QString folder = FullFolder(configured, env);
            if (env.FolderExists && env.FolderExists(folder))
                jobDir = folder;
        }
    }
    return FullFolder(jobDir, env);
}

QString DetermineIniName(const QString &configDir, const QString &prgName)
{
    const QString name = prgName.contains(QLatin1Char('.')) ? prgName : prgName + QStringLiteral(".ini");
    return WithTrailingSlash(configDir) + name;
}

TLocations DetermineLocations(const TSystemEnvironment &env, const TStartOptions &options, const QString &prgName)
{
    TLocations places;
    places.PrgPath = ProgramFolder(env);
    places.PrgName = prgName;
    places.FamilyCfg = DetermineFamilyCfg(env, options);
    places.AppPath = DetermineAppPath(env);
    places.UserPath = DetermineUserPath(env);
    places.ConfigDir = DetermineConfigDir(env, places.AppPath);
    places.FamilyIni = DetermineFamilyIni(places.ConfigDir);
    places.JobDir = DetermineJobDir(env, places.UserPath, places.FamilyIni);
    places.IniName = DetermineIniName(places.ConfigDir, prgName);
    return places;
}

QString ReadFamilyLangId(const QString &familyCfg)
{
    return ReadStringFromIni(familyCfg, QStringLiteral("Language"), QStringLiteral("LangID"));
}

bool ReadFamilyDarkMode(const QString &familyCfg)
{
    try {
        return TMemIniFile(familyCfg).ReadBool(QStringLiteral("Config"), QStringLiteral("DarkMode"), false);
    } catch (const EStreamError &) {
        return false;
    }
}

TProgramStart DetermineProgramStart(const TSystemEnvironment &env, const QStringList &args, const QLocale &system,
                                    const QString &prgName)
{
    TProgramStart start;
    start.StartOptions = ParseStartOptions(args, env.Variables);
    start.Locations = DetermineLocations(env, start.StartOptions, prgName);
    start.Language = ChooseLanguage(start.StartOptions.Language, ReadFamilyLangId(start.Locations.FamilyCfg), system);
    start.RunOptions = ParseRunOptions(args);
    start.TaskName = TaskFileName(start.RunOptions.TaskArgument, start.Locations.JobDir, env);
    return start;
}
