#include "device/BackendChoice.h"

#include <QStringList>
#include <QtGlobal>

#include <atomic>

namespace {

std::atomic<int> Override{-1}; // -1: none; otherwise bit 0 mtp, bit 1 simulated, bit 2 ptp

} // namespace

bool ParseBackendChoice(const QString &name, TBackendChoice &choice)
{
    const QString value = name.trimmed().toLower();
    if (value.isEmpty() || value == QLatin1String("all")) {
        choice = {true, true, true};
        return true;
    }
    TBackendChoice chosen{false, false, false};
    for (const QString &part : value.split(QLatin1Char(','))) {
        const QString backend = part.trimmed();
        if (backend == QLatin1String("mtp"))
            chosen.Mtp = true;
        else if (backend == QLatin1String("ptp"))
            chosen.Ptp = true;
        else if (backend == QLatin1String("sim"))
            chosen.Simulated = true;
        else
            return false;
    }
    choice = chosen;
    return true;
}

TBackendChoice DeviceBackendChoice()
{
    const int forced = Override.load();
    if (forced >= 0)
        return {(forced & 1) != 0, (forced & 2) != 0, (forced & 4) != 0};
    TBackendChoice choice;
    const QString name = qEnvironmentVariable("TESSARIL_BACKENDS");
    if (!ParseBackendChoice(name, choice)) {
        qWarning("TESSARIL_BACKENDS=%s is none of mtp, ptp, sim (or a list of them), all; using all",
                 qUtf8Printable(name));
        choice = {true, true, true};
    }
    return choice;
}

bool SetDeviceBackends(const QString &name)
{
    TBackendChoice choice;
    if (!ParseBackendChoice(name, choice))
        return false;
    Override = (choice.Mtp ? 1 : 0) | (choice.Simulated ? 2 : 0) | (choice.Ptp ? 4 : 0);
    return true;
}

void ResetDeviceBackends()
{
    Override = -1;
}
