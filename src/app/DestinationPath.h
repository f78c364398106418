#pragma once

#include <QString>

class TPortableDeviceContent;

// How device names become local paths. A name a device reports becomes exactly
// one path component (LocalNameOf), so that nothing a device reports can put a
// file outside the destination. Device paths are turned into local paths name
// by name, never by replacing "\" in the path text.

// A path and a name joined by "/" unless the path is empty or already ends
// with one; an empty name leaves the path unchanged.
QString JoinPath(const QString &path, const QString &name);

// The local relative path of a device object: the safe display names of its
// ancestors below the device object and of itself, joined by "/". For the
// device object itself, its own name.
QString LocalObjectPath(TPortableDeviceContent &content, int index);
