#include "env/Family.h"

#include "settings/IniFile.h"

#include <QCoreApplication>
#include <QFileInfo>

QString UserRegistryFile(const TSystemEnvironment &env)
{
    if (env.ConfigHome.isEmpty())
        return QString();
    return WithTrailingSlash(env.ConfigHome) + QStringLiteral("Quenbry6.reg");
}

QString MachineRegistryFile(const TSystemEnvironment &env)
{
    if (env.MachineConfigDir.isEmpty())
        return QString();
    return WithTrailingSlash(env.MachineConfigDir) + QStringLiteral("Quenbry6.reg");
}

QString ReadRegistryString(const QString &hiveFile, const QString &key, const QString &valueName)
{
    if (hiveFile.isEmpty())
        return QString();
    // An unreadable hive counts as an empty one, as a missing key would.
    return ReadStringFromIni(hiveFile, key, valueName);
}

QString FamilyIniPath(const TSystemEnvironment &env, const QString &defaultPath)
{
    const QString value = ReadRegistryString(UserRegistryFile(env), FamilyRegistryKey, QStringLiteral("IniPath"));
    return value.isEmpty() ? defaultPath : value;
}

QString FamilyProgramPath(const TSystemEnvironment &env)
{
    const auto exists = [&](const QString &path) { return !path.isEmpty() && env.FileExists && env.FileExists(path); };
    QString inCurrentDir = WithTrailingSlash(env.CurrentDir) + FamilyProgramName;
    if (!env.CurrentDir.isEmpty() && exists(inCurrentDir))
        return inCurrentDir;
    const QString programDir = QFileInfo(env.ProgramFile).absolutePath();
    QString besideUs = WithTrailingSlash(programDir) + FamilyProgramName;
    if (!env.ProgramFile.isEmpty() && exists(besideUs))
        return besideUs;
    // Linux has one registry view: no second reading is needed.
    const QString registered =
        ReadRegistryString(MachineRegistryFile(env), FamilyRegistryKey, QStringLiteral("Program"));
    return exists(registered) ? registered : QString();
}

QString HelpFileName(const QString &prgPath, const QString &translatedName,
                     const std::function<bool(const QString &)> &fileExists)
{
    QString translated = prgPath + translatedName;
    if (!translatedName.isEmpty() && fileExists(translated))
        return translated;
    return prgPath + DefaultHelpFileName;
}

QString HelpFileName(const QString &prgPath)
{
    const QString translatedName = QCoreApplication::translate("PrgText", "qye-help.html");
    return HelpFileName(prgPath, translatedName, [](const QString &path) { return QFileInfo(path).isFile(); });
}
