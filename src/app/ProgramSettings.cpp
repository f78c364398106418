#include "app/ProgramSettings.h"

#include "env/ProgramVersion.h"
#include "settings/IniFile.h"

namespace {

const QString SecConfig = QStringLiteral("Config");
const QString SecDestination = QStringLiteral("Destination");

QString HistoryKey(int number) { return QStringLiteral("History%1").arg(number); }

void LoadDestinationHistory(const QString &iniName, QStringList &history)
{
    const TMemIniFile ini(iniName);
    if (!ini.SectionExists(SecDestination))
        return;
    history.clear();
    for (int i = 0; i < DestinationHistoryCount; ++i) {
        const QString entry = ini.ReadString(SecDestination, HistoryKey(i), QString());
        if (!entry.isEmpty())
            history.append(entry);
    }
}

void SaveDestinationHistory(const QString &iniName, const QStringList &history)
{
    TMemIniFile ini(iniName);
    ini.EraseSection(SecDestination);
    for (int i = 0; i < history.size() && i < DestinationHistoryCount; ++i)
        ini.WriteString(SecDestination, HistoryKey(i), history.at(i));
    ini.UpdateFile();
}

} // namespace

void ReadProgramSettings(const QString &iniName, TWindowPlace &place, TBackupConfig &config,
                         QStringList &destinationHistory)
{
    {
        const std::unique_ptr<TUnicodeIniFile> file = TUnicodeIniFile::CreateForRead(iniName);
        place.Top = file->ReadInteger(SecConfig, QStringLiteral("Top"), place.Top);
        place.Left = file->ReadInteger(SecConfig, QStringLiteral("Left"), place.Left);
        ReadConfigKeys(*file, config);
    }
    LoadDestinationHistory(iniName, destinationHistory);
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
            WriteConfigKeys(ini, config);
            ini.Close();
        }
        // The history goes in after the settings file was released: two
        // documents on one file are used one after the other.
        SaveDestinationHistory(iniName, destinationHistory);
    } catch (const EStreamError &e) {
        return e.Message();
    }
    return {};
}

void AddDestinationToHistory(QStringList &history, const QString &destination)
{
    if (destination.isEmpty())
        return;
    qsizetype existing = -1;
    for (qsizetype i = 0; i < history.size(); ++i)
        if (history.at(i).compare(destination, Qt::CaseInsensitive) == 0) {
            existing = i;
            break;
        }
    if (existing >= 0)
        history.removeAt(existing);
    else
        while (history.size() >= DestinationHistoryCount)
            history.removeLast();
    history.prepend(destination);
}
