#pragma once

#include <QString>
#include <QUrl>

// An installed program keeps its data files of one kind ("translations",
// "help") in ../share/tessaril/<kind> from its own folder, whatever prefix it
// was installed to. Returns that folder when it exists, else an empty text:
// the program then uses the copies built into it, as it does when it runs
// from the build tree.
QString InstalledDataFolder(const QString &programFolder, const QString &kind);

// The same for the running program.
QString InstalledDataFolder(const QString &kind);

// Where a help page is read from: the installed page when there is one, else
// the built-in page; an empty URL when neither exists.
QUrl HelpPageSource(const QString &programFolder, const QString &page);
