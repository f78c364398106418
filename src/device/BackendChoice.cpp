#include "device/BackendChoice.h"

#include <QtGlobal>

#include <atomic>

namespace {

std::atomic<int> Override{-1}; // -1: none; otherwise bit 0 mtp, bit 1 simulated

} // namespace

bool ParseBackendChoice(const QString &name, TBackendChoice &choice)
{
    const QString value = name.trimmed().toLower();
    if (value.isEmpty() || value == QLatin1String("all")) {
        choice = {true, true};
        return true;
    }
    if (value == QLatin1String("mtp")) {
        choice = {true, false};
        return true;
    }
    if (value == QLatin1String("sim")) {
        choice = {false, true};
        return true;
    }
    return false;
}

TBackendChoice DeviceBackendChoice()
{
    const int forced = Override.load();
    if (forced >= 0)
        return {(forced & 1) != 0, (forced & 2) != 0};
    TBackendChoice choice;
    const QString name = qEnvironmentVariable("TESSARIL_BACKENDS");
    if (!ParseBackendChoice(name, choice)) {
        qWarning("TESSARIL_BACKENDS=%s is none of mtp, sim, all; using all", qUtf8Printable(name));
        choice = {true, true};
    }
    return choice;
}

bool SetDeviceBackends(const QString &name)
{
    TBackendChoice choice;
    if (!ParseBackendChoice(name, choice))
        return false;
    Override = (choice.Mtp ? 1 : 0) | (choice.Simulated ? 2 : 0);
    return true;
}

void ResetDeviceBackends()
{
    Override = -1;
}
