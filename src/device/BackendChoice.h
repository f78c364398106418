#pragma once

#include <QString>

// Which device backends the device list uses: real devices through libmtp,
// the simulated ones (the folder named by TESSARIL_DEVICES), or both. The
// environment variable TESSARIL_BACKENDS ("mtp", "sim" or "all"; unset means
// all) chooses; a front end's option overrides it with SetDeviceBackends.
struct TBackendChoice
{
    bool Mtp = true;
    bool Simulated = true;
};

// The current choice.
TBackendChoice DeviceBackendChoice();

// Overrides the environment for the rest of the process; false (and nothing
// changed) when `name` is none of "mtp", "sim" and "all".
bool SetDeviceBackends(const QString &name);

// Back to the environment's choice.
void ResetDeviceBackends();

// The choice a name stands for; false when the name is unknown.
bool ParseBackendChoice(const QString &name, TBackendChoice &choice);
