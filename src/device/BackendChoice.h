#pragma once

#include <QString>

// Which device backends the device list uses: real devices through libmtp,
// cameras through libgphoto2, the simulated ones (the folder named by
// TESSARIL_DEVICES), or any set of them. The environment variable
// TESSARIL_BACKENDS ("mtp", "ptp", "sim", a comma-separated list of these, or
// "all"; unset means all) chooses; a front end's option overrides it with
// SetDeviceBackends.
struct TBackendChoice
{
    bool Mtp = true;
    bool Simulated = true;
    bool Ptp = true;
};

// The current choice.
TBackendChoice DeviceBackendChoice();

// Overrides the environment for the rest of the process; false (and nothing
// changed) when `name` is not a choice ParseBackendChoice knows.
bool SetDeviceBackends(const QString &name);

// Back to the environment's choice.
void ResetDeviceBackends();

// The choice a name stands for; false when the name is unknown.
bool ParseBackendChoice(const QString &name, TBackendChoice &choice);
