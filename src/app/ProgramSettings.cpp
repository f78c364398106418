#include "app/ProgramSettings.h"

#include "env/History.h"
#include "env/ProgramVersion.h"
#include "settings/IniFile.h"

namespace {

const QString SecConfig = QStringLiteral("Config");
const QString SecDestination = QStringLiteral("Destination");

} // namespace

QString ReadProgramSettings(const QString &iniName, TWindowPlace &place, TBackupConfig &config,
                            QStringList &destinationHistory)
{
    try {
        const std::unique_ptr<TUnicodeIniFile> file = TUnicodeIniFile::CreateForRead(iniName);
        place.Top = file->ReadInteger(SecConfig, QStringLiteral("Top"), place.Top);
        place.Left = file->ReadInteger(SecConfig, QStringLiteral("Left"), place.Left);
        place.Width = file->ReadInteger(SecConfig, QStringLiteral("Width"), place.Width);
        place.Height = file->ReadInteger(SecConfig, QStringLiteral("Height"), place.Height);
        ReadConfigKeys(*file, config);
    } catch (const EStreamError &e) {
        return e.Message();
    }
    LoadHistory(iniName, SecDestination, destinationHistory, DestinationHistoryCount);
    return {};
}

QString WriteProgramSettings(const QString &iniName, const TWindowPlace &place, const TBackupConfig &config,
                             const QStringList &destinationHistory)
{
    try {
        {
            const std::unique_ptr<TUnicodeIniFile> file = TUnicodeIniFile::CreateForWrite(iniName, false);
            TUnicodeIniFile &ini = *file;
            ini.WriteProgramInfo(QStringLiteral("Program"), QStringLiteral("Tessaril"));
            ini.WriteProgramInfo(QStringLiteral("Version"), ProgramVersion());
            ini.WriteInteger(SecConfig, QStringLiteral("Top"), place.Top);
            ini.WriteInteger(SecConfig, QStringLiteral("Left"), place.Left);
            ini.WriteInteger(SecConfig, QStringLiteral("Width"), place.Width);
            ini.WriteInteger(SecConfig, QStringLiteral("Height"), place.Height);
            WriteConfigKeys(ini, config);
            ini.Close();
        }
        // The history goes in after the settings file was released: two
        // documents on one file are used one after the other.
        SaveHistory(iniName, SecDestination, true, destinationHistory, DestinationHistoryCount);
    } catch (const EStreamError &e) {
        return e.Message();
    }
    return {};
}

void AddDestinationToHistory(QStringList &history, const QString &destination)
{
    AddToHistory(history, destination, DestinationHistoryCount);
}
