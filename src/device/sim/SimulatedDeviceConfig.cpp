#include "device/sim/SimulatedDeviceConfig.h"

#include "settings/IniFile.h"

#include <QDir>
#include <QFileInfo>

namespace {

const QString DeviceSection = QStringLiteral("Device");
const QString FaultsSection = QStringLiteral("Faults");

struct TTextKey
{
    const char *Name;
    TPropertyKey Key;
};

constexpr TTextKey TextKeys[] = {
    {"Model", pkModel},
    {"SerialNumber", pkSerialNumber},
    {"Firmware", pkFirmwareVersion},
    {"Protocol", pkProtocol},
};

constexpr TTextKey NumberKeys[] = {
    {"PowerSource", pkPowerSource},
    {"PowerLevel", pkPowerLevel},
    {"DeviceType", pkDeviceType},
};

QSet<QString> PathSet(const QString &value)
{
    QSet<QString> paths;
    for (const QString &entry : value.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        if (!entry.trimmed().isEmpty())
            paths.insert(NormalizedFaultPath(entry.trimmed()));
    }
    return paths;
}

// "path:value" pairs; the value follows the last colon for numbers, the first
// for names (a name may hold colons, a path of the device folder rarely does).
template <typename Value, typename Convert>
QHash<QString, Value> PairMap(const QString &value, QChar separator, bool splitAtLast, Convert convert)
{
    QHash<QString, Value> pairs;
    for (const QString &entry : value.split(separator, Qt::SkipEmptyParts)) {
        qsizetype colon = splitAtLast ? entry.lastIndexOf(QLatin1Char(':')) : entry.indexOf(QLatin1Char(':'));
        if (colon < 0)
            continue;
        const QString path = entry.left(colon).trimmed();
        if (path.isEmpty())
            continue;
        Value converted;
        if (convert(entry.mid(colon + 1), converted))
            pairs.insert(NormalizedFaultPath(path), converted);
    }
    return pairs;
}

TSimulatedFaults ReadFaults(const TMemIniFile &ini)
{
    TSimulatedFaults faults;
    auto read = [&](const char *key) { return ini.ReadString(FaultsSection, QLatin1String(key), QString()); };
    faults.EnumFail = PathSet(read("EnumFail"));
    faults.StreamFail = PathSet(read("StreamFail"));
    faults.NoDate = PathSet(read("NoDate"));
    faults.ReadFailAfter = PairMap<std::int64_t>(read("ReadFailAfter"), QLatin1Char(','), true,
                                                 [](const QString &text, std::int64_t &bytes) {
                                                     bool ok = false;
                                                     bytes = text.trimmed().toLongLong(&ok);
                                                     return ok && bytes >= 0;
                                                 });
    // Names are taken as written: a leading blank may be the point of the test.
    faults.Names = PairMap<QString>(read("Name"), QLatin1Char('|'), false, [](const QString &text, QString &name) {
        name = text;
        return true;
    });
    bool ok = false;
    const std::int64_t delay = read("ReadDelayUs").trimmed().toLongLong(&ok);
    faults.ReadDelayUs = ok && delay > 0 ? delay : 0;
    faults.OpenFail = read("OpenFail").trimmed() == QLatin1String("1");
    return faults;
}

} // namespace

QString NormalizedFaultPath(const QString &path)
{
    return path.split(QLatin1Char('/'), Qt::SkipEmptyParts).join(QLatin1Char('/'));
}

TSimulatedDeviceConfig ReadSimulatedDeviceConfig(const QString &deviceFolder)
{
    TSimulatedDeviceConfig config;
    config.FriendlyName = QFileInfo(deviceFolder).fileName();
    const QString iniName = QDir(deviceFolder).filePath(QStringLiteral("device.ini"));
    if (!QFileInfo::exists(iniName))
        return config;

    const TMemIniFile ini(iniName);
    auto present = [&](const char *key) { return ini.ValueExists(DeviceSection, QLatin1String(key)); };
    auto text = [&](const char *key) { return ini.ReadString(DeviceSection, QLatin1String(key), QString()); };
    if (present("FriendlyName"))
        config.FriendlyName = text("FriendlyName");
    config.Manufacturer = text("Manufacturer");
    config.Description = text("Description");
    for (const TTextKey &key : TextKeys)
        if (present(key.Name))
            config.DeviceProperties[key.Key] = TPropertyValue::FromText(text(key.Name));
    for (const TTextKey &key : NumberKeys) {
        bool ok = false;
        const qulonglong number = text(key.Name).trimmed().toULongLong(&ok);
        if (present(key.Name) && ok && number <= 0xFFFFFFFFu)
            config.DeviceProperties[key.Key] = TPropertyValue::FromUInt32(std::uint32_t(number));
    }
    config.Faults = ReadFaults(ini);
    return config;
}
