#pragma once

// Builds folders of simulated devices from tables, for the device layer's
// tests and for end-to-end tests of the backup run.
//
//   TSimulatedDevices devices{{"Pixel 7", "[Device]\nManufacturer=Google\n",
//                              {{"Internal storage/DCIM/Camera/IMG_1.jpg", "bytes", "2024-07-01 12:00:00"},
//                               {"SD card/"}}}};
//   TPortableDeviceManager manager(devices.Factory());

#include "device/DeviceService.h"
#include "device/PortableDevice.h"
#include "support/EnvironmentGuard.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <initializer_list>
#include <vector>

struct TSimulatedEntry
{
    TSimulatedEntry(const QString &path, const QByteArray &content = {}, const QString &modified = {})
        : Path(path), Content(content), Modified(modified)
    {}

    QString Path;       // below the device folder, "/" between names; a final "/" makes a folder
    QByteArray Content; // the file's bytes
    QString Modified;   // local "yyyy-MM-dd hh:mm:ss"; empty leaves the time of creation
};

struct TSimulatedDeviceTable
{
    QString Folder;    // the device folder's name, also the default friendly name
    QString DeviceIni; // text of device.ini; empty writes none
    std::vector<TSimulatedEntry> Entries;
};

class TSimulatedDevices
{
public:
    TSimulatedDevices(std::initializer_list<TSimulatedDeviceTable> devices = {});

    // Writes one more device; returns its folder.
    QString Add(const TSimulatedDeviceTable &device);
    QString Folder() const { return FDir.path(); }
    QString DeviceFolder(const QString &name) const;

    DeviceServicePtr Service() const;
    // For TPortableDeviceManager: simulated devices of this folder only.
    TDeviceServiceFactory Factory() const;

private:
    QTemporaryDir FDir;
};

// Points TESSARIL_DEVICES at a folder while it lives (for code that calls
// CreateDeviceServices itself), then restores the old value.
class TDevicesEnvironment
{
public:
    explicit TDevicesEnvironment(const QString &folder);

private:
    TEnvironmentGuard FVariable;
};
