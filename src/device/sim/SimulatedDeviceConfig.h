#pragma once

#include "device/DeviceService.h"

#include <QHash>
#include <QSet>
#include <QString>

#include <cstdint>
#include <map>

// How a simulated device misbehaves. Paths are relative to the device
// folder with "/" between names; "/" alone names the device object.
struct TSimulatedFaults
{
    QSet<QString> EnumFail;
    QSet<QString> StreamFail;
    QSet<QString> NoDate;
    QHash<QString, std::int64_t> ReadFailAfter;
    QHash<QString, QString> Names;
    std::int64_t ReadDelayUs = 0;
    bool OpenFail = false; // the device is listed, but opening it fails
};

// The contents of a device folder's device.ini.
struct TSimulatedDeviceConfig
{
    QString FriendlyName; // the folder name when device.ini has none
    QString Manufacturer;
    QString Description;
    std::map<TPropertyKey, TPropertyValue> DeviceProperties; // only the keys present
    TSimulatedFaults Faults;
};

// Reads `<deviceFolder>/device.ini`; a missing file gives the defaults.
TSimulatedDeviceConfig ReadSimulatedDeviceConfig(const QString &deviceFolder);

// A fault path in the one form the device compares: no leading or trailing
// "/", no empty names; "/" alone (the device object) becomes the empty path.
QString NormalizedFaultPath(const QString &path);
