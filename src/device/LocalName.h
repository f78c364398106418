#pragma once

#include <QString>

// A name a device reports, made safe as one local path component: "/" and
// NUL become "_", and the names "", "." and ".." (which would name the folder
// itself or its parent) become "_", "_" and "__". Every other name is kept as
// it is, so that a device's folder tree is mirrored faithfully.
QString LocalNameOf(const QString &deviceName);
