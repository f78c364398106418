#include "app/DestinationPath.h"

#include "device/LocalName.h"
#include "device/PortableDeviceContent.h"

#include <QStringBuilder>
#include <QStringList>

QString JoinPath(const QString &path, const QString &name)
{
    if (name.isEmpty())
        return path;
    if (path.isEmpty())
        return name;
    if (path.endsWith(QLatin1Char('/')))
        return path + name;
    return path % QLatin1Char('/') % name;
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
    names.append(LocalNameOf(object->DisplayName()));
    for (int guard = object->Level(); guard > 0; --guard) {
        object = content.GetObject(object->ParentIndex());
        if (object == nullptr || object->ParentIndex() < 0)
            break;
        names.prepend(LocalNameOf(object->DisplayName()));
    }
    return names.join(QLatin1Char('/'));
}
