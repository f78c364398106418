#include "app/BackupConfig.h"

#include "app/LocaleDates.h"
#include "env/CommaText.h"
#include "settings/IniFile.h"

#include <algorithm>

namespace {

const QString SecConfig = QStringLiteral("Config");
const QString SecFilter = QStringLiteral("FileFilter");
const QString SecTimeSlot = QStringLiteral("TimeSlot");

void ReadTimeSlot(const TMemIniFile &ini, TTimePeriod &period)
{
    period.Days = ini.ReadInteger(SecTimeSlot, QStringLiteral("Days"), period.Days);
    period.Mode =
        TimeModeFromStored(ini.ReadInteger(SecTimeSlot, QStringLiteral("TimeMode"), static_cast<int>(period.Mode)));

    // A text that cannot be read resets only the mode; values read before it stay.
    const QString dayTime = ini.ReadString(SecTimeSlot, QStringLiteral("DayTime"), QString());
    if (!dayTime.isEmpty() && !ParseTimeText(dayTime, period.DayTime)) {
        period.Mode = tmAll;
        return;
    }
    const QString dateFrom = ini.ReadString(SecTimeSlot, QStringLiteral("DateFrom"), QString());
    if (!dateFrom.isEmpty() && !ParseDateText(dateFrom, period.Dat1)) {
        period.Mode = tmAll;
        return;
    }
    const QString dateTo = ini.ReadString(SecTimeSlot, QStringLiteral("DateTo"), QString());
    if (!dateTo.isEmpty() && !ParseDateText(dateTo, period.Dat2))
        period.Mode = tmAll;
}

} // namespace

TBackupConfig::TBackupConfig()
    : AktNoComp(DefaultNoCompTypes()), FFilter(true, true), TmPeriod(DefaultTimePeriod(QDate::currentDate()))
{}

void TBackupConfig::Assign(const TBackupConfig &other)
{
    Destination = other.Destination;
    Overwrite = other.Overwrite;
    ArchBit = other.ArchBit;
    Compress = other.Compress;
    CompressAsZip = other.CompressAsZip;
    AktNoComp = other.AktNoComp;
    LoadFilter(FFilter, other.FFilter.Regular(), static_cast<int>(other.FFilter.Mode()), other.FFilter.Filter());
    TmPeriod = other.TmPeriod;
}

QStringList DefaultNoCompTypes()
{
    return NormalizedTypeList(
        QStringLiteral("7z,ace,arc,arj,bz2,cab,docx,epub,gif,gz,gze,jpeg,jpg,lha,lzh,mp3,mp4,mpg,odg,odp,ods,odt,otp,"
                       "ots,ott,pdf,png,pptx,rar,webm,webp,xlsm,xlsx,xpi,zip,zipx")
            .split(QLatin1Char(',')));
}

QStringList NormalizedTypeList(const QStringList &types)
{
    QStringList result;
    for (const QString &type : types) {
        if (!result.contains(type, Qt::CaseInsensitive))
            result.append(type);
    }
    std::sort(result.begin(), result.end(),
              [](const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    return result;
}

bool IsNoCompType(const QStringList &types, const QString &extension)
{
    if (extension.isEmpty())
        return types.contains(NoExtensionType) || types.contains(QString());
    return types.contains(extension, Qt::CaseInsensitive);
}

QString NoCompTypesText(const QStringList &types)
{
    return types.isEmpty() ? QStringLiteral("#") : ToCommaText(types);
}

void ApplyNoCompTypesText(QStringList &types, const QString &value)
{
    if (value == QStringLiteral("#"))
        types.clear();
    else if (!value.isEmpty())
        types = NormalizedTypeList(FromCommaText(value));
}

QString LoadFilter(TTextFilter &filter, bool regular, int mode, const QString &text)
{
    QString error;
    filter.SetRegular(regular);
    filter.SetMode(FilterModeFromStored(mode));
    const QString value = text == QStringLiteral("*.*") ? filter.MatchAll() : text;
    try {
        filter.SetFilter(value);
    } catch (const EFilterError &e) {
        // The filter is left matching all; the stored mode is switched off below.
        error = e.Message();
    }
    if (!filter.Regular() && filter.Filter() == QStringLiteral("*"))
        filter.SetMode(fmOff);
    return error;
}

QString ReadConfigKeys(const TMemIniFile &ini, TBackupConfig &config)
{
    const int overwrite = ini.ReadInteger(SecConfig, QStringLiteral("Overwrite"), owOlder);
    config.Overwrite = (overwrite >= owOlder && overwrite <= owNone) ? overwrite : owOlder;
    config.ArchBit = ini.ReadBool(SecConfig, QStringLiteral("ArchBit"), false);
    config.Compress = ini.ReadBool(SecConfig, QStringLiteral("Compress"), false);
    config.CompressAsZip = config.Compress && ini.ReadBool(SecConfig, QStringLiteral("CompressAsZip"), false);
    ApplyNoCompTypesText(config.AktNoComp, ini.ReadString(SecConfig, QStringLiteral("NoCompTypes"), QString()));

    TTextFilter &filter = config.FFilter;
    const bool regular = ini.ReadBool(SecFilter, QStringLiteral("Regular"), false);
    const int mode = ini.ReadInteger(SecFilter, QStringLiteral("FilterMode"), fmOff);
    // The kind first: the default text below, MatchAll, depends on it.
    filter.SetRegular(regular);
    QString filterError =
        LoadFilter(filter, regular, mode, ini.ReadString(SecFilter, QStringLiteral("Filter"), filter.MatchAll()));

    ReadTimeSlot(ini, config.TmPeriod);
    return filterError;
}

void WriteConfigKeys(TMemIniFile &ini, const TBackupConfig &config)
{
    ini.WriteInteger(SecConfig, QStringLiteral("Overwrite"), config.Overwrite);
    ini.WriteBool(SecConfig, QStringLiteral("ArchBit"), config.ArchBit);
    ini.WriteBool(SecConfig, QStringLiteral("Compress"), config.Compress);
    ini.WriteBool(SecConfig, QStringLiteral("CompressAsZip"), config.Compress && config.CompressAsZip);
    ini.WriteString(SecConfig, QStringLiteral("NoCompTypes"), NoCompTypesText(config.AktNoComp));

    ini.WriteBool(SecFilter, QStringLiteral("Regular"), config.FFilter.Regular());
    ini.WriteInteger(SecFilter, QStringLiteral("FilterMode"), static_cast<int>(config.FFilter.Mode()));
    ini.WriteString(SecFilter, QStringLiteral("Filter"), config.FFilter.Filter());

    const TTimePeriod &period = config.TmPeriod;
    ini.WriteInteger(SecTimeSlot, QStringLiteral("TimeMode"), static_cast<int>(period.Mode));
    ini.WriteInteger(SecTimeSlot, QStringLiteral("Days"), period.Days);
    ini.WriteString(SecTimeSlot, QStringLiteral("DayTime"), TimeText(period.DayTime));
    ini.WriteString(SecTimeSlot, QStringLiteral("DateFrom"), DateText(period.Dat1));
    ini.WriteString(SecTimeSlot, QStringLiteral("DateTo"), DateText(period.Dat2));
}

bool FilterExcludesEverything(const TTextFilter &filter)
{
    if (filter.Mode() != fmExclude)
        return false;
    // Names of every shape: without extension, hidden, with blanks, with
    // letters outside ASCII, digits first. A filter that drops all of them
    // matches any name.
    static const QStringList probes = {QStringLiteral("IMG_0001.JPG"),
                                       QStringLiteral("notes.txt"),
                                       QStringLiteral("README"),
                                       QStringLiteral(".hidden"),
                                       QStringLiteral("a b.tar.gz"),
                                       QStringLiteral("\u00FCber.pdf"),
                                       QStringLiteral("0"),
                                       QStringLiteral("-x.y"),
                                       QStringLiteral("\u5199\u771F.heic")};
    for (const QString &name : probes)
        if (filter.MatchesFilter(name))
            return false;
    return true;
}
