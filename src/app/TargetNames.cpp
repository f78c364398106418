#include "app/TargetNames.h"

#include <QFile>
#include <QRandomGenerator>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

TTargetNames::TCaseProbe &CaseProbe()
{
    static TTargetNames::TCaseProbe probe;
    return probe;
}

} // namespace

QString NumberedName(const QString &localName, int number)
{
    const qsizetype dot = localName.lastIndexOf(QLatin1Char('.'));
    const QString mark = QStringLiteral(" (%1)").arg(number);
    if (dot <= 0)
        return localName + mark;
    return localName.left(dot) + mark + localName.mid(dot);
}

void TTargetNames::SetCaseProbe(TCaseProbe probe)
{
    CaseProbe() = std::move(probe);
}

bool TTargetNames::FolderIsCaseSensitive(const QString &folder)
{
    if (CaseProbe())
        return CaseProbe()(folder);
    const QString suffix = QString::number(QRandomGenerator::global()->generate(), 36);
    const QByteArray lower = QFile::encodeName(folder + QStringLiteral("/.tessaril-case-") + suffix.toLower());
    const QByteArray upper = QFile::encodeName(folder + QStringLiteral("/.TESSARIL-CASE-") + suffix.toUpper());
    const int fd = ::open(lower.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return true;
    ::close(fd);
    struct stat created
    {};
    struct stat other
    {};
    const bool sameFile = ::stat(lower.constData(), &created) == 0 && ::stat(upper.constData(), &other) == 0 &&
                          created.st_dev == other.st_dev && created.st_ino == other.st_ino;
    ::unlink(lower.constData());
    return !sameFile;
}

QString TTargetNames::FolderKey(const QString &folder, bool &caseSensitive)
{
    // The folder itself, not its spelling: on a drive that ignores case,
    // "DCIM" and "dcim" are one folder.
    struct stat info
    {};
    QString key = ::stat(QFile::encodeName(folder).constData(), &info) == 0
                      ? QStringLiteral("%1:%2").arg(info.st_dev).arg(info.st_ino)
                      : folder;
    auto known = FCaseSensitiveFolders.constFind(key);
    if (known == FCaseSensitiveFolders.cend())
        known = FCaseSensitiveFolders.insert(key, FolderIsCaseSensitive(folder));
    caseSensitive = known.value();
    return key;
}

std::vector<QString> TTargetNames::PlanFolder(const QString &folder, const std::vector<TFile> &files)
{
    // A folder without files needs no probe.
    if (files.empty())
        return {};
    bool caseSensitive = true;
    const QString folderKey = FolderKey(folder, caseSensitive);
    const auto claimKey = [&](const QString &name) {
        return folderKey + QLatin1Char('/') + (caseSensitive ? name : name.toCaseFolded());
    };
    // A name is free when nobody took it, or when this very object did (a
    // folder selected twice in one run maps its files to the same copies).
    const auto tryClaim = [&](const QString &name, int index) {
        QString key = claimKey(name);
        const auto holder = FClaims.constFind(key);
        if (holder != FClaims.cend() && holder.value() != index)
            return false;
        FClaims.insert(key, index);
        return true;
    };

    std::vector<QString> names(files.size());
    std::vector<std::size_t> later;
    // Plain names first, so that a real "photo (2).jpg" keeps its own name.
    for (std::size_t i = 0; i < files.size(); ++i) {
        const QString plain = files[i].LocalName + files[i].Suffix;
        if (tryClaim(plain, files[i].Index))
            names[i] = plain;
        else
            later.push_back(i);
    }
    for (std::size_t i : later) {
        for (int number = 2;; ++number) {
            const QString numbered = NumberedName(files[i].LocalName, number) + files[i].Suffix;
            if (tryClaim(numbered, files[i].Index)) {
                names[i] = numbered;
                break;
            }
        }
    }
    return names;
}
