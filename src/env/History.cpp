#include "env/History.h"

#include "settings/IniFile.h"

#include <QtDebug>

#include <memory>

namespace {

QString HistoryKey(int index)
{
    return QStringLiteral("History") + QString::number(index);
}

} // namespace

void LoadHistory(const QString &FileName, const QString &Section, QStringList &List, int Count)
{
    std::unique_ptr<TMemIniFile> ini;
    try {
        ini = std::make_unique<TMemIniFile>(FileName);
    } catch (const EStreamError &error) {
        qWarning("%s", error.what());
        return;
    }
    if (!ini->SectionExists(Section))
        return;
    List.clear();
    for (int i = 0; i < Count; ++i) {
        const QString entry = ini->ReadString(Section, HistoryKey(i), QString());
        if (!entry.isEmpty())
            List.append(entry);
    }
}

void SaveHistory(const QString &FileName, const QString &Section, bool Erase, const QStringList &List, int Count)
{
    TMemIniFile ini(FileName);
    if (Erase)
        ini.EraseSection(Section);
    const qsizetype entries = std::min<qsizetype>(Count, List.size());
    for (qsizetype i = 0; i < entries; ++i)
        ini.WriteString(Section, HistoryKey(static_cast<int>(i)), List[i]);
    ini.UpdateFile();
}

void AddToHistory(QStringList &List, const QString &Text, int Max)
{
    if (Text.isEmpty())
        return;
    for (qsizetype i = 0; i < List.size(); ++i) {
        if (List[i].compare(Text, Qt::CaseInsensitive) == 0) {
            List.removeAt(i);
            List.prepend(Text);
            return;
        }
    }
    while (Max > 0 && List.size() >= Max)
        List.removeLast();
    List.prepend(Text);
}
