#include "ui/DataFolders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

QString InstalledDataFolder(const QString &programFolder, const QString &kind)
{
    if (programFolder.isEmpty())
        return QString();
    const QString folder = QDir::cleanPath(programFolder + QStringLiteral("/../share/tessaril/") + kind);
    return QFileInfo(folder).isDir() ? folder : QString();
}

QString InstalledDataFolder(const QString &kind)
{
    return InstalledDataFolder(QCoreApplication::applicationDirPath(), kind);
}

QUrl HelpPageSource(const QString &programFolder, const QString &page)
{
    // A page name is a plain file name; anything that leaves the folder is
    // not a page.
    if (page.isEmpty() || page.contains(QLatin1Char('/')) || page == QLatin1String("..") || page == QLatin1String("."))
        return QUrl();
    const QString installed = InstalledDataFolder(programFolder, QStringLiteral("help"));
    if (!installed.isEmpty() && QFileInfo(installed + QLatin1Char('/') + page).isFile())
        return QUrl::fromLocalFile(installed + QLatin1Char('/') + page);
    if (QFileInfo::exists(QStringLiteral(":/help/") + page))
        return QUrl(QStringLiteral("qrc:/help/") + page);
    return QUrl();
}
