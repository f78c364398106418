#include "app/DestinationPath.h"

#include "device/PortableDeviceContent.h"

#include <QStringList>

QString SafePathComponent(const QString &name)
{
    QString safe = name;
    safe.replace(QLatin1Char('/'), QLatin1Char('_'));
    safe.replace(QChar(u'\0'), QLatin1Char('_'));
    if (safe.isEmpty() || safe == QStringLiteral(".") || safe == QStringLiteral(".."))
        safe = QString(qMax<qsizetype>(safe.size(), 1), QLatin1Char('_'));
    return safe;
}

QString JoinPath(const QString &path, const QString &name)
{
    if (name.isEmpty())
        return path;
    if (path.isEmpty())
        return name;
    if (path.endsWith(QLatin1Char('/')))
        return path + name;
    return path + QLatin1Char('/') + name;
}

QString LocalObjectPath(TPortableDeviceContent &content, int index)
{
    QStringList names;
    // A device that reports a parent loop must not hang us: a path can hold at
    // most as many names as there are objects.
    int guard = content.ObjectCount();
    for (TPortableDeviceObject *object = content.GetObject(index); object != nullptr && guard-- > 0;
         object = content.GetObject(object->ParentIndex())) {
        if (object->ObjectType() == otDevice || object->ParentIndex() < 0)
            break;
        names.prepend(SafePathComponent(object->DisplayName()));
    }
    return names.join(QLatin1Char('/'));
}
