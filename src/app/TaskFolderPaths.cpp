#include "app/TaskFolderPaths.h"

#include "base/SafeFormat.h"
#include "device/PortableDeviceContent.h"
#include "settings/IniFile.h"

#include <map>

namespace {

QString DecodedName(const QString &stored)
{
    QString name;
    for (qsizetype i = 0; i < stored.size(); ++i) {
        const QStringView code = QStringView(stored).mid(i, 3);
        if (code.compare(QLatin1String("%5C"), Qt::CaseInsensitive) == 0) {
            name += QLatin1Char('\\');
            i += 2;
        } else if (code.compare(QLatin1String("%25"), Qt::CaseInsensitive) == 0) {
            name += QLatin1Char('%');
            i += 2;
        } else {
            name += stored[i];
        }
    }
    return name;
}

} // namespace

QString DirectoriesSection()
{
    return QStringLiteral("Directories");
}

QString DirKey(int number)
{
    return SafeFormat(QStringLiteral("Dir%.2d"), number);
}

QString StoredName(const QString &name)
{
    if (!name.contains(QLatin1Char('\\')) && !name.contains(QLatin1String("%5C"), Qt::CaseInsensitive) &&
        !name.contains(QLatin1String("%25"), Qt::CaseInsensitive))
        return name;
    QString stored = name;
    stored.replace(QLatin1Char('%'), QLatin1String("%25"));
    stored.replace(QLatin1Char('\\'), QLatin1String("%5C"));
    return stored;
}

QString StoredPath(TPortableDeviceContent &content, const TPortableDeviceObject &object)
{
    QStringList names{StoredName(object.DisplayName())};
    const TPortableDeviceObject *current = &object;
    for (int guard = object.Level(); guard > 1; --guard) {
        current = content.GetObject(current->ParentIndex());
        if (current == nullptr || current->ParentIndex() < 0)
            break;
        names.prepend(StoredName(current->DisplayName()));
    }
    return names.join(QLatin1Char('\\'));
}

int StoredPathIndex(TPortableDeviceContent &content, const QString &path)
{
    if (path.contains(QLatin1Char('%')) && !path.startsWith(QLatin1Char('\\'))) {
        QStringList names = path.split(QLatin1Char('\\'));
        if (names.size() > 1 && names.last().isEmpty())
            names.removeLast();
        for (QString &name : names)
            name = DecodedName(name);
        if (const TPortableDeviceObject *object = content.GetObjectByNames(names))
            return object->Index();
    }
    return content.GetObjectIndexByPath(path);
}

QStringList SavedFolderPaths(const TMemIniFile &ini)
{
    const int dirCount = ini.ReadInteger(QStringLiteral("Config"), QStringLiteral("DirCount"), 0);
    std::map<int, QString> keys;
    for (const QString &key : ini.ReadSection(DirectoriesSection())) {
        if (!key.startsWith(QLatin1String("Dir"), Qt::CaseInsensitive))
            continue;
        bool ok = false;
        const int number = key.mid(3).toInt(&ok);
        // Only the written form counts ("Dir05", not "Dir5" or "Dir+5"); the first of two equal keys wins.
        if (ok && number >= 0 && number < dirCount && key.compare(DirKey(number), Qt::CaseInsensitive) == 0)
            keys.emplace(number, key);
    }
    QStringList paths;
    for (const auto &entry : keys) {
        const QString path = ini.ReadString(DirectoriesSection(), entry.second, QString());
        if (!path.isEmpty())
            paths.append(path);
    }
    return paths;
}
