#pragma once

#include <QString>
#include <QStringList>

class TMemIniFile;
class TPortableDeviceContent;
class TPortableDeviceObject;

// How a task file names its folders: the "Dir" keys of section
// "Directories", each a path of display names below the device object.

// Section of the saved folders.
QString DirectoriesSection();
// "Dir00", "Dir01", ...
QString DirKey(int number);

// A name in a saved path: a backslash inside it would split it, so a name that
// holds one (or a text that would decode) has "%" and "\\" written as "%25"
// and "%5C". Every other name is written as it is, as older versions wrote it.
QString StoredName(const QString &name);

// The saved form of an object's path: its ancestors' display names below the
// device object and its own, each made a stored name, joined by "\\".
QString StoredPath(TPortableDeviceContent &content, const TPortableDeviceObject &object);

// The object a saved path names: read with escapes first, then as older
// versions wrote it; -1 when neither is found.
int StoredPathIndex(TPortableDeviceContent &content, const QString &path);

// The saved folder paths: the "Dir" entries below "DirCount" in number order.
// Only keys that exist are visited, so that a huge "DirCount" costs nothing.
QStringList SavedFolderPaths(const TMemIniFile &ini);
