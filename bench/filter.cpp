// Speed of the file-name filter: a list of 50 wildcard masks against 10,000
// names (peer: the C library's fnmatch with case folding) and one regular
// expression against 100,000 names (peers: QRegularExpression, std::regex and
// grep -E over the same names).
#include "filter/TextFilter.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <QTemporaryFile>

#include <fnmatch.h>

#include <cstdio>
#include <functional>
#include <random>
#include <regex>
#include <string>
#include <vector>

namespace {

QStringList MakeNames(int count)
{
    static const char *const stems[] = {"IMG_",   "DSC",    "VID_", "Screenshot_", "document ",
                                        "README", "notes-", "PXL_", "scan",        "backup"};
    static const char *const extensions[] = {".jpg", ".JPG",  ".png", ".mp4",  ".pdf",    "",
                                             ".txt", ".heic", ".dng", ".jpeg", ".tar.gz", ".mp3"};
    std::mt19937 random(20261209);
    QStringList names;
    names.reserve(count);
    for (int i = 0; i < count; ++i) {
        const char *stem = stems[random() % std::size(stems)];
        const char *extension = extensions[random() % std::size(extensions)];
        names << QStringLiteral("%1%2_%3%4")
                     .arg(QLatin1String(stem))
                     .arg(20200101 + random() % 60000)
                     .arg(random() % 1000000, 6, 10, QLatin1Char('0'))
                     .arg(QLatin1String(extension));
    }
    return names;
}

QStringList MakeMasks()
{
    QStringList masks;
    static const char *const extensions[] = {"bmp", "gif", "tif", "tiff", "raw", "cr2",  "nef", "orf",  "arw", "rw2",
                                             "avi", "mov", "wmv", "mkv",  "flv", "ogg",  "wav", "flac", "aac", "m4a",
                                             "doc", "xls", "ppt", "odt",  "ods", "epub", "zip", "rar",  "7z",  "iso"};
    for (const char *extension : extensions)
        masks << QStringLiteral("*.%1").arg(QLatin1String(extension));
    for (int year = 2010; year < 2020; ++year)
        masks << QStringLiteral("IMG_%1*.jp?g").arg(year);
    masks << QStringLiteral("DSC[0-4]*") << QStringLiteral("*_[!0-9]*") << QStringLiteral("scan??_*.pdf")
          << QStringLiteral("*backup*.old") << QStringLiteral("PXL_*_9999*") << QStringLiteral("Screenshot_*.webp")
          << QStringLiteral("*.tmp") << QStringLiteral("~*") << QStringLiteral("*.heic") << QStringLiteral("*.dng");
    return masks; // 50; the last two match some names
}

double Seconds(const QElapsedTimer &timer)
{
    return static_cast<double>(timer.nsecsElapsed()) / 1e9;
}

void Report(const char *what, int names, int matches, double seconds)
{
    std::printf("  %-34s %8d names  %7d pass  %9.2f ms  %8.0f ns/name\n", what, names, matches, seconds * 1e3,
                seconds * 1e9 / names);
}

// Runs `pass` over the names `rounds` times and reports the best round.
void Measure(const char *what, const QStringList &names, int rounds, const std::function<bool(int)> &pass)
{
    double best = 1e30;
    int matches = 0;
    for (int round = 0; round < rounds; ++round) {
        QElapsedTimer timer;
        timer.start();
        int count = 0;
        for (int i = 0; i < names.size(); ++i)
            count += pass(i) ? 1 : 0;
        best = std::min(best, Seconds(timer));
        matches = count;
    }
    Report(what, static_cast<int>(names.size()), matches, best);
}

void BenchMasks()
{
    const QStringList names = MakeNames(10000);
    const QStringList masks = MakeMasks();
    std::printf("Mask list: %lld masks against %lld names (best of 5)\n", static_cast<long long>(masks.size()),
                static_cast<long long>(names.size()));

    TTextFilter filter;
    filter.SetFilter(masks.join(QLatin1Char('|')));
    filter.SetMode(fmInclude);
    Measure("TTextFilter masks", names, 5, [&](int i) { return filter.MatchesFilter(names[i]); });

    std::vector<std::string> utf8Names;
    for (const QString &name : names)
        utf8Names.push_back(name.toStdString());
    std::vector<std::string> utf8Masks;
    // The same masks as the filter stores them (a file filter keeps these unchanged).
    for (const QString &mask : filter.Filter().split(QLatin1Char('|')))
        utf8Masks.push_back(mask.toStdString());
    Measure("fnmatch(FNM_CASEFOLD)", names, 5, [&](int i) {
        for (const std::string &mask : utf8Masks) {
            if (::fnmatch(mask.c_str(), utf8Names[static_cast<std::size_t>(i)].c_str(), FNM_CASEFOLD) == 0)
                return true;
        }
        return false;
    });
}

void BenchRegularExpression()
{
    const QStringList names = MakeNames(100000);
    const QString pattern = QStringLiteral("^(img|pxl)_\\d{8}_\\d+\\.(jpe?g|heic)$");
    std::printf("Regular expression %s against %lld names (best of 3)\n", pattern.toUtf8().constData(),
                static_cast<long long>(names.size()));

    TTextFilter filter;
    filter.SetRegular(true);
    filter.SetFilter(pattern);
    filter.SetMode(fmInclude);
    Measure("TTextFilter (PCRE2-16, JIT)", names, 3, [&](int i) { return filter.MatchesFilter(names[i]); });

    const QRegularExpression qt(pattern, QRegularExpression::CaseInsensitiveOption);
    qt.optimize();
    Measure("QRegularExpression", names, 3, [&](int i) { return qt.match(names[i]).hasMatch(); });

    std::vector<std::string> utf8Names;
    for (const QString &name : names)
        utf8Names.push_back(name.toStdString());
    const std::regex stdPattern("^(img|pxl)_[0-9]{8}_[0-9]+\\.(jpe?g|heic)$",
                                std::regex::ECMAScript | std::regex::icase | std::regex::optimize);
    Measure("std::regex", names, 3,
            [&](int i) { return std::regex_search(utf8Names[static_cast<std::size_t>(i)], stdPattern); });

    QTemporaryFile list;
    if (!list.open())
        return;
    list.write(names.join(QLatin1Char('\n')).toUtf8() + '\n');
    list.flush();
    QElapsedTimer timer;
    timer.start();
    QProcess grep;
    grep.start(QStringLiteral("grep"),
               {QStringLiteral("-Eic"), QStringLiteral("^(img|pxl)_[0-9]{8}_[0-9]+\\.(jpe?g|heic)$"), list.fileName()});
    if (!grep.waitForFinished(60000)) {
        std::printf("  grep -E could not be run\n");
        return;
    }
    Report("grep -Eic (whole process)", static_cast<int>(names.size()),
           QString::fromLatin1(grep.readAllStandardOutput()).trimmed().toInt(), Seconds(timer));
}

} // namespace

int main()
{
    BenchMasks();
    BenchRegularExpression();
    return 0;
}
