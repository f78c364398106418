#pragma once

#include "support/SimulatedDevices.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

// Simulated devices in a temporary folder, named by TESSARIL_DEVICES while the
// object lives, filled one file at a time. Paths are relative to a device
// folder, with "/" between names; the first name is the storage.
class TSimDeviceFolder
{
public:
    QString DevicePath(const QString &device, const QString &relative = QString()) const;

    // A file with that content and local modification time (default: a fixed
    // day in the past, so that copies can be told from fresh files).
    void AddFile(const QString &device, const QString &relative, const QByteArray &content,
                 const QDateTime &modified = DefaultTime());
    void AddFolder(const QString &device, const QString &relative);
    // The device's device.ini, written as given; an empty text writes none.
    void SetDeviceIni(const QString &device, const QString &text);

    static QDateTime DefaultTime() { return QDateTime(QDate(2026, 3, 14), QTime(10, 30, 0)); }

private:
    TSimulatedDevices FDevices;
    TDevicesEnvironment FEnvironment{FDevices.Folder()};
};
