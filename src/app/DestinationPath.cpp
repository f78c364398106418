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
    // The device object is part of the path only when it is the object itself
    // (selecting the device puts its name first). The walk follows the tree's
    // own parent indexes, which always lead up to the device, at most once per level.
    TPortableDeviceObject *object = content.GetObject(index);
    if (object == nullptr)
        return {};
    names.append(SafePathComponent(object->DisplayName()));
    for (int guard = object->Level(); guard > 0; --guard) {
        object = content.GetObject(object->ParentIndex());
        if (object == nullptr || object->ParentIndex() < 0)
            break;
        names.prepend(SafePathComponent(object->DisplayName()));
    }
    return names.join(QLatin1Char('/'));
}
