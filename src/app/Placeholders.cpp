#include "app/Placeholders.h"

#include "device/LocalName.h"
#include "env/FamilySystem.h"

#include <QDir>
#include <QFileInfo>

const char *const DestPlaceholders[13] = {
    "%device%", "%date%", "%yaw%", "%dow%",   "%ldow%",   "%dnw%",  "%day%",
    "%week%",   "%dom%",  "%wom%", "%month%", "%lmonth%", "%year%",
};

namespace {

QString Digits(int value, int width)
{
    return QStringLiteral("%1").arg(value, width, 10, QLatin1Char('0'));
}

QString WithoutDots(QString text)
{
    return text.remove(QLatin1Char('.'));
}

QString YearAndWeek(const QDate &today)
{
    const int week = today.weekNumber();
    // Early January days in the last week of the year before keep that year.
    const int year = (today.month() == 1 && week > 25) ? today.year() - 1 : today.year();
    return Digits(year, 4) + QLatin1Char('-') + Digits(week, 2);
}

QString PlaceholderValue(int index, const QString &deviceName, const QDate &today, const QLocale &locale)
{
    switch (index) {
    case 0:
        return DeviceNameAsPathComponent(deviceName);
    case 1:
        return Digits(today.year(), 4) + QLatin1Char('-') + Digits(today.month(), 2) + QLatin1Char('-') +
               Digits(today.day(), 2);
    case 2:
        return YearAndWeek(today);
    case 3:
        return WithoutDots(locale.dayName(today.dayOfWeek(), QLocale::ShortFormat));
    case 4:
        return WithoutDots(locale.dayName(today.dayOfWeek(), QLocale::LongFormat));
    case 5:
        return Digits(today.dayOfWeek(), 1);
    case 6:
        return Digits(today.dayOfYear(), 3);
    case 7:
        return Digits(today.weekNumber(), 2);
    case 8:
        return Digits(today.day(), 2);
    case 9:
        return Digits(WeekOfMonth(today), 1);
    case 10:
        return Digits(today.month(), 2);
    case 11:
        return WithoutDots(locale.monthName(today.month(), QLocale::LongFormat));
    case 12:
        return Digits(today.year(), 4);
    default:
        return QString();
    }
}

} // namespace

int WeekOfMonth(const QDate &date)
{
    const QDate thursday = date.addDays(4 - date.dayOfWeek());
    return (thursday.day() - 1) / 7 + 1;
}

QString DeviceNameAsPathComponent(const QString &name)
{
    // The rule for every device name that becomes a path component; only a
    // device without a name leaves the placeholder empty.
    return name.isEmpty() ? QString() : LocalNameOf(name);
}

QString ExpandDestPlaceholders(const QString &text, const QString &deviceName, const QDate &today,
                               const QLocale &locale)
{
    QString result = text;
    for (int i = 0; i < 13; ++i) {
        const QString placeholder = QString::fromLatin1(DestPlaceholders[i]);
        if (!result.contains(placeholder, Qt::CaseInsensitive))
            continue;
        result.replace(placeholder, PlaceholderValue(i, deviceName, today, locale), Qt::CaseInsensitive);
    }
    return result;
}

QString DestStartFolder(const QString &destText, const QString &homeDir,
                        const std::function<bool(const QString &)> &folderExists)
{
    QString folder = destText;
    const qsizetype percent = folder.indexOf(QLatin1Char('%'));
    if (percent >= 0) {
        // Keep the components before the first one that holds "%", each with its separator.
        const qsizetype separator = folder.lastIndexOf(QLatin1Char('/'), percent);
        folder.truncate(separator + 1);
    }
    folder = ExpandHomeFolder(folder, homeDir);
    if (!folder.startsWith(QLatin1Char('/')))
        return QString();

    while (!folderExists(folder)) {
        if (folder == QLatin1String("/"))
            return QString();
        while (folder.size() > 1 && folder.endsWith(QLatin1Char('/')))
            folder.chop(1);
        const qsizetype cut = folder.lastIndexOf(QLatin1Char('/'));
        folder.truncate(cut == 0 ? 1 : cut);
    }
    return folder;
}

QString DestStartFolder(const QString &destText)
{
    return DestStartFolder(destText, QDir::homePath(), [](const QString &path) { return QFileInfo(path).isDir(); });
}
